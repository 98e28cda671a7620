#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QRegion>
#include <QSizeF>
#include <QString>

#include <vector>

class QPainter;

namespace tavlo {

// What a mark of the marker tool bar is.
enum class MarkKind {
    Pen,          // a freehand stroke through points
    Highlighter,  // a freehand stroke that multiplies the picture by its colour (text stays
                  // legible)
    Line,         // a straight line from points[0] to points[1]
    Arrow,        // a line with a filled head at points[1]
    Rectangle,    // the box, outlined or filled
    Ellipse,      // the ellipse inside the box, outlined or filled
    Text,         // one line of text stretched over the box
    Stamp,        // the stamp picture stretched over the box
};

// One mark in image pixels: x and y from the image's top left corner, pixel (x, y) covering
// [x, x + 1) x [y, y + 1). The marker tool bar records points at pixel centres, so a mark drawn at
// any zoom names the same pixels. Painting through a painter whose coordinates are image pixels
// gives the picture that committing writes into the image, so the view and the commit agree.
struct Mark {
    MarkKind kind = MarkKind::Pen;
    std::vector<QPointF> points;  // strokes, lines and arrows
    QRectF box;                   // rectangles, ellipses, text and stamps
    QColor colour = Qt::red;
    double width = 3.0;   // stroke width in image pixels
    bool filled = false;  // rectangles and ellipses
    QString text;
    QImage stamp;
    // Highlighter strength in percent: how much of its colour multiplies the picture.
    int opacity = 50;

    bool usesBox() const;
    // The shape's own frame: the box, or the rectangle through the points.
    QRectF frame() const;
    // Every image pixel the mark may touch (stroke width, arrow head and smoothing included).
    QRectF bounds() const;
    // The same pixels more tightly, as whole-pixel rectangles: a long diagonal stroke or an
    // outline covers a thin band, not its whole bounding box.
    QRegion area() const;
    // Paints the mark; the painter's coordinates are image pixels.
    void paint(QPainter& painter) const;
    // True when p lies on the mark, or within tolerance image pixels of a stroke.
    bool hit(QPointF p, double tolerance) const;
    void moveBy(QPointF offset);
    // Stretches the mark so that its frame becomes target (the stroke width stays; text and
    // stamps stretch with their box).
    void fitFrame(const QRectF& target);
};

// The head length of an arrow of the width: long enough to see on a page at fit.
double arrowHeadLength(double width);

// The box a text needs at a line height in image pixels (the width follows the font).
QSizeF textSizeAt(const QString& text, double pixelHeight);

}  // namespace tavlo
