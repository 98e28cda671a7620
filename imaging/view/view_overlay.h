#pragma once

#include "imaging/view/view_geometry.h"

#include <QColor>
#include <QPoint>

#include <functional>
#include <vector>

class QPainter;

namespace tavlo {

// How an overlay mark is stroked; the numbers follow the pen settings of the drawing object.
struct OverlayPen {
    // Raster operation of the pen, numbered like the binary raster operations of the classic
    // drawing interfaces: 1 black, 6 invert what lies under the pen (visible on any picture),
    // 7 exclusive-or with the pen colour, 13 the pen colour (the default), 16 white. Other values
    // draw with the pen colour.
    int mode = 13;
    // Width in view pixels, so a mark keeps its thickness at every zoom; 0 counts as 1.
    int width = 1;
    // 0 solid, 1 dashes, 2 dots, 3 dash-dot, 4 dash-dot-dot, 5 nothing drawn, 6 solid.
    int style = 0;
    QColor colour = Qt::black;
};

// One mark: a line between two image pixels or a rectangle with two image pixels as corners.
// Coordinates are image pixels; a point names the centre of its pixel.
struct OverlayMark {
    enum class Shape { Line, Rectangle };
    Shape shape = Shape::Line;
    QPoint from;
    QPoint to;
    OverlayPen pen;
    bool filled = false;  // rectangles only: filled with the pen colour
};

// The view's drawing surface for marks that are not part of the image: the base line of the
// rotation dialog and the like. Marks are kept in image pixels and repainted with the picture at
// every zoom and scroll until the view is refreshed (RefreshView or DrawImage clears them). They
// never touch the image. User-interface thread only.
class ViewOverlay {
public:
    void add(const OverlayMark& mark);
    void clear();
    bool isEmpty() const { return m_marks.empty(); }
    const std::vector<OverlayMark>& marks() const { return m_marks; }

    // Called after every change, so the view can repaint.
    void setChangedCallback(std::function<void()> changed) { m_changed = std::move(changed); }

    // Paints every mark through the geometry.
    void paint(QPainter& painter, const ViewGeometry& geometry) const;

private:
    std::vector<OverlayMark> m_marks;
    std::function<void()> m_changed;
};

}  // namespace tavlo
