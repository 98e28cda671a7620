#pragma once

class QWidget;

namespace tavlo {

class ImagingControl;
class MenuTree;

// "ﾂｰﾙﾊﾞｰを表示": shows the view's marker tool bar beside the main window (placed by
// MarkerToolBarPlacement, configured through the shape object) and hides it again; and the step
// that save and copy take first, so the marks the user sees go into the file or the clipboard.
class MarkerToolBarController {
public:
    MarkerToolBarController(QWidget& window, ImagingControl& ikImg, MenuTree& menus);

    // show: place, configure and show the bar, the menu item checked. Hide: when uncommitted marks
    // exist, asks "ﾏｰｸを画像に反映しますか" (反映 commits them, 破棄 drops them, ｷｬﾝｾﾙ keeps the
    // bar shown with its marks); then the marks are cleared, the menu item unchecked and the
    // control's ToolBarHiddenFlag set. The bar's window itself is hidden by the caller.
    void ShowMarkerToolBar(bool show);
    // The menu asks the control to hide its bar (no event).
    void HideImagingToolBar();
    // Before save and copy: commits the marks shown into the image, then clears the shape.
    void ClearMarkerShape();

private:
    void placeAndShow();

    QWidget& m_window;
    ImagingControl& m_ikImg;
    MenuTree& m_menus;
};

}  // namespace tavlo
