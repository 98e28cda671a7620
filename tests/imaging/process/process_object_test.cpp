#include "imaging/image_store.h"
#include "imaging/process/process_object.h"
#include "imaging/process/quarter_turn.h"
#include "imaging/process/trim.h"
#include "tests/support/test_images.h"

#include <gtest/gtest.h>

namespace tavlo {
namespace {

using test::sampleImage;

QPolygon rectangle(int left, int top, int right, int bottom)
{
    return QPolygon(
        {QPoint(left, top), QPoint(right, top), QPoint(right, bottom), QPoint(left, bottom)});
}

class ProcessObjectTest : public testing::Test {
protected:
    void load(const Image& image) { current.replace(image); }
    const Image& image() const { return *current.image(); }
    static void setRect(ProcessObject& p, int left, int top, int right, int bottom)
    {
        p.setRectLeft(left);
        p.setRectTop(top);
        p.setRectRight(right);
        p.setRectBottom(bottom);
    }

    CurrentImage current;
    ProcessObject process{current};
};

TEST_F(ProcessObjectTest, WithoutAnImageEverythingFails)
{
    EXPECT_FALSE(process.ConvertColor(24, 0, false, 128));
    EXPECT_FALSE(process.Trim());
    EXPECT_FALSE(process.RotateImage(9000, false, false, true, 255, 255, 255, false));
    EXPECT_FALSE(process.Resize(10, 10, -1));
    EXPECT_FALSE(process.PasteImage(0, 0, 0));
    EXPECT_FALSE(process.EmphasizeMarker(rectangle(0, 0, 2, 2), 4, 0, 0, -1));
}

TEST_F(ProcessObjectTest, ConvertColorKeepsTheHandleAndRefusesUnknownCodes)
{
    load(sampleImage(ColourCode::Rgb24, 12, 8));
    const quint32 handle = current.handle();
    ASSERT_TRUE(process.ConvertColor(40, 0, false, 128));
    EXPECT_EQ(current.handle(), handle);
    EXPECT_EQ(image().code(), ColourCode::Grey16);
    EXPECT_FALSE(process.ConvertColor(12, 0, false, 128));
    EXPECT_FALSE(process.ConvertColor(0, 0, false, 128));
    EXPECT_EQ(image().code(), ColourCode::Grey16);
    EXPECT_TRUE(process.ConvertColor(40, 0, true, 128));
    ASSERT_TRUE(process.ConvertColor(1, 0, false, 256));
    EXPECT_EQ(image().pixelColour(3, 3), qRgb(0, 0, 0));
}

TEST_F(ProcessObjectTest, TrimKeepsTheRectangleAndRectModeOneEmptiesItAfterwards)
{
    const Image source = sampleImage(ColourCode::Palette256, 20, 10);
    load(source);
    setRect(process, 3, 2, 11, 9);
    process.setRectSelect(1);  // does not matter to Trim
    ASSERT_TRUE(process.Trim());
    EXPECT_TRUE(samePixels(image(), process::trimmed(source, {3, 2, 11, 9})));
    EXPECT_EQ(process.RectRight(), 11);  // RectMode 0 keeps the rectangle

    process.setRectMode(1);
    setRect(process, 1, 0, 5, 5);
    ASSERT_TRUE(process.Trim());
    EXPECT_EQ(image().width(), 4);
    EXPECT_EQ(process.RectLeft() + process.RectTop() + process.RectRight() + process.RectBottom(),
              0);
    EXPECT_FALSE(process.Trim());  // an empty rectangle
    EXPECT_EQ(image().width(), 4);
}

TEST_F(ProcessObjectTest, RotateImageTurnsLeftForPositiveAnglesAndSwapsDpi)
{
    const Image source = sampleImage(ColourCode::Grey16, 9, 4);
    load(source);
    ASSERT_TRUE(process.RotateImage(9000, false, false, false, 255, 255, 255, false));
    EXPECT_TRUE(samePixels(image(), process::turnedQuarters(source, 1)));
    EXPECT_EQ(image().dpiX(), 300);
    ASSERT_TRUE(process.RotateImage(-9000, false, false, false, 255, 255, 255, false));
    EXPECT_TRUE(samePixels(image(), source));
    ASSERT_TRUE(process.RotateImage(0, true, false, true, 255, 255, 255, false));
    ASSERT_TRUE(process.RotateImage(0, true, false, true, 255, 255, 255, false));
    EXPECT_TRUE(samePixels(image(), source));
    ASSERT_TRUE(process.RotateImage(571, false, false, true, 255, 255, 255, true));
    EXPECT_EQ(image().width(), 9);
    EXPECT_EQ(image().code(), ColourCode::Grey16);
}

TEST_F(ProcessObjectTest, ResizeAndMethod)
{
    load(sampleImage(ColourCode::Rgb555, 30, 20));
    ASSERT_TRUE(process.Resize(15, 7, -1));
    EXPECT_EQ(QSize(image().width(), image().height()), QSize(15, 7));
    EXPECT_EQ(image().code(), ColourCode::Rgb555);
    EXPECT_FALSE(process.Resize(0, 7, -1));
    ASSERT_TRUE(process.Resize(30, 14, 0));
    EXPECT_EQ(image().pixelColour(1, 1), image().pixelColour(0, 0));
}

TEST_F(ProcessObjectTest, PasteTakesAnImageByHandle)
{
    load(sampleImage(ColourCode::Rgb24, 10, 10, 1));
    const quint32 piece =
        ImageStore::instance().add(test::plainImage(ColourCode::Rgb24, 3, 3, qRgb(1, 2, 3)));
    ASSERT_TRUE(process.PasteImage(piece, 8, -1));
    EXPECT_EQ(image().pixelColour(9, 1), qRgb(1, 2, 3));
    EXPECT_NE(image().pixelColour(7, 1), qRgb(1, 2, 3));
    EXPECT_FALSE(process.PasteImage(piece + 1000, 0, 0));
    ImageStore::instance().release(piece);
}

TEST_F(ProcessObjectTest, RectSelectChoosesTheEmphasisedRegion)
{
    const Image white = test::plainImage(ColourCode::Rgb24, 10, 10, qRgb(255, 255, 255));
    const QPolygon polygon = rectangle(0, 0, 2, 2);

    load(white);
    process.setRectSelect(2);
    ASSERT_TRUE(process.EmphasizeMarker(polygon, 4, 0, 0, -1));
    EXPECT_EQ(image().pixelColour(1, 1), qRgb(255, 255, 0));
    EXPECT_EQ(image().pixelColour(2, 2), qRgb(255, 255, 255));

    load(white);
    process.setRectSelect(1);
    setRect(process, 5, 5, 7, 7);
    ASSERT_TRUE(process.EmphasizeRelativeAdjust(polygon, 4, -100));
    EXPECT_EQ(image().pixelColour(1, 1), qRgb(255, 255, 255));
    EXPECT_EQ(image().pixelColour(6, 6), qRgb(205, 205, 205));

    load(white);
    process.setRectSelect(0);
    ASSERT_TRUE(process.EmphasizeRelativeFill(polygon, 4, -55, 0, 0));
    EXPECT_EQ(image().pixelColour(9, 9), qRgb(200, 255, 255));

    // Only count points of the polygon are used: two points hold no pixel.
    load(white);
    process.setRectSelect(2);
    EXPECT_FALSE(process.EmphasizeMarker(polygon, 2, 0, 0, -1));
    EXPECT_TRUE(samePixels(image(), white));
}

TEST_F(ProcessObjectTest, AVectorPreviewBecomesAPlainBitmapWhenProcessed)
{
    current.setVector(sampleImage(ColourCode::Rgb24, 6, 6), QByteArray("<svg/>"));
    ASSERT_EQ(current.kind(), 2);
    ASSERT_TRUE(process.RotateImage(0, true, false, false, 255, 255, 255, false));
    EXPECT_EQ(current.kind(), 1);
    EXPECT_TRUE(current.vectorSource().isEmpty());
}

}  // namespace
}  // namespace tavlo
