#include "main_window/main_window.h"

#include "dialogs/base_line_rotation_dialog.h"
#include "environment/atomic_file.h"
#include "environment/file_system.h"
#include "environment/process_values.h"
#include "environment/settings_store.h"
#include "imaging/clipboard/clipboard_picture.h"
#include "imaging/imaging_control.h"
#include "imaging/scan/scanner_object.h"
#include "imaging/shape/shape_object.h"
#include "main_window/busy_state.h"
#include "main_window/clickable_picture.h"
#include "main_window/clipboard_controller.h"
#include "main_window/colour_depth_controller.h"
#include "main_window/command_router.h"
#include "main_window/display_controller.h"
#include "main_window/document_state.h"
#include "main_window/file_list_box.h"
#include "main_window/folder_watch.h"
#include "main_window/image_edit_controller.h"
#include "main_window/image_file_controller.h"
#include "main_window/image_save_controller.h"
#include "main_window/marker_tool_bar_controller.h"
#include "main_window/menu_tree.h"
#include "main_window/registered_sizes.h"
#include "main_window/saved_state.h"
#include "main_window/print_controller.h"
#include "main_window/scan_controller.h"
#include "main_window/selection_controller.h"
#include "main_window/tool_icons.h"
#include "main_window/tool_strip.h"
#include "main_window/unsaved_changes_question.h"
#include "main_window/view_layout.h"
#include "main_window/work_folder_commands.h"
#include "main_window/work_folder_list.h"
#include "main_window/zoom_resolution_controller.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QMenuBar>
#include <QScreen>
#include <QWindowStateChangeEvent>

namespace tavlo {

fmMain::fmMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("fmMain"));
    setWindowTitle(QStringLiteral("Tavlo"));
    setWindowIcon(ToolIcons::window());
    resize(640, 480);  // the design size, kept when no usable size is stored

    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    setCentralWidget(m_client);

    m_menus = std::make_unique<MenuTree>(menuBar());
    m_doc = std::make_unique<DocumentState>(*m_menus);
    const TwipsScale scale = TwipsScale::of(screen());
    m_strip = new ToolStrip(m_client, scale);
    m_File1 = new FileListBox(m_client);
    m_File1->setObjectName(QStringLiteral("File1"));
    m_File1->fitTypeTo(scale.toPixels(ViewLayout::ListWidthTwips), QStringLiteral("scan-001.bmp"));
    m_ikImg = new ImagingControl(m_client);
    m_ikImg->setObjectName(QStringLiteral("ikImg"));
    m_ikImg2 = new ImagingControl(m_client);
    m_ikImg2->setObjectName(QStringLiteral("ikImg2"));
    m_ikImg2->hide();
    // The magnifier lies over the top of the view; it stays in front of it.
    m_strip->imZoom()->raise();

    m_watch = std::make_unique<FolderWatch>();
    m_router = std::make_unique<CommandRouter>(*m_menus, *m_doc, m_state, m_ops);
    m_display = std::make_unique<DisplayController>(*m_client, *m_ikImg, *m_File1, *m_strip,
                                                    *m_menus, m_state, *m_watch);
    m_saved = std::make_unique<SavedState>(*this, m_state, *m_strip, *m_menus, m_ops);
    m_files = std::make_unique<ImageFileController>(*m_ikImg, m_state, *m_doc, m_ops);
    m_busy = std::make_unique<BusyState>(*m_ikImg);
    m_colour = std::make_unique<ColourDepthController>(*m_ikImg, *m_menus, *m_doc, m_state);
    m_selection = std::make_unique<SelectionController>(*m_ikImg);
    m_saving = std::make_unique<ImageSaveController>(*m_ikImg, m_state, *m_doc, m_ops);
    m_unsaved = std::make_unique<UnsavedChangesQuestion>(*m_doc);
    m_edits = std::make_unique<ImageEditController>(*m_ikImg, *m_ikImg2, *m_selection, m_state,
                                                    *m_doc, m_ops);
    m_clipboard = std::make_unique<ClipboardController>(*m_ikImg, *m_ikImg2, *m_selection, m_state,
                                                        *m_doc, m_ops);
    m_zoom = std::make_unique<ZoomResolutionController>(*m_ikImg, *m_menus, m_state, *m_doc, this);
    m_sizes = std::make_unique<RegisteredSizes>(*m_ikImg, *m_menus, *m_selection, m_state, this);
    m_scan = std::make_unique<ScanController>(*this, *m_ikImg, *m_File1, *m_strip, m_state, *m_doc,
                                              m_ops);
    m_printing = std::make_unique<PrintController>(*this, *m_ikImg);
    m_list = std::make_unique<WorkFolderList>(*m_File1, m_state, *m_doc);
    m_workFolder = std::make_unique<WorkFolderCommands>(*m_File1, m_state);
    m_markers = std::make_unique<MarkerToolBarController>(*this, *m_ikImg, *m_menus);

    wireOperations();
    connectControls();
    loadSequence();
    m_client->installEventFilter(this);
}

fmMain::~fmMain()
{
    m_client->removeEventFilter(this);
}

void fmMain::wireOperations()
{
    // The operations of this window. Later work assigns its own slots here, one line each.
    m_ops.OpenImageFile = [this] { m_files->OpenImageFile(); };
    m_ops.ExploreWorkFolder = [this] { m_workFolder->ExploreWorkFolder(); };
    m_ops.OpenWorkFolderInEditor = [this] { m_workFolder->OpenWorkFolderInEditor(); };
    m_ops.EmptyWorkFolder = [this] { m_workFolder->EmptyWorkFolder(); };
    m_ops.SaveStateAndQuit = [this] { SaveStateAndQuit(); };
    m_ops.AskToSaveChanges = [this](bool saveElsewhere) {
        return m_unsaved->AskToSaveChanges(saveElsewhere);
    };
    m_ops.MinimiseWindow = [this] { showMinimized(); };
    m_ops.RefreshView = [this] { m_ikImg->RefreshView(); };
    m_ops.SetScaleDisplay = [this](bool on) { m_display->SetScaleDisplay(on); };
    m_ops.RefreshWorkFolder = [this] { m_File1->Refresh(); };
    m_ops.ShowHelp = [](const QString& page) { yIni().W_Help(page); };
    m_ops.SaveImage = [this](bool saveAs) { m_saving->SaveImage(saveAs); };
    m_ops.ShowImageDetails = [this] { m_clipboard->ShowImageDetails(); };
    m_ops.CopyImageToClipboard = [this] { m_clipboard->CopyImageToClipboard(); };
    m_ops.PasteFromClipboard = [this] { m_clipboard->PasteFromClipboard(); };
    m_ops.TrimToSelection = [this] { m_edits->TrimToSelection(); };
    m_ops.SetImageResolution = [this] { m_zoom->SetImageResolution(); };
    m_ops.ShrinkToSelection = [this](int mode) { m_edits->ShrinkToSelection(mode); };
    m_ops.RotateFlip = [this](const QString& caption) { m_edits->RotateFlip(caption); };
    m_ops.RotateByBaseLine = [this] {
        bool bOkC = false;
        BaseLineRotationDialog::Act(*m_ikImg, m_state.nDspMd, m_state.sClrCd, bOkC, this);
        return bOkC;
    };
    m_ops.RegisterRange = [this] { m_sizes->RegisterRange(); };
    m_ops.BuildRangeMenu = [this](const QString& list) { m_sizes->BuildRangeMenu(list); };
    m_ops.ApplyRegisteredSize = [this](int index) { m_sizes->ApplyRegisteredSize(index); };
    m_ops.JoinAcrossSelection = [this](int direction) { m_edits->JoinAcrossSelection(direction); };
    m_ops.ConvertColourDepth = [this](int code, bool quiet) {
        m_colour->ConvertColourDepth(code, quiet);
    };
    m_ops.ClearSelection = [this](bool redraw) { m_selection->ClearSelection(redraw); };
    m_ops.EmphasiseSelection = [this](int kind) { m_edits->EmphasiseSelection(kind); };
    m_ops.ZoomToItem = [this](int index) { m_zoom->ZoomToItem(index); };
    m_ops.SetBusy = [this](bool on) { m_busy->SetBusy(on); };
    m_ops.UpdateColourChecks = [this](int code) { m_colour->UpdateColourChecks(code); };
    m_ops.InitScanner = [this] { m_scan->InitScanner(); };
    m_ops.StartScan = [this] { m_scan->StartScan(); };
    m_ops.SelectScanSource = [this] { m_scan->SelectScanSource(); };
    m_ops.SaveToWorkFolder = [this] { m_scan->SaveToWorkFolder(); };
    m_ops.PrintImage = [this](int mode) { m_printing->PrintImage(mode); };
    m_ops.BeginScanPrinting = [this] { m_printing->BeginScanRun(); };
    m_ops.PrintScannedPage = [this](int mode) { m_printing->PrintScannedPage(mode); };
    m_ops.ShowMarkerToolBar = [this](bool show) { m_markers->ShowMarkerToolBar(show); };
    m_ops.HideImagingToolBar = [this] { m_markers->HideImagingToolBar(); };
    m_ops.ClearMarkerShape = [this] { m_markers->ClearMarkerShape(); };

    m_router->ClipboardHasImage = [] { return ClipboardHasImage(); };
    m_display->SyncListSelection = [this] { m_list->SyncListSelection(); };
    m_watch->onChange = [this] { m_list->SyncListSelection(); };
    m_list->LoadImageFile = [this](const QString& path) { return m_files->LoadImageFile(path); };
    m_list->CheckFileExists = [](const QString& path) { return CheckFileExists(path); };
    m_workFolder->CloseImage = [this] { m_files->CloseImage(); };
    m_workFolder->AskToSaveChanges = m_ops.AskToSaveChanges;
    m_list->AskToSaveChanges = m_ops.AskToSaveChanges;
    m_unsaved->SaveImage = [this](bool saveAs) { m_saving->SaveImage(saveAs); };
    m_unsaved->HasUncommittedMarks = [this] { return m_ikImg->ShapeObject().HasShapes(); };
}

void fmMain::connectControls()
{
    connect(m_strip, &ToolStrip::buttonClicked, m_router.get(), &CommandRouter::imBtn_Click);
    connect(m_File1, &FileListBox::contextMenuRequested, m_router.get(),
            &CommandRouter::File1_ContextMenu);
    connect(m_ikImg, &ImagingControl::ImageMouseUp, m_router.get(),
            &CommandRouter::ikImg_ImageMouseUp);
    connect(m_ikImg, &ImagingControl::ImageEdited, m_router.get(),
            &CommandRouter::ikImg_ImageEdited);
    connect(m_ikImg, &ImagingControl::ToolBarVisibleChanged, m_router.get(),
            &CommandRouter::ikImg_ToolBarVisibleChanged);
    // Direct: the scanner releases the page's handle as soon as the handler returns.
    connect(&m_ikImg->ScannerObject(), &scan::ScannerObject::ImageAcquired, m_scan.get(),
            &ScanController::ikImg_ImageAcquired, Qt::DirectConnection);
    // A change of the box, by the user or by RestoreState, runs the scale display.
    connect(m_strip->chDsp(), &QCheckBox::toggled, m_display.get(),
            &DisplayController::SetScaleDisplay);
    connect(m_strip->cbKak(), &QComboBox::currentIndexChanged, this,
            [this](int index) { m_state.bSvBmp = index == 0; });
}

void fmMain::loadSequence()
{
    SettingsStore& ini = yIni();
    ini.W_UserData(this);
    const QString userData = processValues().userDataFolder;
    ini.F_ChkSb(userData, {QStringLiteral("Temp")});
    bool loaded = false;
    ini.GetTxt(userData + QStringLiteral("User.xml"), loaded);  // missing or unreadable: defaults
    m_state.sWrkFld = userData + QStringLiteral("Temp");
    // Pages whose save was killed part-way left temporary files as large as the page.
    AtomicFile::removeStaleTemporaries(m_state.sWrkFld);
    AtomicFile::removeStaleTemporaries(userData);
    m_File1->setPattern(WorkFolderList::imagePattern());
    m_File1->setPath(m_state.sWrkFld);
    m_watch->setFolder(m_state.sWrkFld);
    m_doc->SetDocState(DocState::NoImage);
    m_saved->RestoreState(ini);
    m_display->LayoutMainWindow();
    callIfSet(m_ops.InitScanner);
}

void fmMain::SaveStateAndQuit()
{
    if (m_quitting || !mayReplaceImage(m_ops))
        return;
    m_quitting = true;
    m_saved->SaveStateAtQuit(yIni());
    if (endProgram)
        endProgram();
    else
        close();
}

bool fmMain::closeRequested(CloseReason reason)
{
    if (reason != CloseReason::UserFrame || m_quitting || processValues().ending)
        return false;
    SaveStateAndQuit();
    return m_quitting;
}

void fmMain::closeEvent(QCloseEvent* event)
{
    // A close from the window system is the user's (close box, window menu, Alt+F4, task bar)
    // unless the session is ending; close() called by the program is not spontaneous.
    CloseReason reason = CloseReason::Program;
    if (event->spontaneous())
        reason = qApp->isSavingSession() ? CloseReason::Session : CloseReason::UserFrame;
    const bool usersOwn =
        reason == CloseReason::UserFrame && !m_quitting && !processValues().ending;
    // The user's close that ended at ｷｬﾝｾﾙ of "変更を保存しますか?" keeps the window.
    if (!closeRequested(reason) && usersOwn) {
        event->ignore();
        return;
    }
    event->accept();
}

void fmMain::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        m_list->SyncListSelection();
    } else if (event->type() == QEvent::WindowStateChange) {
        // A restored window is laid out again (it kept its last layout while minimised).
        const auto* change = static_cast<QWindowStateChangeEvent*>(event);
        if ((change->oldState() & Qt::WindowMinimized) && !isMinimized())
            Form_Resize();
    }
    QMainWindow::changeEvent(event);
}

bool fmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_client && event->type() == QEvent::Resize)
        Form_Resize();
    return QMainWindow::eventFilter(watched, event);
}

void fmMain::Form_Resize()
{
    if (processValues().started && !isMinimized())
        m_display->LayoutMainWindow();
}

}  // namespace tavlo
