#include "imaging/process/mirror.h"
#include "imaging/process/quarter_turn.h"
#include "imaging/process/rotation.h"
#include "tests/imaging/process/sample_images.h"

#include <gtest/gtest.h>

namespace tavlo::process {
namespace {

using test::sampleImage;

const QSize kSizes[] = {QSize(1, 1), QSize(7, 5), QSize(8, 6), QSize(13, 2), QSize(33, 17)};

TEST(QuarterTurn, MovesEveryPixelExactlyAtEveryCodeAndSize)
{
    for (ColourCode code : kAllColourCodes) {
        for (const QSize size : kSizes) {
            const Image source = sampleImage(code, size.width(), size.height());
            const int w = source.width(), h = source.height();
            const Image left = turnedQuarters(source, 1);
            const Image right = turnedQuarters(source, -1);
            const Image half = turnedQuarters(source, 2);
            SCOPED_TRACE(testing::Message() << int(code) << " " << w << "x" << h);
            ASSERT_TRUE(left.isValid());
            ASSERT_TRUE(right.isValid());
            ASSERT_TRUE(half.isValid());
            EXPECT_EQ(left.code(), code);
            EXPECT_EQ(left.palette(), source.palette());
            ASSERT_EQ(left.width(), h);
            ASSERT_EQ(left.height(), w);
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    const QRgb c = source.pixelColour(x, y);
                    // Turning left moves the top-right corner to the top-left.
                    ASSERT_EQ(left.pixelColour(y, w - 1 - x), c);
                    ASSERT_EQ(right.pixelColour(h - 1 - y, x), c);
                    ASSERT_EQ(half.pixelColour(w - 1 - x, h - 1 - y), c);
                }
            }
            EXPECT_TRUE(samePixels(turnedQuarters(left, -1), source));
            EXPECT_TRUE(samePixels(turnedQuarters(turnedQuarters(half, 1), 1), source));
        }
    }
}

TEST(QuarterTurn, SwapsTheDotsPerInchOnlyForOddQuarters)
{
    const Image source = sampleImage(ColourCode::Rgb24, 4, 3);  // 200 x 300 dpi
    EXPECT_EQ(turnedQuarters(source, 1).dpiX(), 300);
    EXPECT_EQ(turnedQuarters(source, 1).dpiY(), 200);
    EXPECT_EQ(turnedQuarters(source, 3).dpiX(), 300);
    EXPECT_EQ(turnedQuarters(source, 2).dpiX(), 200);
    EXPECT_EQ(turnedQuarters(source, 2).dpiY(), 300);
}

TEST(Mirror, ReflectsEveryPixelExactlyAndTwiceIsTheIdentity)
{
    for (ColourCode code : kAllColourCodes) {
        for (const QSize size : kSizes) {
            const Image source = sampleImage(code, size.width(), size.height());
            const int w = source.width(), h = source.height();
            const Image lr = mirrored(source, true, false);
            const Image tb = mirrored(source, false, true);
            const Image both = mirrored(source, true, true);
            SCOPED_TRACE(testing::Message() << int(code) << " " << w << "x" << h);
            ASSERT_TRUE(lr.isValid());
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    const QRgb c = source.pixelColour(x, y);
                    ASSERT_EQ(lr.pixelColour(w - 1 - x, y), c);
                    ASSERT_EQ(tb.pixelColour(x, h - 1 - y), c);
                    ASSERT_EQ(both.pixelColour(w - 1 - x, h - 1 - y), c);
                }
            }
            EXPECT_TRUE(samePixels(mirrored(lr, true, false), source));
            EXPECT_EQ(lr.dpiX(), 200);
        }
    }
}

TEST(Mirror, InPlaceLeavesASharingCopyAlone)
{
    const Image source = sampleImage(ColourCode::Rgb24, 9, 4);
    Image copy = source;
    mirrorInPlace(copy, true, true);
    EXPECT_FALSE(samePixels(copy, source));
    EXPECT_TRUE(samePixels(copy, turnedQuarters(source, 2)));
}

TEST(Rotation, MirrorsComeBeforeTheTurnAndQuartersIgnoreKeepSize)
{
    for (ColourCode code : {ColourCode::Mono, ColourCode::Palette256, ColourCode::Rgb32}) {
        const Image source = sampleImage(code, 11, 6);
        RotateOptions options;
        options.centidegrees = 9000;
        options.mirrorLeftRight = true;
        options.keepSize = true;
        const Image result = rotated(source, options);
        EXPECT_TRUE(samePixels(result, turnedQuarters(mirrored(source, true, false), 1)));
        EXPECT_EQ(result.width(), 6);

        options = {};
        options.centidegrees = -27000;  // right 270 = left 90
        EXPECT_TRUE(samePixels(rotated(source, options), turnedQuarters(source, 1)));
        options.centidegrees = 36000;
        EXPECT_TRUE(samePixels(rotated(source, options), source));
        options.centidegrees = -18000;
        EXPECT_TRUE(samePixels(rotated(source, options), mirrored(source, true, true)));
    }
}

}  // namespace
}  // namespace tavlo::process
