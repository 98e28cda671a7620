#include "imaging/pdf/page_layout.h"

#include <algorithm>

namespace tavlo::pdf {
namespace {

struct Paper {
    const char* name;
    double widthMm;
    double heightMm;
};

constexpr Paper kPapers[] = {
    {"A3", 297, 420}, {"A4", 210, 297},         {"A5", 148, 210},        {"B4", 257, 364},
    {"B5", 182, 257}, {"Letter", 215.9, 279.4}, {"Legal", 215.9, 355.6},
};

constexpr double kPointsPerMm = 72.0 / 25.4;

}  // namespace

QSizeF physicalSize(int width, int height, int dpiX, int dpiY, int orientation)
{
    const QSizeF stored(width * 72.0 / (dpiX > 0 ? dpiX : 72),
                        height * 72.0 / (dpiY > 0 ? dpiY : 72));
    return orientation >= 5 && orientation <= 8 ? stored.transposed() : stored;
}

QStringList paperNames()
{
    QStringList names;
    for (const Paper& paper : kPapers)
        names.append(QLatin1String(paper.name));
    return names;
}

std::optional<QSizeF> paperSize(const QString& name)
{
    for (const Paper& paper : kPapers) {
        if (name.compare(QLatin1String(paper.name), Qt::CaseInsensitive) == 0)
            return QSizeF(paper.widthMm * kPointsPerMm, paper.heightMm * kPointsPerMm);
    }
    return std::nullopt;
}

PagePlacement placePicture(const QSizeF& picture, const std::optional<QSizeF>& paper)
{
    if (!paper)
        return {picture, QRectF(QPointF(0, 0), picture)};
    QSizeF page = *paper;
    if (picture.width() > picture.height())
        page.transpose();
    const double scale =
        std::min({1.0, page.width() / picture.width(), page.height() / picture.height()});
    const QSizeF shown = picture * scale;
    const QPointF corner((page.width() - shown.width()) / 2, (page.height() - shown.height()) / 2);
    return {page, QRectF(corner, shown)};
}

std::array<double, 6> imageMatrix(const QRectF& target, int orientation)
{
    // Where the unit square's (s, t) lands, as fractions of the target: x = a1 s + b1 t + c1 and
    // y = a2 s + b2 t + c2, for each orientation (mirrors and quarter turns of the stored rows).
    static constexpr int kTurns[8][6] = {
        {1, 0, 0, 0, 1, 0},   {-1, 0, 1, 0, 1, 0}, {-1, 0, 1, 0, -1, 1}, {1, 0, 0, 0, -1, 1},
        {0, -1, 1, -1, 0, 1}, {0, 1, 0, -1, 0, 1}, {0, 1, 0, 1, 0, 0},   {0, -1, 1, 1, 0, 0},
    };
    const int* m = kTurns[orientation >= 1 && orientation <= 8 ? orientation - 1 : 0];
    const double w = target.width();
    const double h = target.height();
    return {w * m[0], h * m[3], w * m[1], h * m[4], target.x() + w * m[2], target.y() + h * m[5]};
}

}  // namespace tavlo::pdf
