#pragma once

class QWidget;

namespace tavlo {

class DocumentState;
class ImagingControl;
class MenuTree;
struct MainWindowState;

// The zoom menu "ｽﾞｰﾑ" and the resolution command "解像度".
class ZoomResolutionController {
public:
    ZoomResolutionController(ImagingControl& ikImg, MenuTree& menus, MainWindowState& state,
                             DocumentState& doc, QWidget* dialogParent);

    // Shows the image at the percentage of the "ｽﾞｰﾑ" item's caption (" 50%" is 0.5; a caption
    // without a number is 1) in DisplayMode::ActualSize, whatever mode was active; the
    // scale-display box and the View menu's tick are left as they are.
    void ZoomToItem(int index);

    // Opens the resolution dialog on the image's resolution (72 where none is stored) and size and
    // applies the values it hands back. The image is marked changed also when the dialog was
    // cancelled. Nothing happens without an image.
    void SetImageResolution();

private:
    ImagingControl& m_ikImg;
    MenuTree& m_menus;
    MainWindowState& m_state;
    DocumentState& m_doc;
    QWidget* m_dialogParent;
};

}  // namespace tavlo
