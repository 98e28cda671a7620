#include "imaging/process/emphasis.h"
#include "imaging/process/polygon_region.h"
#include "tests/support/test_images.h"

#include <gtest/gtest.h>

#include <functional>

namespace tavlo::process {
namespace {

using test::sampleImage;

QPolygon rectangle(int left, int top, int right, int bottom)
{
    return QPolygon(
        {QPoint(left, top), QPoint(right, top), QPoint(right, bottom), QPoint(left, bottom)});
}

using Emphasis = std::function<bool(Image&, const QPolygon&)>;

const std::pair<const char*, Emphasis> kEmphases[] = {
    {"fill", [](Image& i, const QPolygon& p) { return emphasizeRelativeFill(i, p, 55, 55, 55); }},
    {"adjust", [](Image& i, const QPolygon& p) { return emphasizeRelativeAdjust(i, p, -100); }},
    {"marker", [](Image& i, const QPolygon& p) { return emphasizeMarker(i, p, 0, 0, -1); }},
};

TEST(PolygonRegion, ARectangleHoldsExactlyItsPixels)
{
    const PolygonRegion region(rectangle(2, 1, 7, 4), 10, 6);
    for (int y = 0; y < 6; ++y) {
        ASSERT_EQ(region.spans(y).size(), y >= 1 && y < 4 ? 1u : 0u) << y;
        if (!region.spans(y).empty()) {
            EXPECT_EQ(std::pair(region.spans(y)[0].begin, region.spans(y)[0].end), std::pair(2, 7))
                << y;
        }
    }
    const PolygonRegion clipped(rectangle(-3, -3, 30, 2), 10, 6);
    EXPECT_EQ(std::pair(clipped.spans(0)[0].begin, clipped.spans(0)[0].end), std::pair(0, 10));
    EXPECT_TRUE(clipped.spans(2).empty());
    EXPECT_TRUE(PolygonRegion(QPolygon({QPoint(0, 0), QPoint(5, 5)}), 10, 6).isEmpty());
    EXPECT_TRUE(PolygonRegion(rectangle(3, 3, 3, 5), 10, 6).isEmpty());
}

TEST(Emphasis, OnlyPixelsInsideChangeAtEveryCode)
{
    const QPolygon shapes[] = {rectangle(3, 2, 14, 9),
                               QPolygon({QPoint(1, 1), QPoint(16, 4), QPoint(5, 11)})};
    for (ColourCode code : kAllColourCodes) {
        const Image source = sampleImage(code, 17, 12);
        for (const QPolygon& shape : shapes) {
            const PolygonRegion region(shape, 17, 12);
            for (const auto& [name, emphasise] : kEmphases) {
                Image image = source;
                ASSERT_TRUE(emphasise(image, shape));
                SCOPED_TRACE(testing::Message() << int(code) << " " << name);
                ASSERT_TRUE(image.isValid());
                EXPECT_EQ(image.dpiX(), 200);
                int changedInside = 0;
                for (int y = 0; y < 12; ++y) {
                    std::vector<bool> inside(17, false);
                    for (const auto& span : region.spans(y))
                        std::fill(inside.begin() + span.begin, inside.begin() + span.end, true);
                    for (int x = 0; x < 17; ++x) {
                        const bool changed = image.pixelColour(x, y) != source.pixelColour(x, y);
                        ASSERT_TRUE(inside[x] || !changed) << x << "," << y;
                        changedInside += changed;
                    }
                }
                if (!isIndexedCode(code)) {
                    EXPECT_GT(changedInside, 10);
                }
            }
        }
    }
}

TEST(Emphasis, DirectColourTakesTheDocumentedColours)
{
    Image image = test::plainImage(ColourCode::Rgb24, 4, 4, qRgb(250, 22, 200));
    const QPolygon all = rectangle(0, 0, 4, 4);
    ASSERT_TRUE(emphasizeRelativeFill(image, all, 55, 55, 55));
    EXPECT_EQ(image.pixelColour(1, 1), qRgb(255, 77, 255));
    ASSERT_TRUE(emphasizeRelativeAdjust(image, all, -100));
    EXPECT_EQ(image.pixelColour(1, 1), qRgb(205, 97, 205));

    Image paper = test::plainImage(ColourCode::Rgb32, 4, 4, qRgb(255, 255, 255));
    ASSERT_TRUE(emphasizeMarker(paper, all, 0, 0, -1));
    EXPECT_EQ(paper.pixelColour(0, 0), qRgb(255, 255, 0));
    Image ink = test::plainImage(ColourCode::Rgb24, 2, 2, qRgb(30, 30, 30));
    ASSERT_TRUE(emphasizeMarker(ink, rectangle(0, 0, 2, 2), 255, 128, 0));
    EXPECT_EQ(ink.pixelColour(0, 0), qRgb(30, 15, 0));

    Image flat = test::plainImage(ColourCode::Rgb24, 2, 2, qRgb(0, 255, 40));
    ASSERT_TRUE(emphasizeRelativeAdjust(flat, rectangle(0, 0, 2, 2), -255));
    EXPECT_EQ(flat.pixelColour(1, 1), qRgb(128, 128, 128));
}

TEST(Emphasis, GreyStaysGreyAndAPaletteWithRoomGainsTheNewColours)
{
    Image grey = test::plainImage(ColourCode::Grey256, 3, 3, qRgb(255, 255, 255));
    ASSERT_TRUE(emphasizeMarker(grey, rectangle(0, 0, 3, 3), 0, 0, -1));
    EXPECT_EQ(grey.code(), ColourCode::Grey256);
    EXPECT_EQ(grey.pixelColour(1, 1), qRgb(226, 226, 226));  // luma of yellow

    // Black and white as 16 greys with two entries: room for the yellow.
    Image twoGreys = Image::create(4, 2, ColourCode::Grey16);
    twoGreys.pixels().setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    twoGreys.pixels().fill(1);
    ASSERT_TRUE(emphasizeMarker(twoGreys, rectangle(0, 0, 2, 2), 0, 0, -1));
    EXPECT_EQ(twoGreys.code(), ColourCode::Palette16);
    EXPECT_EQ(twoGreys.pixelColour(0, 0), qRgb(255, 255, 0));
    EXPECT_EQ(twoGreys.pixelColour(3, 1), qRgb(255, 255, 255));

    // A full palette gives the nearest entry.
    Image full = sampleImage(ColourCode::Grey16, 5, 5);
    const QVector<QRgb> palette = full.palette();
    ASSERT_TRUE(emphasizeRelativeFill(full, rectangle(0, 0, 5, 5), 55, 55, 55));
    EXPECT_EQ(full.palette(), palette);
}

TEST(Emphasis, APolygonWithoutPixelsChangesNothing)
{
    const Image source = sampleImage(ColourCode::Rgb24, 6, 6);
    for (const auto& [name, emphasise] : kEmphases) {
        Image image = source;
        EXPECT_FALSE(emphasise(image, rectangle(2, 2, 2, 5))) << name;
        EXPECT_FALSE(emphasise(image, rectangle(7, 0, 9, 6))) << name;
        EXPECT_FALSE(emphasise(image, QPolygon({QPoint(0, 0), QPoint(4, 4)}))) << name;
        EXPECT_TRUE(samePixels(image, source));
    }
}

}  // namespace
}  // namespace tavlo::process
