#include "main_window/window_placement.h"

#include <algorithm>

namespace tavlo {

QRect WindowPlacement::place(const QRect& stored, const QSize& present, const QList<QRect>& screens,
                             const QRect& primary)
{
    if (stored.width() <= 0 || stored.height() <= 0) {
        return QRect(primary.x() + (primary.width() - present.width()) / 2,
                     primary.y() + (primary.height() - present.height()) / 2, present.width(),
                     present.height());
    }
    // The window's screen: the one holding its top left corner, else the one it overlaps most.
    const QRect* home = nullptr;
    qint64 overlap = 0;
    for (const QRect& screen : screens) {
        if (screen.contains(stored.topLeft())) {
            home = &screen;
            break;
        }
        const QRect common = screen.intersected(stored);
        const qint64 area = qint64(common.width()) * common.height();
        if (!common.isEmpty() && area > overlap) {
            overlap = area;
            home = &screen;
        }
    }
    if (home) {
        return QRect(stored.topLeft(), QSize(std::min(stored.width(), home->width()),
                                             std::min(stored.height(), home->height())));
    }
    const int left = primary.width() / 10, top = primary.height() / 10;
    return QRect(primary.x() + left, primary.y() + top,
                 std::min(stored.width(), primary.width() - left),
                 std::min(stored.height(), primary.height() - top));
}

}  // namespace tavlo
