#include "main_window/window_placement.h"

#include <algorithm>

namespace tavlo {

QRect WindowPlacement::place(const QRect& stored, const QSize& present,
                             const QList<QRect>& screens, const QRect& primary)
{
    if (stored.width() <= 0 || stored.height() <= 0) {
        return QRect(primary.x() + (primary.width() - present.width()) / 2,
                     primary.y() + (primary.height() - present.height()) / 2, present.width(),
                     present.height());
    }
    const bool visible = std::any_of(screens.cbegin(), screens.cend(),
                                     [&](const QRect& s) { return s.intersects(stored); });
    if (visible)
        return stored;
    const int left = primary.width() / 10, top = primary.height() / 10;
    return QRect(primary.x() + left, primary.y() + top,
                 std::min(stored.width(), primary.width() - left),
                 std::min(stored.height(), primary.height() - top));
}

}  // namespace tavlo
