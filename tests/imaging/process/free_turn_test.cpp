#include "imaging/process/free_turn.h"
#include "tests/support/test_images.h"

#include <gtest/gtest.h>

namespace tavlo::process {
namespace {

using test::sampleImage;

TEST(FreeTurn, TheCanvasGrowsToHoldTheWholeImageOrKeepsItsSize)
{
    const Image source = sampleImage(ColourCode::Rgb24, 100, 50);
    const Image grown = freelyTurned(source, 571, {true, qRgb(255, 255, 255), false});
    // 100 cos 5.71 + 50 sin 5.71 = 104.5 wide, 100 sin 5.71 + 50 cos 5.71 = 59.7 high
    EXPECT_EQ(test::sizeOf(grown), QSize(105, 60));
    const Image kept = freelyTurned(source, 571, {true, qRgb(255, 255, 255), true});
    EXPECT_EQ(test::sizeOf(kept), QSize(100, 50));
    EXPECT_EQ(test::dpiOf(kept), QSize(200, 300));
}

TEST(FreeTurn, PositiveAnglesTurnLeft)
{
    // A single white pixel right of the centre of a black square moves up when turned left.
    Image image = test::plainImage(ColourCode::Rgb24, 101, 101, qRgb(0, 0, 0));
    uchar* p = image.scanLine(50) + 3 * 90;
    p[0] = p[1] = p[2] = 255;
    const Image turned = freelyTurned(image, 3000, {false, qRgb(0, 0, 0), true});
    // (50.5 + 40 cos 30, 50.5 - 40 sin 30) = (85.1, 30.5)
    EXPECT_EQ(turned.pixelColour(85, 30), qRgb(255, 255, 255));
    EXPECT_EQ(turned.pixelColour(90, 50), qRgb(0, 0, 0));
}

TEST(FreeTurn, InsideKeepsAPlainColourAndUncoveredCornersTakeTheFill)
{
    for (ColourCode code :
         {ColourCode::Rgb24, ColourCode::Rgb32, ColourCode::Grey256, ColourCode::Rgb555}) {
        const QRgb colour = code == ColourCode::Grey256 ? qRgb(90, 90, 90) : qRgb(40, 120, 200);
        const Image image = test::plainImage(code, 60, 40, colour);
        for (bool smooth : {true, false}) {
            const Image turned = freelyTurned(image, 1234, {smooth, qRgb(255, 255, 255), false});
            ASSERT_TRUE(turned.isValid());
            EXPECT_EQ(turned.code(), code);
            EXPECT_EQ(turned.pixelColour(turned.width() / 2, turned.height() / 2),
                      image.pixelColour(0, 0))
                << int(code);
            EXPECT_EQ(turned.pixelColour(0, 0), qRgb(255, 255, 255)) << int(code);
            EXPECT_EQ(turned.pixelColour(turned.width() - 1, turned.height() - 1),
                      qRgb(255, 255, 255));
        }
    }
}

TEST(FreeTurn, SmoothEdgesBlendWithTheFill)
{
    const Image black = test::plainImage(ColourCode::Rgb24, 40, 40, qRgb(0, 0, 0));
    const Image turned = freelyTurned(black, 3000, {true, qRgb(255, 255, 255), false});
    bool between = false;
    for (int x = 0; x < turned.width(); ++x) {
        const int level = qRed(turned.pixelColour(x, turned.height() / 3));
        between = between || (level > 20 && level < 235);
    }
    EXPECT_TRUE(between);
}

TEST(FreeTurn, PaletteAndOneBitImagesKeepCodeAndPalette)
{
    for (ColourCode code :
         {ColourCode::Mono, ColourCode::Palette16, ColourCode::Grey16, ColourCode::Palette256}) {
        const Image source = sampleImage(code, 31, 20);
        for (bool smooth : {true, false}) {
            const Image turned = freelyTurned(source, -2500, {smooth, qRgb(255, 0, 0), false});
            ASSERT_TRUE(turned.isValid()) << int(code);
            EXPECT_EQ(turned.code(), code);
            EXPECT_EQ(turned.palette(), source.palette());
        }
        // Without smoothing every pixel is a source pixel's own index.
        const Image sharp = freelyTurned(source, 700, {false, qRgb(0, 0, 0), true});
        EXPECT_EQ(sharp.pixelColour(15, 10), source.pixelColour(15, 10)) << int(code);
    }
}

TEST(FreeTurn, TurningThereAndBackKeepsTheMiddleClose)
{
    Image gradient = Image::create(80, 60, ColourCode::Rgb24);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x) {
            uchar* p = gradient.scanLine(y) + 3 * x;
            p[0] = uchar(x * 3);
            p[1] = uchar(y * 4);
            p[2] = uchar(128);
        }
    const Image there = freelyTurned(gradient, 1700, {true, qRgb(0, 0, 0), true});
    const Image back = freelyTurned(there, -1700, {true, qRgb(0, 0, 0), true});
    for (int y = 25; y < 35; ++y)
        for (int x = 35; x < 45; ++x) {
            const QRgb a = gradient.pixelColour(x, y), b = back.pixelColour(x, y);
            EXPECT_NEAR(qBlue(a), qBlue(b), 2);
            EXPECT_NEAR(qGreen(a), qGreen(b), 2);
        }
}

}  // namespace
}  // namespace tavlo::process
