#include "imaging/view/view_overlay.h"

#include <QPainter>
#include <QPen>

#include <algorithm>

namespace tavlo {
namespace {

Qt::PenStyle penStyle(int style)
{
    switch (style) {
    case 1: return Qt::DashLine;
    case 2: return Qt::DotLine;
    case 3: return Qt::DashDotLine;
    case 4: return Qt::DashDotDotLine;
    case 5: return Qt::NoPen;
    default: return Qt::SolidLine;
    }
}

// The colour and composition that carry out the pen's raster operation.
void applyMode(QPainter& painter, const OverlayPen& pen, QColor& colour)
{
    colour = pen.colour;
    switch (pen.mode) {
    case 1:
        colour = Qt::black;
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        break;
    case 6:
        colour = Qt::white;  // the colour is ignored by the operation, only coverage counts
        painter.setCompositionMode(QPainter::RasterOp_NotDestination);
        break;
    case 7: painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination); break;
    case 16:
        colour = Qt::white;
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        break;
    default: painter.setCompositionMode(QPainter::CompositionMode_SourceOver); break;
    }
}

// The view position of the centre of an image pixel.
QPointF centreOf(const ViewGeometry& geometry, QPoint pixel)
{
    return geometry.toView(QPointF(pixel.x() + 0.5, pixel.y() + 0.5));
}

}  // namespace

void ViewOverlay::add(const OverlayMark& mark)
{
    m_marks.push_back(mark);
    if (m_changed)
        m_changed();
}

void ViewOverlay::clear()
{
    if (m_marks.empty())
        return;
    m_marks.clear();
    if (m_changed)
        m_changed();
}

void ViewOverlay::paint(QPainter& painter, const ViewGeometry& geometry) const
{
    if (m_marks.empty() || geometry.isNull())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const OverlayMark& mark : m_marks) {
        if (mark.pen.style == 5 && !mark.filled)
            continue;
        QColor colour;
        applyMode(painter, mark.pen, colour);
        QPen pen(colour);
        pen.setWidth(std::max(1, mark.pen.width));
        pen.setStyle(penStyle(mark.pen.style));
        pen.setCosmetic(true);
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
        const QPointF a = centreOf(geometry, mark.from);
        const QPointF b = centreOf(geometry, mark.to);
        if (mark.shape == OverlayMark::Shape::Line) {
            painter.setBrush(Qt::NoBrush);
            painter.drawLine(a, b);
        } else {
            painter.setBrush(mark.filled ? QBrush(colour) : QBrush(Qt::NoBrush));
            painter.drawRect(QRectF(a, b).normalized());
        }
    }
    painter.restore();
}

}  // namespace tavlo
