#include "imaging/view/drawing_object.h"

namespace tavlo {

void DrawingObject::ResetDrawSettings()
{
    m_pen = OverlayPen();
}

bool DrawingObject::DrawLine(ViewOverlay* surface, int x1, int y1, int x2, int y2, int /*unused*/)
{
    if (!surface)
        return false;
    surface->add({OverlayMark::Shape::Line, QPoint(x1, y1), QPoint(x2, y2), m_pen, false});
    return true;
}

bool DrawingObject::DrawRectangle(ViewOverlay* surface, int x1, int y1, int x2, int y2, int fill)
{
    if (!surface)
        return false;
    surface->add({OverlayMark::Shape::Rectangle, QPoint(x1, y1), QPoint(x2, y2), m_pen, fill != 0});
    return true;
}

}  // namespace tavlo
