#include "imaging/pdf/page_layout.h"
#include "imaging/pdf/pdf_document.h"

#include <QTimeZone>

#include <gtest/gtest.h>

namespace tavlo::pdf {
namespace {

constexpr double kA4Width = 595.2756;
constexpr double kA4Height = 841.8898;

void expectRect(const QRectF& actual, const QRectF& expected)
{
    EXPECT_NEAR(actual.x(), expected.x(), 0.001);
    EXPECT_NEAR(actual.y(), expected.y(), 0.001);
    EXPECT_NEAR(actual.width(), expected.width(), 0.001);
    EXPECT_NEAR(actual.height(), expected.height(), 0.001);
}

TEST(PageLayout, PhysicalSizeCountsNoResolutionAs72AndTurnsWithTheOrientation)
{
    EXPECT_EQ(physicalSize(300, 600, 300, 150), QSizeF(72, 288));
    EXPECT_EQ(physicalSize(300, 600, 0, 0), QSizeF(300, 600));
    EXPECT_EQ(physicalSize(300, 600, 300, 150, 6), QSizeF(288, 72));
    EXPECT_EQ(physicalSize(300, 600, 300, 150, 4), QSizeF(72, 288));
}

TEST(PageLayout, PaperNamesIgnoreCaseAndUnknownOnesAreRefused)
{
    ASSERT_TRUE(paperSize(QStringLiteral("a4")));
    EXPECT_NEAR(paperSize(QStringLiteral("a4"))->width(), kA4Width, 0.001);
    EXPECT_NEAR(paperSize(QStringLiteral("A4"))->height(), kA4Height, 0.001);
    EXPECT_EQ(*paperSize(QStringLiteral("LETTER")), QSizeF(612, 792));
    EXPECT_NEAR(paperSize(QStringLiteral("B5"))->width(), 182 * 72 / 25.4, 0.001);
    for (const QString& name : paperNames())
        EXPECT_TRUE(paperSize(name)) << name.toStdString();
    EXPECT_FALSE(paperSize(QStringLiteral("A10")));
    EXPECT_FALSE(paperSize(QString()));
}

TEST(PageLayout, OnPaperThePictureIsCentredAtItsSizeAndShrunkOnlyToFit)
{
    const QSizeF a4(kA4Width, kA4Height);
    struct Case {
        const char* name;
        QSizeF picture;
        QSizeF page;
        QRectF image;
    };
    const Case cases[] = {
        {"smaller", {100, 200}, a4, {(kA4Width - 100) / 2, (kA4Height - 200) / 2, 100, 200}},
        {"exactly the paper", a4, a4, {0, 0, kA4Width, kA4Height}},
        {"too wide",
         {kA4Width * 2, 100},
         a4.transposed(),
         {0, (kA4Width - 100 * kA4Height / (kA4Width * 2)) / 2, kA4Height,
          100 * kA4Height / (kA4Width * 2)}},
        {"too high", {100, kA4Height * 4}, a4, {(kA4Width - 25) / 2, 0, 25, kA4Height}},
        {"landscape turns the paper",
         {800, 500},
         a4.transposed(),
         {(kA4Height - 800) / 2, (kA4Width - 500) / 2, 800, 500}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PagePlacement placed = placePicture(c.picture, a4);
        EXPECT_NEAR(placed.page.width(), c.page.width(), 0.001);
        EXPECT_NEAR(placed.page.height(), c.page.height(), 0.001);
        expectRect(placed.image, c.image);
    }
    const PagePlacement own = placePicture({123, 45}, std::nullopt);
    EXPECT_EQ(own.page, QSizeF(123, 45));
    EXPECT_EQ(own.image, QRectF(0, 0, 123, 45));
}

// The stored picture's top-left and top-right corners (unit square (0, 1) and (1, 1)) land where
// the EXIF orientation puts them in the upright picture.
TEST(PageLayout, ImageMatrixTurnsTheStoredCornersUpright)
{
    const QRectF target(10, 20, 300, 100);
    const QPointF topLeft(10, 120), topRight(310, 120), bottomLeft(10, 20), bottomRight(310, 20);
    const struct {
        QPointF first;
        QPointF last;
    } expected[8] = {
        {topLeft, topRight},       {topRight, topLeft},   {bottomRight, bottomLeft},
        {bottomLeft, bottomRight}, {topLeft, bottomLeft}, {topRight, bottomRight},
        {bottomRight, topRight},   {bottomLeft, topLeft},
    };
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const std::array<double, 6> m = imageMatrix(target, orientation);
        auto map = [&m](double s, double t) {
            return QPointF(m[0] * s + m[2] * t + m[4], m[1] * s + m[3] * t + m[5]);
        };
        EXPECT_EQ(map(0, 1), expected[orientation - 1].first);
        EXPECT_EQ(map(1, 1), expected[orientation - 1].last);
    }
    EXPECT_EQ(imageMatrix(target, 0), imageMatrix(target, 1));
}

TEST(PdfDate, LocalTimeCarriesItsOffsetFromUtc)
{
    const QDate day(2026, 12, 7);
    const QTime time(9, 5, 3);
    EXPECT_EQ(pdfDate(QDateTime(day, time, QTimeZone(9 * 3600))),
              QStringLiteral("D:20261207090503+09'00'"));
    EXPECT_EQ(pdfDate(QDateTime(day, time, QTimeZone(-(3 * 3600 + 1800)))),
              QStringLiteral("D:20261207090503-03'30'"));
    EXPECT_EQ(pdfDate(QDateTime(day, time, QTimeZone::utc())), QStringLiteral("D:20261207090503Z"));
}

}  // namespace
}  // namespace tavlo::pdf
