#include "main_window/command_router.h"

#include "main_window/document_state.h"
#include "main_window/main_window_operations.h"
#include "main_window/main_window_state.h"
#include "main_window/menu_items.h"
#include "main_window/menu_tree.h"
#include "main_window/print_controller.h"

#include <QCursor>
#include <QMenu>

namespace tavlo {

CommandRouter::CommandRouter(MenuTree& menus, DocumentState& doc, MainWindowState& state,
                             MainWindowOperations& ops, QObject* parent)
    : QObject(parent), m_menus(menus), m_doc(doc), m_state(state), m_ops(ops)
{
    popUp = [](QMenu* menu, const QPoint& pos) { menu->popup(pos); };
    pointerPos = [] { return QCursor::pos(); };
    connect(&menus.mnJb, &MenuGroup::clicked, this, &CommandRouter::mnJb_Click);
    connect(&menus.mnFile, &MenuGroup::clicked, this, &CommandRouter::mnFile_Click);
    connect(&menus.mnScan, &MenuGroup::clicked, this, &CommandRouter::mnScan_Click);
    connect(&menus.mnClp, &MenuGroup::clicked, this, &CommandRouter::mnClp_Click);
    connect(&menus.mnEdt, &MenuGroup::clicked, this, &CommandRouter::mnEdt_Click);
    connect(&menus.mnResize, &MenuGroup::clicked, this, &CommandRouter::mnResize_Click);
    connect(&menus.mnRotate, &MenuGroup::clicked, this, &CommandRouter::mnRotate_Click);
    connect(&menus.mnCut, &MenuGroup::clicked, this, &CommandRouter::mnCut_Click);
    connect(&menus.mnColr, &MenuGroup::clicked, this, &CommandRouter::mnColr_Click);
    connect(&menus.mnDisp, &MenuGroup::clicked, this, &CommandRouter::mnDisp_Click);
    connect(&menus.mnGen, &MenuGroup::clicked, this, &CommandRouter::mnGen_Click);
    connect(&menus.mnPrn, &MenuGroup::clicked, this, &CommandRouter::mnPrn_Click);
    connect(&menus.mnRng, &MenuGroup::clicked, this, &CommandRouter::mnRng_Click);
    connect(&menus.mnUsHn, &MenuGroup::clicked, this, &CommandRouter::mnUsHn_Click);
    connect(&menus.mnZoom, &MenuGroup::clicked, this, &CommandRouter::mnZoom_Click);
}

void CommandRouter::mnJb_Click(int index)
{
    if (index == JbItem::Help) {
        callIfSet(m_ops.ShowHelp, QStringLiteral("tavlo.htm"));
        return;
    }
    // The paste flag is computed here only; Ctrl+V follows the flag as last computed.
    m_menus.mnClp.setEnabled(ClpItem::Paste, ClipboardHasImage && ClipboardHasImage());
}

void CommandRouter::mnFile_Click(int index)
{
    if (!m_menus.mnFile.isEnabled(index))
        return;
    switch (index) {
    case FileItem::Open: callIfSet(m_ops.OpenImageFile); break;
    case FileItem::Overwrite: callIfSet(m_ops.SaveImage, false); break;
    case FileItem::SaveAs: callIfSet(m_ops.SaveImage, true); break;
    case FileItem::PrintSetup: callIfSet(m_ops.PrintImage, PrintSetup); break;
    case FileItem::Print: callIfSet(m_ops.PrintImage, PrintAtImageSize); break;
    case FileItem::SaveToWorkFolder: callIfSet(m_ops.SaveToWorkFolder); break;
    case FileItem::ExploreWorkFolder: callIfSet(m_ops.ExploreWorkFolder); break;
    case FileItem::OpenInEditor: callIfSet(m_ops.OpenWorkFolderInEditor); break;
    case FileItem::EmptyWorkFolder: callIfSet(m_ops.EmptyWorkFolder); break;
    case FileItem::Details: callIfSet(m_ops.ShowImageDetails); break;
    case FileItem::Quit: callIfSet(m_ops.SaveStateAndQuit); break;
    default: break;
    }
}

void CommandRouter::mnScan_Click(int index)
{
    if (!m_menus.mnScan.isEnabled(index))
        return;
    if (index == ScanItem::Run)
        callIfSet(m_ops.StartScan);
    else if (index == ScanItem::SelectSource)
        callIfSet(m_ops.SelectScanSource);
}

void CommandRouter::mnClp_Click(int index)
{
    if (!m_menus.mnClp.isEnabled(index))
        return;
    if (index == ClpItem::Copy) {
        callIfSet(m_ops.CopyImageToClipboard);
    } else if (index == ClpItem::CopyAndMinimise) {
        // Copy, then get out of the way of the program the picture is pasted into; without the
        // copy there is nothing to minimise for.
        if (m_ops.CopyImageToClipboard) {
            m_ops.CopyImageToClipboard();
            callIfSet(m_ops.MinimiseWindow);
        }
    } else if (index == ClpItem::Paste) {
        callIfSet(m_ops.PasteFromClipboard);
    }
}

void CommandRouter::mnEdt_Click(int index)
{
    if (!m_menus.mnEdt.isEnabled(index))
        return;
    // Every enabled item of the group marks the image changed, also the ones that only open a
    // submenu ("範囲", "ﾘｻｲｽﾞ", "綴じ込み", "回転", "色数", "ｽﾞｰﾑ").
    m_doc.SetDocState(DocState::Changed);
    if (index == EdtItem::Trim) {
        callIfSet(m_ops.TrimToSelection);
    } else if (index == EdtItem::ToolBar) {
        if (m_menus.mnEdt.isChecked(EdtItem::ToolBar)) {
            callIfSet(m_ops.HideImagingToolBar);
            callIfSet(m_ops.ShowMarkerToolBar, false);
        } else {
            callIfSet(m_ops.ShowMarkerToolBar, true);
        }
    } else if (index == EdtItem::Resolution) {
        callIfSet(m_ops.SetImageResolution);
    }
}

void CommandRouter::mnResize_Click(int index)
{
    if (index == ResizeItem::KeepWidth || index == ResizeItem::KeepHeight)
        callIfSet(m_ops.ShrinkToSelection, index);
    else if (index == ResizeItem::Free)
        callIfSet(m_ops.ShrinkToSelection, 2);
}

void CommandRouter::mnRotate_Click(int index)
{
    const QString caption = m_menus.mnRotate.caption(index);
    if (caption.isEmpty() || caption == QLatin1String("-"))
        return;
    // A fixed turn marks the image changed itself (it is also reached by Ctrl+R and Ctrl+L).
    if (caption != QString::fromUtf8("詳細指定"))
        callIfSet(m_ops.RotateFlip, caption);
    else if (m_ops.RotateByBaseLine && m_ops.RotateByBaseLine())
        m_doc.ImageEdited();
}

void CommandRouter::mnCut_Click(int index)
{
    if (!m_menus.mnCut.isEnabled(index))
        return;
    if (index == CutItem::Vertical || index == CutItem::Horizontal)
        callIfSet(m_ops.JoinAcrossSelection, index);
}

int CommandRouter::colourCodeOfItem(int index)
{
    static const int codes[] = {4, 40, 8, 80, 16, 24, 32};
    return index >= 1 && index <= 7 ? codes[index - 1] : 0;
}

void CommandRouter::mnColr_Click(int index)
{
    if (!m_menus.mnColr.isEnabled(index))
        return;
    const int code = colourCodeOfItem(index);
    if (code == 0)
        return;
    callIfSet(m_ops.ConvertColourDepth, code, false);
    callIfSet(m_ops.RefreshView);
}

void CommandRouter::mnDisp_Click(int index)
{
    if (index == DispItem::ScaleDisplay)
        callIfSet(m_ops.SetScaleDisplay, !m_menus.mnDisp.isChecked(DispItem::ScaleDisplay));
    else if (index == DispItem::RefreshWorkFolder)
        callIfSet(m_ops.RefreshWorkFolder);
}

void CommandRouter::mnGen_Click(int index)
{
    m_state.iGenClr = index;
    m_menus.mnGen.checkOnly(index);
}

void CommandRouter::mnPrn_Click(int index)
{
    m_state.iPrnMd = index;
    m_menus.mnPrn.checkOnly(index);
}

void CommandRouter::mnRng_Click(int index)
{
    switch (index) {
    case RngItem::Register: callIfSet(m_ops.RegisterRange); break;
    case RngItem::Clear: callIfSet(m_ops.ClearSelection, false); break;
    case RngItem::EmphasiseRelative: callIfSet(m_ops.EmphasiseSelection, 0); break;
    case RngItem::EmphasiseMarker: callIfSet(m_ops.EmphasiseSelection, 1); break;
    default: break;
    }
}

void CommandRouter::mnUsHn_Click(int index)
{
    callIfSet(m_ops.ApplyRegisteredSize, index);
}

void CommandRouter::mnZoom_Click(int index)
{
    callIfSet(m_ops.ZoomToItem, index);
}

void CommandRouter::imBtn_Click(int index)
{
    switch (index) {
    case 0: mnFile_Click(FileItem::Open); break;
    case 1: mnFile_Click(FileItem::Overwrite); break;
    case 2: mnFile_Click(FileItem::SaveToWorkFolder); break;
    case 3: mnFile_Click(FileItem::ExploreWorkFolder); break;
    case 5: mnScan_Click(ScanItem::Run); break;
    case 6: mnClp_Click(ClpItem::Copy); break;
    case 7: mnEdt_Click(EdtItem::Trim); break;
    case 8: mnCut_Click(CutItem::Vertical); break;
    case 9: mnCut_Click(CutItem::Horizontal); break;
    default: break;
    }
}

void CommandRouter::File1_ContextMenu(const QPoint& globalPos)
{
    popUp(m_menus.topMenu(JbItem::File), globalPos);
}

void CommandRouter::ikImg_ImageMouseUp(int button, int /*shift*/, int /*x*/, int /*y*/)
{
    if (button == 2)
        popUp(m_menus.topMenu(JbItem::Edit), pointerPos());
}

void CommandRouter::ikImg_ImageEdited()
{
    m_doc.ImageEdited();
}

void CommandRouter::ikImg_ToolBarVisibleChanged(bool visible)
{
    if (!visible)
        callIfSet(m_ops.ShowMarkerToolBar, false);
}

}  // namespace tavlo
