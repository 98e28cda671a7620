#include "imaging/scan/paper_size.h"

#include <cmath>

namespace tavlo::scan {

const QList<PaperSize>& PaperSize::all()
{
    static const QList<PaperSize> sizes = {
        {QStringLiteral("A4"), QStringLiteral("A4 (210 x 297 mm)"), 210, 297},
        {QStringLiteral("A5"), QStringLiteral("A5 (148 x 210 mm)"), 148, 210},
        {QStringLiteral("A6"), QStringLiteral("A6 (105 x 148 mm)"), 105, 148},
        {QStringLiteral("B5"), QStringLiteral("B5 (182 x 257 mm)"), 182, 257},
        {QStringLiteral("B6"), QStringLiteral("B6 (128 x 182 mm)"), 128, 182},
        {QStringLiteral("A3"), QStringLiteral("A3 (297 x 420 mm)"), 297, 420},
        {QStringLiteral("B4"), QStringLiteral("B4 (257 x 364 mm)"), 257, 364},
        {QStringLiteral("Letter"), QStringLiteral("ﾚﾀｰ (215.9 x 279.4 mm)"), 215.9, 279.4},
        {QStringLiteral("Legal"), QStringLiteral("ﾘｰｶﾞﾙ (215.9 x 355.6 mm)"), 215.9, 355.6},
        {QStringLiteral("Postcard"), QStringLiteral("ﾊｶﾞｷ (100 x 148 mm)"), 100, 148},
        {QStringLiteral("L"), QStringLiteral("L判 (89 x 127 mm)"), 89, 127},
        {QStringLiteral("BusinessCard"), QStringLiteral("名刺 (55 x 91 mm)"), 55, 91},
    };
    return sizes;
}

const PaperSize* PaperSize::find(const QString& key)
{
    for (const PaperSize& size : all()) {
        if (size.key == key)
            return &size;
    }
    return nullptr;
}

const PaperSize* PaperSize::matching(double widthMm, double heightMm)
{
    for (const PaperSize& size : all()) {
        if (std::abs(size.widthMm - widthMm) <= 0.5 && std::abs(size.heightMm - heightMm) <= 0.5)
            return &size;
    }
    return nullptr;
}

}  // namespace tavlo::scan
