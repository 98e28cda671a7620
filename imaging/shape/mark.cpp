#include "imaging/shape/mark.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace tavlo {
namespace {

// Text is laid out once at this pixel size and stretched over its box, so a note keeps its shape
// when the box is resized and looks the same at every zoom.
constexpr int kTextReferencePixels = 64;

QFont textFont()
{
    QFont font;
    font.setPixelSize(kTextReferencePixels);
    return font;
}

// The width a stroke is painted with. Qt paints pens of one device pixel or less with its thin-line
// stroker, whose ends depend on the size of the surface; the commit paints tile by tile, so every
// stroke is at least a little wider than one pixel and goes through the exact stroker.
double paintedWidth(double width)
{
    return std::max(width, 1.05);
}

double distanceToSegment(QPointF p, QPointF a, QPointF b)
{
    const QPointF ab = b - a;
    const double length2 = QPointF::dotProduct(ab, ab);
    double t = length2 > 0 ? QPointF::dotProduct(p - a, ab) / length2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const QPointF d = p - (a + t * ab);
    return std::hypot(d.x(), d.y());
}

QPointF mapInto(QPointF p, const QRectF& from, const QRectF& to)
{
    const double sx = from.width() > 0 ? to.width() / from.width() : 1.0;
    const double sy = from.height() > 0 ? to.height() / from.height() : 1.0;
    return QPointF(to.left() + (p.x() - from.left()) * sx, to.top() + (p.y() - from.top()) * sy);
}

void paintArrow(QPainter& painter, const Mark& mark)
{
    const QPointF from = mark.points.front();
    const QPointF to = mark.points.back();
    const QPointF d = to - from;
    const double length = std::hypot(d.x(), d.y());
    const double head = arrowHeadLength(mark.width);
    painter.setPen(
        QPen(mark.colour, paintedWidth(mark.width), Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    if (length <= 0.0) {
        return;
    }
    const QPointF unit = d / length;
    const QPointF normal(-unit.y(), unit.x());
    const QPointF base = to - unit * std::min(head, length);
    painter.drawLine(from, base);
    painter.setPen(Qt::NoPen);
    painter.setBrush(mark.colour);
    const QPointF wing = normal * (std::min(head, length) * 0.5);
    painter.drawPolygon(QPolygonF({to, base + wing, base - wing}));
}

// A segment thickened by margin, as rectangles along it no longer than kPiece, so a diagonal line
// does not stand for its whole bounding box.
void addSegment(QRegion& region, QPointF a, QPointF b, double margin)
{
    constexpr double kPiece = 32.0;
    const QPointF d = b - a;
    const int pieces = std::max(1, int(std::ceil(std::hypot(d.x(), d.y()) / kPiece)));
    for (int i = 0; i < pieces; ++i) {
        const QPointF from = a + d * (double(i) / pieces);
        const QPointF to = a + d * (double(i + 1) / pieces);
        region += QRectF(from, to)
                      .normalized()
                      .adjusted(-margin, -margin, margin, margin)
                      .toAlignedRect();
    }
}

}  // namespace

double arrowHeadLength(double width)
{
    return std::max(12.0, width * 4.0);
}

bool Mark::usesBox() const
{
    return kind == MarkKind::Rectangle || kind == MarkKind::Ellipse || kind == MarkKind::Text ||
           kind == MarkKind::Stamp;
}

QRectF Mark::frame() const
{
    if (usesBox() || points.empty())
        return box.normalized();
    double left = points.front().x(), right = left;
    double top = points.front().y(), bottom = top;
    for (const QPointF& p : points) {
        left = std::min(left, p.x());
        right = std::max(right, p.x());
        top = std::min(top, p.y());
        bottom = std::max(bottom, p.y());
    }
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

QRectF Mark::bounds() const
{
    double margin = 2.0;  // smoothed edges
    if (kind == MarkKind::Arrow)
        margin += std::max(width, arrowHeadLength(width));
    else if (!usesBox() || ((kind == MarkKind::Rectangle || kind == MarkKind::Ellipse) && !filled))
        margin += width / 2.0;
    return frame().adjusted(-margin, -margin, margin, margin);
}

QRegion Mark::area() const
{
    const QRectF outer = bounds();
    if (kind == MarkKind::Pen || kind == MarkKind::Highlighter || kind == MarkKind::Line ||
        kind == MarkKind::Arrow) {
        if (points.empty())
            return QRegion();
        QRegion region;
        const double margin = width / 2.0 + 2.0;
        for (std::size_t i = 0; i < points.size(); ++i)
            addSegment(region, points[i > 0 ? i - 1 : 0], points[i], margin);
        if (kind == MarkKind::Arrow) {
            const double head = arrowHeadLength(width) + margin;
            const QPointF tip = points.back();
            region += QRectF(tip - QPointF(head, head), tip + QPointF(head, head)).toAlignedRect();
        }
        return region;
    }
    QRegion region(outer.toAlignedRect());
    if ((kind == MarkKind::Rectangle || kind == MarkKind::Ellipse) && !filled) {
        // An outline leaves the middle of its box alone: for an ellipse, the square inside it.
        const QRectF frame = box.normalized();
        const double inset = width / 2.0 + 2.0;
        QRectF inner = frame.adjusted(inset, inset, -inset, -inset);
        if (kind == MarkKind::Ellipse) {
            const double keep = 1.0 / std::sqrt(2.0);
            inner = QRectF(0, 0, inner.width() * keep, inner.height() * keep);
            inner.moveCenter(frame.center());
        }
        if (inner.width() > 2 && inner.height() > 2) {
            // Whole pixels lying entirely inside.
            const QRect inside(
                QPoint(int(std::ceil(inner.left())), int(std::ceil(inner.top()))),
                QPoint(int(std::floor(inner.right())) - 1, int(std::floor(inner.bottom())) - 1));
            region -= QRegion(inside);
        }
    }
    return region;
}

void Mark::paint(QPainter& painter) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.setBrush(Qt::NoBrush);
    switch (kind) {
    case MarkKind::Pen:
    case MarkKind::Highlighter: {
        if (points.empty())
            break;
        QColor colour = this->colour;
        if (kind == MarkKind::Highlighter) {
            painter.setCompositionMode(QPainter::CompositionMode_Multiply);
            colour.setAlpha(std::clamp(opacity, 0, 100) * 255 / 100);
        }
        painter.setPen(
            QPen(colour, paintedWidth(width), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        if (points.size() == 1) {
            painter.drawPoint(points.front());
            break;
        }
        QPainterPath path(points.front());
        for (std::size_t i = 1; i < points.size(); ++i)
            path.lineTo(points[i]);
        painter.drawPath(path);
        break;
    }
    case MarkKind::Line:
        if (points.size() < 2)
            break;
        painter.setPen(
            QPen(colour, paintedWidth(width), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawLine(points.front(), points.back());
        break;
    case MarkKind::Arrow:
        if (points.size() >= 2)
            paintArrow(painter, *this);
        break;
    case MarkKind::Rectangle:
    case MarkKind::Ellipse:
        if (filled) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(colour);
        } else {
            painter.setPen(
                QPen(colour, paintedWidth(width), Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        }
        if (kind == MarkKind::Rectangle)
            painter.drawRect(box.normalized());
        else
            painter.drawEllipse(box.normalized());
        break;
    case MarkKind::Text: {
        const QRectF area = box.normalized();
        const QFont font = textFont();
        const QFontMetricsF metrics(font);
        const double naturalWidth = std::max(1.0, metrics.horizontalAdvance(text));
        painter.translate(area.topLeft());
        painter.scale(area.width() / naturalWidth, area.height() / metrics.height());
        painter.setFont(font);
        painter.setPen(colour);
        painter.drawText(QPointF(0, metrics.ascent()), text);
        break;
    }
    case MarkKind::Stamp:
        if (!stamp.isNull())
            painter.drawImage(box.normalized(), stamp);
        break;
    }
    painter.restore();
}

bool Mark::hit(QPointF p, double tolerance) const
{
    if (usesBox())
        return box.normalized().adjusted(-tolerance, -tolerance, tolerance, tolerance).contains(p);
    if (points.empty())
        return false;
    const double reach = width / 2.0 + tolerance;
    if (points.size() == 1)
        return distanceToSegment(p, points.front(), points.front()) <= reach;
    for (std::size_t i = 1; i < points.size(); ++i) {
        if (distanceToSegment(p, points[i - 1], points[i]) <= reach)
            return true;
    }
    return false;
}

void Mark::moveBy(QPointF offset)
{
    for (QPointF& p : points)
        p += offset;
    box.translate(offset);
}

void Mark::fitFrame(const QRectF& target)
{
    const QRectF from = frame();
    for (QPointF& p : points)
        p = mapInto(p, from, target);
    if (usesBox())
        box = target.normalized();
}

// The natural size of a text at a pixel height, for placing a new note.
QSizeF textSizeAt(const QString& text, double pixelHeight)
{
    const QFontMetricsF metrics(textFont());
    const double scale = pixelHeight / metrics.height();
    return QSizeF(std::max(1.0, metrics.horizontalAdvance(text)) * scale, pixelHeight);
}

}  // namespace tavlo
