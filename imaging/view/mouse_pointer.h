#pragma once

#include <Qt>

namespace tavlo {

// The pointer shape of a MousePointer code, numbered as the classic form controls number them:
// 0 the view's own pointer (a cross over the picture), 1 arrow, 2 cross, 3 I-beam, 5 size all,
// 6 size NE-SW, 7 size N-S, 8 size NW-SE, 9 size W-E, 10 up arrow, 11 hourglass, 12 not allowed,
// 13 arrow with hourglass, 14 hourglass (the busy shape of the main window), 15 size all.
// Unknown codes give the view's own pointer.
Qt::CursorShape cursorShapeForPointer(int code);

}  // namespace tavlo
