#pragma once

#include <QList>
#include <QRect>

namespace tavlo {

// Where the window goes at start from its stored place (already in pixels).
class WindowPlacement {
public:
    // screens are the screens' available areas (without the desktop's panels), primary the
    // primary screen's whole area. A stored place with a width or height of zero or less keeps
    // the window's present size and centres it on the primary screen. Otherwise the stored place
    // is used, its width and height cut to the available area of its screen (the one holding its
    // top left corner, else the one it overlaps most: a hand-edited size must not make a window
    // no screen can show); a place lying wholly off
    // every screen (saved on a screen that is gone, or while the window was minimised) is brought
    // back onto the primary screen at 10 % of its width and height from its top left corner, cut
    // so that it ends within that screen.
    static QRect place(const QRect& stored, const QSize& present, const QList<QRect>& screens,
                       const QRect& primary);
};

}  // namespace tavlo
