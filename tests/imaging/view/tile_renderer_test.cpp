#include "imaging/view/pixel_reader.h"
#include "imaging/view/tile_renderer.h"
#include "tests/support/test_images.h"

#include <gtest/gtest.h>

#include <numeric>

namespace tavlo {
namespace {

QImage renderWhole(const Image& image, const ViewGeometry& g, QSize view)
{
    QImage tile(view, QImage::Format_RGB32);
    tile.fill(qRgb(1, 2, 3));
    TileRenderer renderer;
    renderer.render(image, g, QRect(QPoint(), view), tile, QPoint());
    return tile;
}

TEST(PixelReader, GivesTheColourOfEveryPixelAtEveryCode)
{
    for (ColourCode code : kAllColourCodes) {
        const Image image = test::sampleImage(code, 37, 5);
        const PixelReader reader(image);
        std::vector<quint32> row(37);
        std::vector<int> columns(37);
        std::iota(columns.rbegin(), columns.rend(), 0);  // right to left
        for (int y = 0; y < 5; ++y) {
            reader.span(y, 0, 37, row.data());
            for (int x = 0; x < 37; ++x)
                ASSERT_EQ(row[x], image.pixelColour(x, y)) << int(code) << " at " << x << "," << y;
            reader.gather(y, columns.data(), 37, row.data());
            for (int i = 0; i < 37; ++i)
                ASSERT_EQ(row[i], image.pixelColour(36 - i, y)) << int(code);
        }
    }
}

TEST(TileRenderer, ShowsEveryPixelAtOneHundredPercentAndBlocksWhenEnlarged)
{
    for (ColourCode code : kAllColourCodes) {
        for (QSize size : {QSize(1, 1), QSize(7, 7), QSize(113, 157)}) {
            const Image image = test::sampleImage(code, size.width(), size.height());
            const QImage actual = renderWhole(image, ViewGeometry(size, 1.0, 1.0, QPoint()), size);
            for (int y = 0; y < size.height(); ++y)
                for (int x = 0; x < size.width(); ++x)
                    ASSERT_EQ(actual.pixel(x, y), image.pixelColour(x, y))
                        << int(code) << " " << x << "," << y;

            const QImage big = renderWhole(image, ViewGeometry(size, 3.0, 2.0, QPoint()),
                                           QSize(size.width() * 3, size.height() * 2));
            for (int y = 0; y < big.height(); ++y)
                for (int x = 0; x < big.width(); ++x)
                    ASSERT_EQ(big.pixel(x, y), image.pixelColour(x / 3, y / 2)) << int(code);
        }
    }
}

TEST(TileRenderer, ShrinkingAveragesThePixelsEachViewPixelCovers)
{
    // A 2 x 2 checker of black and white shrunk to 50 % is even grey (2 x 2 samples per pixel);
    // a 4 x 4 block of one grey level shrunk to 25 % keeps that level exactly.
    Image checker = Image::create(8, 8, ColourCode::Grey256);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            checker.scanLine(y)[x] = (x + y) % 2 ? 255 : 0;
    const QImage half =
        renderWhole(checker, ViewGeometry(QSize(8, 8), 0.5, 0.5, QPoint()), QSize(4, 4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(half.pixel(x, y), qRgb(128, 128, 128));

    Image blocks = Image::create(16, 8, ColourCode::Rgb24);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
            blocks.pixels().setPixel(x, y, qRgb(x / 4 * 60, y / 4 * 90, 7));
    const QImage quarter =
        renderWhole(blocks, ViewGeometry(QSize(16, 8), 0.25, 0.25, QPoint()), QSize(4, 2));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(quarter.pixel(x, y), qRgb(x * 60, y * 90, 7));

    // A dark stroke on white as wide as the sample spacing (10 / 4 image pixels) stays visible when
    // shrunk to 10 %, wherever it lies.
    Image page = Image::create(200, 100, ColourCode::Mono);
    page.pixels().setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    for (int y = 51; y < 54; ++y)
        for (int x = 0; x < 200; ++x)
            page.scanLine(y)[x >> 3] |= uchar(0x80 >> (x & 7));
    const QImage small =
        renderWhole(page, ViewGeometry(QSize(200, 100), 0.1, 0.1, QPoint()), QSize(20, 10));
    EXPECT_LT(qGray(small.pixel(10, 5)), 255);
    EXPECT_EQ(small.pixel(10, 2), qRgb(255, 255, 255));
}

TEST(TileRenderer, WritesOnlyThePartThePictureCoversAndReusesItsBuffers)
{
    const Image image = test::sampleImage(ColourCode::Palette256, 10, 10);
    const ViewGeometry g(QSize(10, 10), 2.0, 2.0, QPoint(15, 5));  // picture at 15..35 x 5..25
    const QImage tile = renderWhole(image, g, QSize(50, 30));
    EXPECT_EQ(tile.pixel(14, 10), qRgb(1, 2, 3));
    EXPECT_EQ(tile.pixel(35, 10), qRgb(1, 2, 3));
    EXPECT_EQ(tile.pixel(20, 4), qRgb(1, 2, 3));
    EXPECT_EQ(tile.pixel(15, 5), image.pixelColour(0, 0));
    EXPECT_EQ(tile.pixel(34, 24), image.pixelColour(9, 9));

    // Rendering into a target at an offset and a wrong target format are both safe.
    QImage target(8, 8, QImage::Format_RGB32);
    target.fill(0);
    TileRenderer renderer;
    renderer.render(image, g, QRect(15, 5, 20, 20), target, QPoint(4, 4));
    EXPECT_EQ(target.pixel(4, 4), image.pixelColour(0, 0));
    EXPECT_EQ(target.pixel(7, 7), image.pixelColour(1, 1));
    QImage wrong(8, 8, QImage::Format_ARGB32);
    wrong.fill(0);
    renderer.render(image, g, QRect(15, 5, 20, 20), wrong, QPoint());
    EXPECT_EQ(wrong.pixel(0, 0), 0u);
}

TEST(TileRenderer, TheSampleGridIsBoundedForLargeAreas)
{
    EXPECT_EQ(TileRenderer::sampleGrid(1.0, 3.0, 1000), QSize(1, 1));
    EXPECT_EQ(TileRenderer::sampleGrid(0.5, 0.5, 1000), QSize(2, 2));
    EXPECT_EQ(TileRenderer::sampleGrid(1.0 / 3, 0.01, 1000), QSize(3, 4));
    const QSize big = TileRenderer::sampleGrid(0.1, 0.1, 1600 * 1000);
    EXPECT_LE(qint64(big.width()) * big.height() * 1600 * 1000, TileRenderer::kSampleBudget);
    EXPECT_GE(big.width(), 1);
}

}  // namespace
}  // namespace tavlo
