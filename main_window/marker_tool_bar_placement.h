#pragma once

#include <QPoint>
#include <QRect>

namespace tavlo {

// Where "ﾂｰﾙﾊﾞｰを表示" puts the marker tool bar: just left of the main window, moving the main
// window right when the screen has no room for the bar there. All values are screen pixels of the
// main window's frame.
//
// The bar goes kRoom pixels left of the window's left edge, at the window's top (0 when the
// window's top is above the screen). When that would put the bar left of the screen's edge (x 0),
// the window is moved so that the bar fits, keeping its right edge, top and height: a normal
// window moves to x kRoom and becomes that much narrower; a maximised one is first restored to
// normal and then placed kMaximisedShift pixels right of its maximised left edge and that much
// narrower than its maximised width. The bar then goes to x 0.
struct MarkerToolBarPlacement {
    static constexpr int kRoom = 68;
    static constexpr int kMaximisedShift = 71;

    QPoint toolBar;           // the bar's top left corner
    bool moveWindow = false;  // the window must be restored (when maximised) and set to window
    QRect window;             // the window's new frame when moveWindow

    // frame: the window's frame as it is now (the maximised frame when maximised).
    static MarkerToolBarPlacement compute(const QRect& frame, bool maximised);
};

}  // namespace tavlo
