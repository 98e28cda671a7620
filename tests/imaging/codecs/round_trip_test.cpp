#include "imaging/codecs/image_file.h"
#include "imaging/codecs/jpeg2000_codec.h"
#include "imaging/codecs/little_endian.h"
#include "tests/support/test_images.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <algorithm>

namespace tavlo::codecs {
namespace {

using namespace test;

const ImageFormat kFormats[] = {ImageFormat::Bmp,      ImageFormat::Pcx,     ImageFormat::Png,
                                ImageFormat::Tiff,     ImageFormat::Gif,     ImageFormat::Jpeg,
                                ImageFormat::Jpeg2000, ImageFormat::FlashPix};

// Every code, with each palette a writer treats in its own way.
const struct Variant {
    ColourCode code;
    PaletteKind palette;
} kVariants[] = {
    {ColourCode::Mono, PaletteKind::Usual},       {ColourCode::Mono, PaletteKind::ColourPair},
    {ColourCode::Mono, PaletteKind::WhiteBlack},  {ColourCode::Palette16, PaletteKind::Usual},
    {ColourCode::Palette16, PaletteKind::Short},  {ColourCode::Grey16, PaletteKind::Usual},
    {ColourCode::Grey16, PaletteKind::OddGreys},  {ColourCode::Grey16, PaletteKind::Short},
    {ColourCode::Palette256, PaletteKind::Usual}, {ColourCode::Palette256, PaletteKind::Short},
    {ColourCode::Grey256, PaletteKind::Usual},    {ColourCode::Rgb555, PaletteKind::Usual},
    {ColourCode::Rgb24, PaletteKind::Usual},      {ColourCode::Rgb32, PaletteKind::Usual},
};

// Through the format dispatch; JPEG 2000, which the control only reads, through its own writer.
QString write(ImageFormat format, const Image& image, QIODevice& out)
{
    return format == ImageFormat::Jpeg2000 ? writeJpeg2000(image, out)
                                           : writeImage(image, out, format);
}

// The code a format gives back (the table in image_format.h).
ColourCode expectedCode(ImageFormat format, const Image& image)
{
    const ColourCode code = image.code();
    const QVector<QRgb> palette = image.palette();
    const bool greyMono =
        code == ColourCode::Mono &&
        std::all_of(palette.begin(), palette.end(), [](QRgb c) { return c == grey(qRed(c)); });
    switch (format) {
    case ImageFormat::Bmp: return code;
    case ImageFormat::Gif: return isIndexedCode(code) ? code : ColourCode::Palette256;
    case ImageFormat::Jpeg:
    case ImageFormat::FlashPix:
    case ImageFormat::Jpeg2000:
        return isGreyCode(code) || greyMono ? ColourCode::Grey256 : ColourCode::Rgb24;
    default:
        return code == ColourCode::Rgb555 || code == ColourCode::Rgb32 ? ColourCode::Rgb24 : code;
    }
}

// Pixel-exact wherever the format holds the colours (JPEG within a tolerance, and GIF when a
// direct-colour image has more than 256 colours), with the dots per inch wherever it has them.
TEST(RoundTrip, EveryCodeInEveryFormatComesBack)
{
    for (ImageFormat format : kFormats) {
        for (const Variant& v : kVariants) {
            for (const QSize size : {QSize(1, 1), QSize(7, 7), QSize(113, 157)}) {
                SCOPED_TRACE(testing::Message() << formatName(format).toStdString() << " code "
                                                << v.code << " palette " << int(v.palette) << " "
                                                << size.width() << "x" << size.height());
                const bool lossy =
                    format == ImageFormat::Jpeg || format == ImageFormat::FlashPix ||
                    (format == ImageFormat::Gif && !isIndexedCode(v.code) && size.width() > 16);
                const Image image =
                    sampleImage(v.code, size.width(), size.height(),
                                {v.palette, lossy ? Pattern::Smooth : Pattern::Random});
                QString error;
                const QByteArray bytes =
                    encode([&](const Image& i, QIODevice& d) { return write(format, i, d); }, image,
                           &error);
                ASSERT_EQ(error, QString());
                ImageFormat found = ImageFormat::Unknown;
                const Decoded back = decode(bytes, &found);
                ASSERT_TRUE(back.ok()) << back.error.toStdString();
                EXPECT_EQ(found, format);
                EXPECT_TRUE(back.image.isValid());
                EXPECT_EQ(back.image.code(), expectedCode(format, image));
                if (lossy)
                    EXPECT_LT(meanDifference(back.image, image), 12.0);
                else
                    EXPECT_EQ(largestDifference(back.image, image), 0);
                EXPECT_EQ(test::dpiOf(back.image),
                          format == ImageFormat::Gif ? QSize(0, 0) : QSize(200, 300));
                if (format == ImageFormat::Bmp) {  // the header holds the code's own depth
                    EXPECT_EQ(le16(bytes.constData() + 28), bitsPerPixel(v.code));
                }
                if (format ==
                    ImageFormat::Pcx) {  // lines of an even number of bytes, as the format asks
                    EXPECT_EQ(le16(bytes.constData() + 66) % 2, 0);
                }
            }
        }
    }
}

TEST(RoundTrip, EveryDpiSurvivesEveryFormatThatHasThem)
{
    Image image = sampleImage(ColourCode::Grey256, 1, 1);
    for (ImageFormat format : kFormats) {
        if (format == ImageFormat::Gif)
            continue;
        const auto writer = [format](const Image& i, QIODevice& d) { return write(format, i, d); };
        for (int dpi = 0; dpi <= 7100; dpi += dpi < 1300 ? 1 : 97) {
            image.setDpi(dpi, dpi ? dpi + 1 : 0);
            const Decoded back = decode(encode(writer, image));
            ASSERT_TRUE(back.ok()) << formatName(format).toStdString();
            ASSERT_EQ(test::dpiOf(back.image), test::dpiOf(image))
                << formatName(format).toStdString();
        }
        image.setDpi(7000, 655);
        EXPECT_EQ(decode(encode(writer, image)).image.dpiY(), 655)
            << formatName(format).toStdString();
    }
}

TEST(RoundTrip, AWriterThatCannotWriteSaysSo)
{
    QByteArray bytes;
    QBuffer readOnly(&bytes);
    readOnly.open(QIODevice::ReadOnly);
    for (ImageFormat format : kFormats) {
        for (const Image& image :
             {sampleImage(ColourCode::Rgb24, 300, 300), sampleImage(ColourCode::Grey256, 3, 3),
              sampleImage(ColourCode::Palette256, 64, 64)}) {
            EXPECT_EQ(write(format, image, readOnly), QStringLiteral("ﾌｧｲﾙに書き込めません"))
                << formatName(format).toStdString() << " code " << image.code();
        }
    }
}

}  // namespace
}  // namespace tavlo::codecs
