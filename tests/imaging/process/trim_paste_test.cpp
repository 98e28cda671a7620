#include "imaging/process/mirror.h"
#include "imaging/process/paste.h"
#include "imaging/process/trim.h"
#include "tests/support/test_images.h"

#include <gtest/gtest.h>

namespace tavlo::process {
namespace {

using test::sampleImage;

TEST(Trim, KeepsExactlyTheRectangleAtEveryCode)
{
    const PixelRect rects[] = {
        {3, 1, 10, 6}, {0, 0, 1, 1}, {1, 2, 17, 9}, {8, 0, 16, 3}, {5, 5, 6, 6}};
    for (ColourCode code : kAllColourCodes) {
        for (const QSize size : {QSize(17, 9), QSize(16, 10)}) {
            const Image source = sampleImage(code, size.width(), size.height());
            for (const PixelRect& rect : rects) {
                const Image part = trimmed(source, rect);
                SCOPED_TRACE(testing::Message()
                             << int(code) << " rect " << rect.left << "," << rect.top << ","
                             << rect.right << "," << rect.bottom);
                ASSERT_TRUE(part.isValid());
                const PixelRect clipped = rect.clipped(source.width(), source.height());
                ASSERT_EQ(test::sizeOf(part), QSize(clipped.width(), clipped.height()));
                EXPECT_EQ(part.palette(), source.palette());
                EXPECT_EQ(part.dpiY(), 300);
                for (int y = 0; y < part.height(); ++y)
                    for (int x = 0; x < part.width(); ++x)
                        ASSERT_EQ(part.pixelColour(x, y),
                                  source.pixelColour(clipped.left + x, clipped.top + y));
            }
        }
    }
}

TEST(Trim, AnEmptyOrOutsideRectangleGivesNothing)
{
    const Image source = sampleImage(ColourCode::Rgb24, 8, 8);
    EXPECT_TRUE(trimmed(source, {4, 4, 4, 8}).isNull());
    EXPECT_TRUE(trimmed(source, {6, 2, 3, 5}).isNull());
    EXPECT_TRUE(trimmed(source, {8, 0, 12, 8}).isNull());
    EXPECT_TRUE(trimmed(source, {-5, -5, 0, 3}).isNull());
    EXPECT_EQ(trimmed(source, {-5, -5, 3, 100}).width(), 3);
}

TEST(Paste, PutsThePieceAtItsOffsetAndNothingElseChanges)
{
    const QPoint offsets[] = {{0, 0}, {3, 2}, {-4, 1}, {9, -3}, {12, 7}};
    for (ColourCode code : kAllColourCodes) {
        for (const QSize size : {QSize(15, 9), QSize(16, 8)}) {
            const Image base = sampleImage(code, size.width(), size.height(), 1);
            // Same palette, other pixels.
            const Image piece = trimmed(mirrored(base, true, true), {1, 1, 9, 6});
            for (const QPoint at : offsets) {
                Image image = base;
                ASSERT_TRUE(pasteInPlace(image, piece, at.x(), at.y()));
                SCOPED_TRACE(testing::Message() << int(code) << " at " << at.x() << "," << at.y());
                ASSERT_TRUE(image.isValid());
                EXPECT_EQ(image.code(), code);
                for (int y = 0; y < image.height(); ++y) {
                    for (int x = 0; x < image.width(); ++x) {
                        const int px = x - at.x(), py = y - at.y();
                        const bool covered =
                            px >= 0 && py >= 0 && px < piece.width() && py < piece.height();
                        ASSERT_EQ(image.pixelColour(x, y),
                                  covered ? piece.pixelColour(px, py) : base.pixelColour(x, y))
                            << x << "," << y;
                    }
                }
            }
        }
    }
}

TEST(Paste, APieceOfAnotherCodeTakesTheImagesCode)
{
    const Image base = sampleImage(ColourCode::Palette16, 10, 6);
    const Image piece = test::plainImage(ColourCode::Rgb24, 3, 3, base.pixelColour(0, 0));
    Image image = base;
    ASSERT_TRUE(pasteInPlace(image, piece, 2, 2));
    EXPECT_EQ(image.code(), ColourCode::Palette16);
    EXPECT_EQ(image.palette(), base.palette());
    EXPECT_EQ(image.pixelColour(3, 3), base.pixelColour(0, 0));

    Image grey = sampleImage(ColourCode::Grey256, 6, 6);
    ASSERT_TRUE(
        pasteInPlace(grey, test::plainImage(ColourCode::Rgb24, 2, 2, qRgb(255, 0, 0)), 0, 0));
    EXPECT_EQ(grey.pixelColour(1, 1), qRgb(76, 76, 76));
}

TEST(Paste, NothingLandingInsideChangesNothing)
{
    const Image base = sampleImage(ColourCode::Rgb24, 6, 6);
    Image image = base;
    EXPECT_FALSE(pasteInPlace(image, base, 6, 0));
    EXPECT_FALSE(pasteInPlace(image, base, -6, 2));
    EXPECT_FALSE(pasteInPlace(image, Image(), 0, 0));
    EXPECT_TRUE(samePixels(image, base));
}

TEST(Paste, OntoItselfUsesThePixelsFromBefore)
{
    const Image base = sampleImage(ColourCode::Mono, 12, 4);
    Image image = base;
    ASSERT_TRUE(pasteInPlace(image, image, 3, 0));
    for (int x = 3; x < 12; ++x)
        EXPECT_EQ(image.pixelColour(x, 2), base.pixelColour(x - 3, 2));
}

}  // namespace
}  // namespace tavlo::process
