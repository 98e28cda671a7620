#include "main_window/marker_tool_bar_placement.h"

#include <algorithm>

namespace tavlo {

MarkerToolBarPlacement MarkerToolBarPlacement::compute(const QRect& frame, bool maximised)
{
    MarkerToolBarPlacement place;
    const int top = std::max(0, frame.top());
    int left = frame.left() - kRoom;
    if (left < 0) {
        const int shift = maximised ? kMaximisedShift : kRoom - frame.left();
        place.moveWindow = true;
        place.window =
            QRect(frame.left() + shift, frame.top(), frame.width() - shift, frame.height());
        left = 0;
    }
    place.toolBar = QPoint(left, top);
    return place;
}

}  // namespace tavlo
