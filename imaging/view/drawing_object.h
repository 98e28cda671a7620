#pragma once

#include "imaging/view/view_overlay.h"

#include <QRgb>

namespace tavlo {

// The drawing calls of the control's drawing object (its PrinterObject): a pen and the marks
// drawn with it on the view's drawing surface (ImagingControl::ViewDC()). Marks are drawn over the
// picture in image pixels and never into the image; RefreshView and DrawImage remove them.
//
// The pen (see OverlayPen for the meaning of each number): PenMode 13 copies the pen colour and 6
// inverts what lies under the pen; PenWidth is in view pixels; PenStyle 0 solid, 1 dashes, 2 dots,
// 3 dash-dot, 4 dash-dot-dot, 5 none. ResetDrawSettings gives mode 13, width 1, style 0, black.
// The rotation dialog draws its base line with mode 6, width 2, style 1: a dashed line that
// inverts the picture, visible on black and on white.
//
// User-interface thread only.
class DrawingObject {
public:
    void ResetDrawSettings();

    int PenMode() const { return m_pen.mode; }
    void setPenMode(int mode) { m_pen.mode = mode; }
    int PenWidth() const { return m_pen.width; }
    void setPenWidth(int width) { m_pen.width = width; }
    int PenStyle() const { return m_pen.style; }
    void setPenStyle(int style) { m_pen.style = style; }
    QRgb PenColor() const { return m_pen.colour.rgb(); }
    void setPenColor(QRgb colour) { m_pen.colour = QColor::fromRgb(colour); }

    // A line from the centre of image pixel (x1, y1) to the centre of (x2, y2). The last argument
    // is not used by lines (callers pass 0). False when surface is null.
    bool DrawLine(ViewOverlay* surface, int x1, int y1, int x2, int y2, int unused);

    // A rectangle whose corners are the centres of image pixels (x1, y1) and (x2, y2). fill 0 draws
    // the outline only; any other value also fills it with the pen colour. False when surface is
    // null.
    bool DrawRectangle(ViewOverlay* surface, int x1, int y1, int x2, int y2, int fill);

private:
    OverlayPen m_pen;
};

}  // namespace tavlo
