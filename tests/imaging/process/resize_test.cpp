#include "imaging/process/resize.h"
#include "tests/support/test_images.h"

#include <gtest/gtest.h>

namespace tavlo::process {
namespace {

using test::sampleImage;

TEST(Resize, HalvingAveragesEachTwoByTwoBlock)
{
    for (ColourCode code : {ColourCode::Rgb24, ColourCode::Rgb32, ColourCode::Grey256}) {
        const Image source = sampleImage(code, 18, 10);
        const Image half = resized(source, 9, 5);
        ASSERT_TRUE(half.isValid());
        EXPECT_EQ(half.code(), code);
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 9; ++x) {
                int sum[3] = {};
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx) {
                        const QRgb c = source.pixelColour(2 * x + dx, 2 * y + dy);
                        sum[0] += qRed(c);
                        sum[1] += qGreen(c);
                        sum[2] += qBlue(c);
                    }
                // Halves round up.
                EXPECT_EQ(half.pixelColour(x, y),
                          qRgb((sum[0] + 2) / 4, (sum[1] + 2) / 4, (sum[2] + 2) / 4))
                    << int(code) << " at " << x << "," << y;
            }
        }
    }
}

TEST(Resize, ShrinkingByAnOddRatioWeighsPartlyCoveredPixels)
{
    // Three pixels into two: (2a + b) / 3 and (b + 2c) / 3.
    const Image two = resized(test::greyRow({0, 90, 255}), 2, 1);
    EXPECT_EQ(qRed(two.pixelColour(0, 0)), 30);
    EXPECT_EQ(qRed(two.pixelColour(1, 0)), 200);
}

TEST(Resize, EnlargingIsBilinearBetweenPixelCentres)
{
    const Image four = resized(test::greyRow({0, 255}), 4, 3);
    const int expected[4] = {0, 64, 191, 255};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(qRed(four.pixelColour(x, y)), expected[x]) << x << "," << y;
}

TEST(Resize, APlainImageStaysPlainAtAnySize)
{
    const Image plain = test::plainImage(ColourCode::Rgb24, 37, 23, qRgb(12, 200, 99));
    for (const QSize size :
         {QSize(11, 7), QSize(100, 80), QSize(1, 1), QSize(37, 5), QSize(3, 90)}) {
        const Image result = resized(plain, size.width(), size.height());
        ASSERT_EQ(test::sizeOf(result), size);
        const Image expected =
            test::plainImage(ColourCode::Rgb24, size.width(), size.height(), qRgb(12, 200, 99));
        EXPECT_EQ(test::largestDifference(result, expected), 0);
    }
}

TEST(Resize, EveryCodeKeepsItsCodePaletteAndDpiAndNearestCopiesPixelsExactly)
{
    for (ColourCode code : kAllColourCodes) {
        const Image source = sampleImage(code, 21, 14);
        for (ResizeMethod method : {ResizeMethod::Smooth, ResizeMethod::Nearest}) {
            for (const QSize size : {QSize(10, 7), QSize(45, 31), QSize(42, 28)}) {
                const Image result = resized(source, size.width(), size.height(), method);
                SCOPED_TRACE(testing::Message()
                             << code << " method " << int(method) << " " << size.width());
                ASSERT_TRUE(result.isValid());
                EXPECT_EQ(result.code(), code);
                EXPECT_EQ(result.palette(), source.palette());
                EXPECT_EQ(test::sizeOf(result), size);
                EXPECT_EQ(test::dpiOf(result), QSize(200, 300));
                if (method == ResizeMethod::Nearest && size == QSize(42, 28)) {
                    for (int y = 0; y < 28; ++y)
                        for (int x = 0; x < 42; ++x)
                            ASSERT_EQ(result.pixelColour(x, y), source.pixelColour(x / 2, y / 2));
                    EXPECT_TRUE(samePixels(resized(result, 21, 14, ResizeMethod::Nearest), source));
                }
            }
        }
    }
}

TEST(Resize, OneBitShrinksToTheNearerOfItsTwoColours)
{
    // A block with one white pixel of four turns black, one with three white pixels white.
    Image mono = Image::create(4, 2, ColourCode::Mono);
    mono.scanLine(0)[0] = 0x10;  // row 0: 0 0 0 1
    mono.scanLine(1)[0] = 0x70;  // row 1: 0 1 1 1
    const Image half = resized(mono, 2, 1);
    EXPECT_EQ(half.pixelColour(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(half.pixelColour(1, 0), qRgb(255, 255, 255));
}

TEST(Resize, SizesOutsideTheLimitsFail)
{
    const Image source = sampleImage(ColourCode::Rgb24, 4, 4);
    EXPECT_TRUE(resized(source, 0, 4).isNull());
    EXPECT_TRUE(resized(source, 4, -1).isNull());
    EXPECT_TRUE(resized(source, Image::kMaxSide + 1, 1).isNull());
}

}  // namespace
}  // namespace tavlo::process
