#include "imaging/codecs/png_codec.h"
#include "tests/support/test_images.h"

#include <QImage>

#include <gtest/gtest.h>

namespace tavlo::codecs {
namespace {

using namespace test;

// A file of tests/data/png (see its README), read by the PNG reader.
Image png(const char* name)
{
    const Decoded back =
        decode(readPng, testData(QStringLiteral("png/%1.png").arg(QLatin1String(name))));
    EXPECT_TRUE(back.ok()) << name << ": " << back.error.toStdString();
    EXPECT_TRUE(back.image.isValid()) << name;
    return back.image;
}

// What libpng's scaling gives for a 16-bit sample: the nearest 8-bit value.
int scaled(int v16)
{
    return (v16 * 255 + 32895) >> 16;
}

// A sample with its alpha composited on white.
int onWhite(int value, int alpha)
{
    return value + ((255 - value) * (255 - alpha) + 127) / 255;
}

TEST(PngRead, SixteenBitInterlacedColourAndGreyAreScaledToEightBits)
{
    const Image colour = png("rgb16_interlaced");
    EXPECT_EQ(colour.code(), ColourCode::Rgb24);
    for (int y = 0; y < 9; ++y) {
        EXPECT_EQ(colour.pixelColour(0, y), qRgb(0, 255, scaled(0x1234)));
        EXPECT_EQ(colour.pixelColour(1, y), qRgb(y, scaled(0x8000), scaled(0x7f7f)));
        EXPECT_EQ(colour.pixelColour(2, y), qRgb(scaled(0xfffe), y, scaled(0x00ff)));
    }
    const Image grey = png("grey16_interlaced");
    EXPECT_EQ(grey.code(), ColourCode::Grey256);
    for (int y = 0; y < 5; ++y) {
        EXPECT_EQ(grey.pixelColour(1, y), test::grey(scaled(1000 * y)));
        EXPECT_EQ(grey.pixelColour(4, y), test::grey(scaled(12345)));
    }
}

TEST(PngRead, SmallGreyDepthsBecomeGreyCodesAndOneBitStaysOneBit)
{
    const Image two = png("grey2");
    EXPECT_EQ(two.code(), ColourCode::Grey16);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(two.pixelColour(x, 0), test::grey(85 * x));
    const Image four = png("grey4");
    EXPECT_EQ(four.code(), ColourCode::Grey16);
    EXPECT_EQ(four.pixelColour(1, 0), test::grey(255));
    EXPECT_EQ(four.pixelColour(2, 0), test::grey(119));
    // Interlaced 1-bit rows: the passes put single bits back into packed bytes.
    const Image one = png("mono_interlaced");
    ASSERT_EQ(one.code(), ColourCode::Mono);
    for (int y = 0; y < 11; ++y) {
        const unsigned bits = (0x5a5u ^ (y * 0x13u)) & 0x7ff;
        for (int x = 0; x < 11; ++x)
            EXPECT_EQ(one.pixelColour(x, y), test::grey((bits >> (10 - x)) & 1 ? 255 : 0))
                << x << "," << y;
    }
}

TEST(PngRead, PaletteFilesKeepTheirDepthAndPalette)
{
    const Image two = png("palette2");
    EXPECT_EQ(two.code(), ColourCode::Palette16);
    EXPECT_EQ(two.palette().size(), 3);
    EXPECT_EQ(two.pixelColour(1, 0), qRgb(200, 0, 0));
    EXPECT_EQ(two.pixelColour(2, 0), qRgb(0, 0, 255));
    // A one-colour 1-bit palette still gives the two entries a 1-bit image holds.
    const Image single = png("palette1_single");
    EXPECT_EQ(single.code(), ColourCode::Mono);
    EXPECT_EQ(single.pixelColour(0, 0), qRgb(1, 2, 3));
    // Indices beyond a short palette are clamped to its last entry instead of reading past it.
    const Image outside = png("palette8_outside");
    EXPECT_EQ(outside.code(), ColourCode::Palette256);
    EXPECT_EQ(outside.pixelColour(2, 0), qRgb(0, 255, 0));
}

TEST(PngRead, TransparencyIsCompositedOnWhite)
{
    const Image palette = png("palette_alpha");
    EXPECT_EQ(palette.code(), ColourCode::Palette256);
    EXPECT_EQ(rowColours(palette, 0, 3),
              (std::vector<QRgb>{test::grey(255),
                                 qRgb(onWhite(200, 128), onWhite(100, 128), onWhite(0, 128)),
                                 qRgb(10, 20, 30)}));

    const Image greyAlpha = png("grey_alpha_interlaced");
    EXPECT_EQ(greyAlpha.code(), ColourCode::Grey256);
    EXPECT_EQ(rowColours(greyAlpha, 0, 2), (std::vector<QRgb>{test::grey(0), test::grey(255)}));
    EXPECT_EQ(rowColours(greyAlpha, 1, 2),
              (std::vector<QRgb>{test::grey(onWhite(100, 64)), test::grey(onWhite(50, 200))}));

    const Image rgba = png("rgba16");
    EXPECT_EQ(rgba.code(), ColourCode::Rgb24);
    EXPECT_EQ(rowColours(rgba, 0, 2),
              (std::vector<QRgb>{qRgb(255, 0, 0),
                                 qRgb(onWhite(0, 64), onWhite(128, 64), onWhite(255, 64))}));

    const Image keyed = png("rgb_keyed");
    EXPECT_EQ(rowColours(keyed, 0, 2), (std::vector<QRgb>{qRgb(1, 2, 3), test::grey(255)}));
    const Image greyKeyed = png("grey_keyed");
    EXPECT_EQ(greyKeyed.code(), ColourCode::Grey256);
    EXPECT_EQ(rowColours(greyKeyed, 0, 2), (std::vector<QRgb>{test::grey(255), test::grey(10)}));

    EXPECT_EQ(png("density_no_unit").dpiX(), 0);  // a density without a unit is no resolution
}

// Large grey and colour images are compressed in bands on several threads and joined into one
// stream: our reader and Qt's own must both see every pixel, whatever the code behind the rows.
TEST(PngBands, ImagesOfManyBandsReadBackExactlyHereAndInQt)
{
    for (ColourCode code :
         {ColourCode::Grey256, ColourCode::Rgb555, ColourCode::Rgb24, ColourCode::Rgb32}) {
        // 2101 or 701 bytes a row: three to nine bands of 2 MiB, and a short last band.
        const Image original = sampleImage(code, 700, 2600, 5);
        const QByteArray file = encode(writePng, original);
        const Decoded back = decode(readPng, file);
        ASSERT_TRUE(back.ok()) << code << back.error.toStdString();
        EXPECT_EQ(largestDifference(back.image, original), 0) << code;

        QImage qt;
        ASSERT_TRUE(qt.loadFromData(file, "PNG")) << code;
        ASSERT_EQ(qt.size(), QSize(700, 2600));
        for (int y : {0, 997, 998, 999, 1995, 1996, 2599})
            for (int x : {0, 1, 350, 699})
                ASSERT_EQ(qt.pixel(x, y) | 0xff000000u, original.pixelColour(x, y))
                    << code << " " << y;
    }
}

}  // namespace
}  // namespace tavlo::codecs
