#pragma once

#include <QObject>
#include <QPoint>

#include <functional>

class QMenu;

namespace tavlo {

class DocumentState;
class MenuTree;
struct MainWindowOperations;
struct MainWindowState;

// Every command of the main window arrives here: menu items (one handler per item group, given
// the item's index), tool buttons, the two pop-up requests and the view's events. Each handler
// routes to a named operation of MainWindowOperations.
//
// Enabled-check rule: the handlers of mnFile, mnScan, mnClp, mnEdt, mnCut and mnColr first look
// at the enabled flag of the very item whose index they got and do nothing when it is disabled;
// that is what keeps a tool button inert while its menu item is disabled. The other groups are
// reachable only through an enabled parent item and do not look.
class CommandRouter : public QObject {
    Q_OBJECT
public:
    CommandRouter(MenuTree& menus, DocumentState& doc, MainWindowState& state,
                  MainWindowOperations& ops, QObject* parent = nullptr);

    // Whether the clipboard offers a picture; the paste item follows it each time a top-level
    // menu other than Help opens.
    std::function<bool()> ClipboardHasImage;
    // Shows a pop-up menu at a global position (tests may replace it).
    std::function<void(QMenu*, const QPoint&)> popUp;
    // Where the pointer is, in global coordinates (tests may replace it).
    std::function<QPoint()> pointerPos;

    void mnJb_Click(int index);
    void mnFile_Click(int index);
    void mnScan_Click(int index);
    void mnClp_Click(int index);
    void mnEdt_Click(int index);
    void mnResize_Click(int index);
    void mnRotate_Click(int index);
    void mnCut_Click(int index);
    void mnColr_Click(int index);
    void mnDisp_Click(int index);
    void mnGen_Click(int index);
    void mnPrn_Click(int index);
    void mnRng_Click(int index);
    void mnUsHn_Click(int index);
    void mnZoom_Click(int index);

    // Tool buttons 0-3 and 5-9 act as their menu items; any other index does nothing.
    void imBtn_Click(int index);

    // Right button over the work-folder list: the File menu pops up there.
    void File1_ContextMenu(const QPoint& globalPos);
    // A mouse button released over the image (the view's button code: 1 left, 2 right, 4 middle);
    // the right button pops up the Edit menu where the pointer is.
    void ikImg_ImageMouseUp(int button, int shift, int x, int y);
    // The user changed the image inside the view (for example by drawing on it).
    void ikImg_ImageEdited();
    // The view's own tool bar was shown or hidden; a closed one unchecks "ﾂｰﾙﾊﾞｰを表示".
    void ikImg_ToolBarVisibleChanged(bool visible);

    // The colour-depth code of a "色数" item (1-7), 0 for any other index.
    static int colourCodeOfItem(int index);

private:
    MenuTree& m_menus;
    DocumentState& m_doc;
    MainWindowState& m_state;
    MainWindowOperations& m_ops;
};

}  // namespace tavlo
