#pragma once

#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace tavlo::pdf {

// Where a picture lies on a PDF page. All lengths are in points (1/72 inch); the image rectangle
// is in PDF page coordinates (origin at the bottom left, y upwards).
struct PagePlacement {
    QSizeF page;
    QRectF image;
};

// The physical size of a picture in points: pixels over dots per inch, where 0 counts as 72.
// With EXIF orientation 5..8 the stored rows stand a quarter turn from upright, so the upright
// picture's width comes from the height and the vertical dots per inch, and the other way round.
QSizeF physicalSize(int width, int height, int dpiX, int dpiY, int orientation = 1);

// The paper names --paper takes (A3 A4 A5 B4 B5 Letter Legal; B4 and B5 are the JIS sizes
// Japanese copiers use), and the portrait size of one, ignoring letter case; nothing for others.
QStringList paperNames();
std::optional<QSizeF> paperSize(const QString& name);

// Without paper the page is the picture's size. With paper, the page is that paper, turned to
// landscape when the picture is wider than high, and the picture sits in its centre at its
// physical size, shrunk (keeping its proportions) when it does not fit.
PagePlacement placePicture(const QSizeF& picture, const std::optional<QSizeF>& paper);

// The matrix [a b c d e f] that draws a PDF image (the unit square, its first row at the top)
// into the rectangle, turned upright from EXIF orientation 1..8 (anything else reads as 1).
std::array<double, 6> imageMatrix(const QRectF& target, int orientation);

}  // namespace tavlo::pdf
