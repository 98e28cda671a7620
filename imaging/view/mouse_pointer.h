#pragma once

#include <Qt>

namespace tavlo {

// The MousePointer codes, numbered as the classic form controls number them. Unknown codes give
// the view's own pointer.
struct PointerShape {
    enum : int {
        ViewDefault = 0,  // the view's own pointer (a cross over the picture)
        Arrow = 1,
        Cross = 2,
        IBeam = 3,
        SizePointer = 5,  // size all
        SizeNeSw = 6,
        SizeNS = 7,
        SizeNwSe = 8,
        SizeWE = 9,
        UpArrow = 10,
        Hourglass = 11,
        NotAllowed = 12,
        ArrowHourglass = 13,
        WindowBusy = 14,  // an hourglass: the busy shape of the main window
        SizeAll = 15,
    };
};

// The pointer shape of a MousePointer code.
Qt::CursorShape cursorShapeForPointer(int code);

}  // namespace tavlo
