#pragma once

#include <QList>
#include <QRect>

namespace tavlo {

// Where the window goes at start from its stored place (already in pixels).
class WindowPlacement {
public:
    // A stored place with a width or height of zero or less keeps the window's present size and
    // centres it on the screen. Otherwise the stored place is used, except that a place lying
    // wholly off every screen (saved on a screen that is gone, or while the window was
    // minimised) is brought back onto the primary screen at 10 % of its width and height from its
    // top left corner, cut so that it ends within that screen.
    static QRect place(const QRect& stored, const QSize& present, const QList<QRect>& screens,
                       const QRect& primary);
};

}  // namespace tavlo
