#include "imaging/view/mouse_pointer.h"

namespace tavlo {

Qt::CursorShape cursorShapeForPointer(int code)
{
    switch (code) {
    case PointerShape::Arrow: return Qt::ArrowCursor;
    case PointerShape::Cross: return Qt::CrossCursor;
    case PointerShape::IBeam: return Qt::IBeamCursor;
    case PointerShape::SizePointer:
    case PointerShape::SizeAll: return Qt::SizeAllCursor;
    case PointerShape::SizeNeSw: return Qt::SizeBDiagCursor;
    case PointerShape::SizeNS: return Qt::SizeVerCursor;
    case PointerShape::SizeNwSe: return Qt::SizeFDiagCursor;
    case PointerShape::SizeWE: return Qt::SizeHorCursor;
    case PointerShape::UpArrow: return Qt::UpArrowCursor;
    case PointerShape::Hourglass:
    case PointerShape::WindowBusy: return Qt::WaitCursor;
    case PointerShape::NotAllowed: return Qt::ForbiddenCursor;
    case PointerShape::ArrowHourglass: return Qt::BusyCursor;
    default: return Qt::CrossCursor;
    }
}

}  // namespace tavlo
