#include "imaging/process/mirror.h"
#include "imaging/process/quarter_turn.h"
#include "imaging/process/rotation.h"
#include "tests/support/test_images.h"

#include <gtest/gtest.h>

#include <functional>

namespace tavlo::process {
namespace {

using test::sampleImage;

// Each quarter turn and mirror, with where it puts pixel (x, y) of a w x h image.
const struct Move {
    const char* name;
    std::function<Image(const Image&)> apply;
    std::function<QPoint(int x, int y, int w, int h)> to;
    bool swapsSides;
} kMoves[] = {
    {"left", [](const Image& i) { return turnedQuarters(i, 1); },
     [](int x, int y, int w, int) { return QPoint(y, w - 1 - x); }, true},
    {"right", [](const Image& i) { return turnedQuarters(i, -1); },
     [](int x, int y, int, int h) { return QPoint(h - 1 - y, x); }, true},
    {"half", [](const Image& i) { return turnedQuarters(i, 2); },
     [](int x, int y, int w, int h) { return QPoint(w - 1 - x, h - 1 - y); }, false},
    {"left-right", [](const Image& i) { return mirrored(i, true, false); },
     [](int x, int y, int w, int) { return QPoint(w - 1 - x, y); }, false},
    {"top-bottom", [](const Image& i) { return mirrored(i, false, true); },
     [](int x, int y, int, int h) { return QPoint(x, h - 1 - y); }, false},
    {"both", [](const Image& i) { return mirrored(i, true, true); },
     [](int x, int y, int w, int h) { return QPoint(w - 1 - x, h - 1 - y); }, false},
};

TEST(Orientation, QuarterTurnsAndMirrorsMoveEveryPixelExactlyAtEveryCodeAndSize)
{
    for (ColourCode code : kAllColourCodes) {
        for (const QSize size :
             {QSize(1, 1), QSize(7, 5), QSize(8, 6), QSize(13, 2), QSize(33, 17)}) {
            const Image source = sampleImage(code, size.width(), size.height());  // 200 x 300 dpi
            const int w = source.width(), h = source.height();
            for (const Move& move : kMoves) {
                const Image result = move.apply(source);
                SCOPED_TRACE(testing::Message()
                             << code << " " << w << "x" << h << " " << move.name);
                ASSERT_TRUE(result.isValid());
                EXPECT_EQ(result.code(), code);
                EXPECT_EQ(result.palette(), source.palette());
                ASSERT_EQ(test::sizeOf(result), move.swapsSides ? QSize(h, w) : QSize(w, h));
                EXPECT_EQ(test::dpiOf(result), move.swapsSides ? QSize(300, 200) : QSize(200, 300));
                for (int y = 0; y < h; ++y) {
                    for (int x = 0; x < w; ++x) {
                        const QPoint to = move.to(x, y, w, h);
                        ASSERT_EQ(result.pixelColour(to.x(), to.y()), source.pixelColour(x, y));
                    }
                }
            }
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
