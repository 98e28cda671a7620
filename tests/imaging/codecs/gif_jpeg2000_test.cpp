#include "imaging/codecs/gif_codec.h"
#include "imaging/codecs/jpeg2000_codec.h"
#include "tests/support/test_images.h"

#include <gtest/gtest.h>

namespace tavlo::codecs {
namespace {

using namespace test;

// A file of tests/data (see the README of its folder).
Image read(const Reader& reader, const QString& name)
{
    const Decoded back = decode(reader, testData(name));
    EXPECT_TRUE(back.ok()) << name.toStdString() << ": " << back.error.toStdString();
    return back.image;
}

TEST(GifRead, FirstFrameWithLocalTableInterlacingAndTransparency)
{
    const Image image = read(readGif, QStringLiteral("gif/frames.gif"));
    EXPECT_EQ(image.code(), ColourCode::Palette16);  // 8 entries
    EXPECT_EQ(test::sizeOf(image), QSize(6, 11));
    const QRgb local[8] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 0),
                           grey(10),        grey(20),        grey(30),        grey(40)};
    for (int y = 0; y < 11; ++y) {
        // Left of the frame: the transparent index, shown in its palette colour.
        EXPECT_EQ(image.pixelColour(0, y), qRgb(255, 255, 0));
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(image.pixelColour(x + 1, y), local[(x + y) % 8]) << x << "," << y;
    }
}

TEST(GifRead, TableSizeChoosesTheCode)
{
    for (int entries : {2, 4, 16, 32, 256}) {
        const Image image = read(readGif, QStringLiteral("gif/table%1.gif").arg(entries));
        EXPECT_EQ(image.code(), entries <= 2    ? ColourCode::Mono
                                : entries <= 16 ? ColourCode::Palette16
                                                : ColourCode::Palette256)
            << entries;
        EXPECT_EQ(image.pixelColour(1, 0), qRgb(1, 1, 0));
        const int last = entries - 1;
        EXPECT_EQ(image.pixelColour(2, 0), qRgb(last, last, last == 1 ? 0 : last));
    }
}

TEST(GifWrite, DirectColourIsRefusedWithAReason)
{
    for (ColourCode code : {ColourCode::Rgb555, ColourCode::Rgb24, ColourCode::Rgb32}) {
        QString error;
        EXPECT_TRUE(encode(writeGif, sampleImage(code, 3, 3), &error).isEmpty());
        EXPECT_TRUE(error.startsWith(QStringLiteral("対応していない形式です")))
            << error.toStdString();
    }
}

TEST(Jpeg2000Read, CodeStreamsOfOtherPrecisionsSignsAndSubsampling)
{
    const Image twelve = read(readJpeg2000, QStringLiteral("jpeg2000/grey12.j2k"));
    EXPECT_EQ(twelve.code(), ColourCode::Grey256);
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 9; ++x) {
            const int v = (x * 455 + y * 7) % 4096;
            ASSERT_EQ(qRed(twelve.pixelColour(x, y)), (v * 255 + 2047) / 4095) << x << "," << y;
        }
    }
    const Image signedColour = read(readJpeg2000, QStringLiteral("jpeg2000/signed_rgb.j2k"));
    EXPECT_EQ(signedColour.code(), ColourCode::Rgb24);
    EXPECT_EQ(signedColour.pixelColour(3, 2), qRgb(60, 148, 255));
    // Colour planes at half resolution: luma and chroma (sYCC).
    const QRgb p =
        read(readJpeg2000, QStringLiteral("jpeg2000/sycc_subsampled.jp2")).pixelColour(5, 5);
    EXPECT_NEAR(qRed(p), 100 + 1.402 * 72, 1);
    EXPECT_NEAR(qGreen(p), 100 - 0.714136 * 72, 1);
    EXPECT_NEAR(qBlue(p), 100, 1);
}

}  // namespace
}  // namespace tavlo::codecs
