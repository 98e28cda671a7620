#pragma once

#include <QObject>

#include <functional>

class QWidget;

namespace tavlo {

class FileListBox;
class FolderWatch;
class ImagingControl;
class MenuTree;
class ToolStrip;
struct MainWindowState;

// The client area's layout, the scale display and the magnifier.
class DisplayController : public QObject {
    Q_OBJECT
public:
    DisplayController(QWidget& client, ImagingControl& ikImg, FileListBox& File1, ToolStrip& strip,
                      MenuTree& menus, MainWindowState& state, FolderWatch& watch,
                      QObject* parent = nullptr);

    // Re-reads the work folder and reselects the current file (run by every layout).
    std::function<void()> SyncListSelection;

    // Places the list and the view in the client area (see ViewLayout), stretches the strip's
    // top line, makes the list visible and the watch run, and resynchronises the list.
    void LayoutMainWindow();

    // Scaled display (nDspMd 1) or actual size at 100 % (nDspMd 3, magnifier shown). Sets the
    // View menu's mark; the check box chDsp is not touched here.
    void SetScaleDisplay(bool on);

    // A press on the magnifier: right zooms out by 1.5, any other button zooms in.
    void imZoom_MouseDown(Qt::MouseButton button);

signals:
    void laidOut();

private:
    QWidget& m_client;
    ImagingControl& m_ikImg;
    FileListBox& m_list;
    ToolStrip& m_strip;
    MenuTree& m_menus;
    MainWindowState& m_state;
    FolderWatch& m_watch;
};

}  // namespace tavlo
