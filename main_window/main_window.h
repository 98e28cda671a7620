#pragma once

#include "main_window/main_window_operations.h"
#include "main_window/main_window_state.h"

#include <QMainWindow>

#include <functional>
#include <memory>

namespace tavlo {

class BusyState;
class ClipboardController;
class ColourDepthController;
class CommandRouter;
class DisplayController;
class DocumentState;
class FileListBox;
class FolderWatch;
class ImageEditController;
class ImageFileController;
class ImageSaveController;
class ImagingControl;
class MarkerToolBarController;
class MenuTree;
class PrintController;
class RegisteredSizes;
class SavedState;
class ScanController;
class SelectionController;
class ToolStrip;
class UnsavedChangesQuestion;
class ZoomResolutionController;
class WorkFolderCommands;
class WorkFolderList;

// The main window fmMain, the program's only top-level window: the tool strip along the top, the
// work-folder list File1 down the left side and the imaging control ikImg filling the rest (with
// the hidden scratch control ikImg2). The window itself only wires its small controllers together:
//
//   MenuTree             the menu tree and its indexed item groups
//   CommandRouter        every command to its named operation (MainWindowOperations)
//   DocumentState        the document state and the enabled flags that follow it
//   ToolStrip            the tool buttons, the scale box, the magnifier, prefix and format
//   DisplayController    layout, scale display, magnifier
//   SavedState           "User.xml" read at load and written at quit
//   ImageFileController  opening and closing image files
//   ImageSaveController  overwrite-save and save as, by extension
//   ColourDepthController  "色数", its ticks and sClrCd
//   SelectionController  reading and clearing the selection
//   ImageEditController  rotations, trim, shrink, join and emphasis
//   ClipboardController  paste, copy and the image report
//   ZoomResolutionController  "ｽﾞｰﾑ" and "解像度"
//   RegisteredSizes      the registered sizes of "範囲" and their dialog
//   BusyState            the busy pointer (SetBusy)
//   UnsavedChangesQuestion  "変更を保存しますか?" before an unsaved image is replaced or dropped
//   ScanController       scanning and the numbered work files (StartScan, SaveToWorkFolder)
//   PrintController      "印刷設定", "印刷(&P)" and the after-scan printing (PrintImage)
//   WorkFolderList       choosing a listed file, SyncListSelection
//   FolderWatch          the five-second watch and the file-system watcher
//   WorkFolderCommands   emptying, exploring, opening in the companion editor
//
// Creating the window runs its load sequence: user data folder and its "Temp", "User.xml", the
// list on the work folder, document state 0, the saved state, the layout, then the scanner's
// initialisation. Only the user's own quit saves: "終了(&X)" or closing the window through its
// frame write "User.xml" once and end the program; a close by the program or by the session
// ending saves nothing. User-interface thread only.
class fmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit fmMain(QWidget* parent = nullptr);
    ~fmMain() override;

    // Ends the program once the state is saved (EndProgram). Whoever creates the window sets it;
    // without it the window just closes.
    std::function<void()> endProgram;

    // Writes the window's place and the user's options into "User.xml" and ends the program,
    // after "変更を保存しますか?" when the image shown is unsaved (ｷｬﾝｾﾙ, or a save that did not
    // happen, keeps the program running).
    void SaveStateAndQuit();

    // Why a close was asked for.
    enum class CloseReason { UserFrame, Program, Session };
    // The close rule: only a close by the user through the window frame saves (and ends the
    // program); any other close lets the window go without saving. True when it saved; false
    // also when the user kept the window at the unsaved-changes question.
    bool closeRequested(CloseReason reason);

    // The window's parts, for the controllers of later work and for tests.
    MainWindowState& state() { return m_state; }
    MainWindowOperations& operations() { return m_ops; }
    DocumentState& document() { return *m_doc; }
    MenuTree& menus() { return *m_menus; }
    ToolStrip& strip() { return *m_strip; }
    FileListBox& File1() { return *m_File1; }
    ImagingControl& ikImg() { return *m_ikImg; }
    ImagingControl& ikImg2() { return *m_ikImg2; }
    CommandRouter& router() { return *m_router; }
    DisplayController& display() { return *m_display; }
    ImageFileController& imageFiles() { return *m_files; }
    ImageSaveController& saving() { return *m_saving; }
    ColourDepthController& colourDepth() { return *m_colour; }
    SelectionController& selection() { return *m_selection; }
    ImageEditController& edits() { return *m_edits; }
    ClipboardController& clipboard() { return *m_clipboard; }
    ZoomResolutionController& zoomResolution() { return *m_zoom; }
    RegisteredSizes& registeredSizes() { return *m_sizes; }
    BusyState& busy() { return *m_busy; }
    ScanController& scanning() { return *m_scan; }
    PrintController& printing() { return *m_printing; }
    WorkFolderList& workFolderList() { return *m_list; }
    WorkFolderCommands& workFolder() { return *m_workFolder; }
    FolderWatch& watch() { return *m_watch; }
    QWidget& client() { return *m_client; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadSequence();
    void wireOperations();
    void connectControls();
    void Form_Resize();

    MainWindowState m_state;
    MainWindowOperations m_ops;
    QWidget* m_client = nullptr;
    std::unique_ptr<MenuTree> m_menus;
    std::unique_ptr<DocumentState> m_doc;
    ToolStrip* m_strip = nullptr;
    FileListBox* m_File1 = nullptr;
    ImagingControl* m_ikImg = nullptr;
    ImagingControl* m_ikImg2 = nullptr;
    std::unique_ptr<FolderWatch> m_watch;
    std::unique_ptr<CommandRouter> m_router;
    std::unique_ptr<DisplayController> m_display;
    std::unique_ptr<SavedState> m_saved;
    std::unique_ptr<ImageFileController> m_files;
    std::unique_ptr<BusyState> m_busy;
    std::unique_ptr<ColourDepthController> m_colour;
    std::unique_ptr<SelectionController> m_selection;
    std::unique_ptr<ImageSaveController> m_saving;
    std::unique_ptr<UnsavedChangesQuestion> m_unsaved;
    std::unique_ptr<ImageEditController> m_edits;
    std::unique_ptr<ClipboardController> m_clipboard;
    std::unique_ptr<ZoomResolutionController> m_zoom;
    std::unique_ptr<RegisteredSizes> m_sizes;
    std::unique_ptr<ScanController> m_scan;
    std::unique_ptr<PrintController> m_printing;
    std::unique_ptr<WorkFolderList> m_list;
    std::unique_ptr<WorkFolderCommands> m_workFolder;
    std::unique_ptr<MarkerToolBarController> m_markers;
    bool m_quitting = false;
};

}  // namespace tavlo
