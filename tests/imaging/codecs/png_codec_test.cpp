#include "imaging/codecs/png_codec.h"
#include "tests/imaging/codecs/codec_test_support.h"

#include <gtest/gtest.h>
#include <png.h>

#include <QBuffer>

#include <csetjmp>
#include <vector>

namespace tavlo::codecs {
namespace {

using namespace test;

// A PNG described sample by sample, written with libpng itself, so the reader meets files it did
// not write (16 bits, alpha, interlacing, transparency chunks).
struct RawPng {
    int width = 1;
    int height = 1;
    int bitDepth = 8;
    int colourType = PNG_COLOR_TYPE_RGB;
    bool interlaced = false;
    std::vector<std::vector<png_byte>> rows;  // packed as the file stores them
    std::vector<png_color> palette;
    std::vector<png_byte> paletteAlpha;
    bool transparentColour = false;
    png_color_16 transparent{};
    int densityUnit = -1;  // -1 = no pHYs
    png_uint_32 densityX = 0;
    png_uint_32 densityY = 0;
    bool headerOnly = false;  // the header and one row only
};

void appendBytes(png_structp png, png_bytep data, size_t length)
{
    static_cast<QByteArray*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), qsizetype(length));
}

void noFlush(png_structp) {}

bool writeRawInto(png_structp png, png_infop info, const RawPng& raw, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_IHDR(png, info, png_uint_32(raw.width), png_uint_32(raw.height), raw.bitDepth, raw.colourType,
                 raw.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!raw.palette.empty())
        png_set_PLTE(png, info, raw.palette.data(), int(raw.palette.size()));
    if (!raw.paletteAlpha.empty())
        png_set_tRNS(png, info, raw.paletteAlpha.data(), int(raw.paletteAlpha.size()), nullptr);
    if (raw.transparentColour)
        png_set_tRNS(png, info, nullptr, 0, const_cast<png_color_16p>(&raw.transparent));
    if (raw.densityUnit >= 0)
        png_set_pHYs(png, info, raw.densityX, raw.densityY, raw.densityUnit);
    if (raw.headerOnly)
        png_set_compression_level(png, 0);  // stored, so the one row fills whole IDAT chunks
    png_write_info(png, info);
    if (raw.headerOnly) {
        // One row of image data: enough for a reader to reach the pixels, far from the whole.
        png_write_row(png, rows[0]);
        png_write_flush(png);
        return true;
    }
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

QByteArray writeRaw(const RawPng& raw)
{
    QByteArray bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &bytes, appendBytes, noFlush);
    std::vector<png_bytep> rows;
    for (const auto& row : raw.rows)
        rows.push_back(const_cast<png_bytep>(row.data()));
    std::vector<png_byte> zeros(size_t(raw.width) * 8);
    if (raw.headerOnly)
        rows = {zeros.data()};
    const bool ok = writeRawInto(png, info, raw, rows.data());
    png_destroy_write_struct(&png, &info);
    EXPECT_TRUE(ok);
    return bytes;
}

// Big-endian 16-bit samples.
std::vector<png_byte> samples16(std::initializer_list<int> values)
{
    std::vector<png_byte> out;
    for (int v : values) {
        out.push_back(png_byte(v >> 8));
        out.push_back(png_byte(v & 0xff));
    }
    return out;
}

// What libpng's scaling gives for a 16-bit sample: the nearest 8-bit value.
int scaled(int v16)
{
    return (v16 * 255 + 32895) >> 16;
}

int blend(int value, int alpha)
{
    return value + ((255 - value) * (255 - alpha) + 127) / 255;
}

TEST(PngRoundTrip, EveryCodeThePngHoldsComesBackExactlyWithItsDpi)
{
    const struct {
        ColourCode code;
        PaletteKind kind;
    } cases[] = {
        {ColourCode::Mono, PaletteKind::Usual},      {ColourCode::Mono, PaletteKind::ColourPair},
        {ColourCode::Mono, PaletteKind::WhiteBlack}, {ColourCode::Palette16, PaletteKind::Usual},
        {ColourCode::Palette16, PaletteKind::Short}, {ColourCode::Grey16, PaletteKind::Usual},
        {ColourCode::Grey16, PaletteKind::EvenGreys}, {ColourCode::Grey16, PaletteKind::Short},
        {ColourCode::Palette256, PaletteKind::Usual}, {ColourCode::Palette256, PaletteKind::Short},
        {ColourCode::Grey256, PaletteKind::Usual},   {ColourCode::Rgb24, PaletteKind::Usual},
    };
    for (const auto& c : cases) {
        for (const Size size : kOddSizes) {
            SCOPED_TRACE(testing::Message() << "code " << c.code << " kind " << int(c.kind) << " "
                                            << size.width << "x" << size.height);
            Image image = patternImage(size.width, size.height, c.code, c.kind);
            image.setDpi(300, 1200);
            QString error;
            const QByteArray bytes = encode(writePng, image, &error);
            ASSERT_EQ(error, QString());
            const Decoded back = decode(readPng, bytes);
            ASSERT_TRUE(back.ok()) << back.error.toStdString();
            EXPECT_TRUE(back.image.isValid());
            EXPECT_TRUE(samePixels(back.image, image));
            EXPECT_EQ(back.image.dpiX(), 300);
            EXPECT_EQ(back.image.dpiY(), 1200);
        }
    }
}

TEST(PngRoundTrip, DirectColourCodesAreWrittenAsTwentyFourBitColour)
{
    for (ColourCode code : {ColourCode::Rgb555, ColourCode::Rgb32}) {
        for (const Size size : kOddSizes) {
            const Image image = patternImage(size.width, size.height, code);
            const Decoded back = decode(readPng, encode(writePng, image));
            ASSERT_TRUE(back.ok()) << back.error.toStdString();
            EXPECT_EQ(back.image.code(), ColourCode::Rgb24);
            EXPECT_EQ(maxChannelDifference(back.image, image), 0) << code;
        }
    }
}

TEST(PngRoundTrip, EveryDpiSurvivesTheMetricDensity)
{
    Image image = patternImage(1, 1, ColourCode::Grey256);
    for (int dpi = 1; dpi <= 4800; dpi += (dpi < 1300 ? 1 : 97)) {
        image.setDpi(dpi, dpi + 1);
        const Decoded back = decode(readPng, encode(writePng, image));
        ASSERT_TRUE(back.ok());
        ASSERT_EQ(back.image.dpiX(), dpi);
        ASSERT_EQ(back.image.dpiY(), dpi + 1);
    }
    image.setDpi(0, 0);
    const Decoded none = decode(readPng, encode(writePng, image));
    EXPECT_EQ(none.image.dpiX(), 0);
    EXPECT_EQ(none.image.dpiY(), 0);
}

TEST(PngRead, SixteenBitInterlacedColourAndGreyAreScaledToEightBits)
{
    RawPng colour;
    colour.width = 3;
    colour.height = 9;  // several Adam7 passes
    colour.bitDepth = 16;
    colour.interlaced = true;
    for (int y = 0; y < colour.height; ++y) {
        colour.rows.push_back(samples16({0, 0xffff, 0x1234, 257 * y, 0x8000, 0x7f7f, 0xfffe, 0x0101 * y, 0x00ff}));
    }
    const Decoded back = decode(readPng, writeRaw(colour));
    ASSERT_TRUE(back.ok()) << back.error.toStdString();
    ASSERT_EQ(back.image.code(), ColourCode::Rgb24);
    for (int y = 0; y < colour.height; ++y) {
        EXPECT_EQ(back.image.pixelColour(0, y), qRgb(0, 255, scaled(0x1234)));
        EXPECT_EQ(back.image.pixelColour(1, y), qRgb(y, scaled(0x8000), scaled(0x7f7f)));
        EXPECT_EQ(back.image.pixelColour(2, y), qRgb(scaled(0xfffe), y, scaled(0x00ff)));
    }

    RawPng grey;
    grey.width = 5;
    grey.height = 5;
    grey.bitDepth = 16;
    grey.colourType = PNG_COLOR_TYPE_GRAY;
    grey.interlaced = true;
    for (int y = 0; y < 5; ++y)
        grey.rows.push_back(samples16({0, 1000 * y, 0xffff, 0x8080, 12345}));
    const Decoded greyBack = decode(readPng, writeRaw(grey));
    ASSERT_TRUE(greyBack.ok()) << greyBack.error.toStdString();
    ASSERT_EQ(greyBack.image.code(), ColourCode::Grey256);
    for (int y = 0; y < 5; ++y) {
        const int level = scaled(1000 * y);
        EXPECT_EQ(greyBack.image.pixelColour(1, y), qRgb(level, level, level));
        EXPECT_EQ(greyBack.image.pixelColour(4, y), qRgb(scaled(12345), scaled(12345), scaled(12345)));
    }
}

TEST(PngRead, SmallGreyDepthsBecomeGreyCodesAndOneBitStaysOneBit)
{
    RawPng two;
    two.width = 4;
    two.colourType = PNG_COLOR_TYPE_GRAY;
    two.bitDepth = 2;
    two.rows = {{0b00011011}};
    Decoded back = decode(readPng, writeRaw(two));
    ASSERT_TRUE(back.ok()) << back.error.toStdString();
    EXPECT_EQ(back.image.code(), ColourCode::Grey16);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(back.image.pixelColour(x, 0), qRgb(85 * x, 85 * x, 85 * x));

    RawPng four = two;
    four.bitDepth = 4;
    four.width = 3;
    four.rows = {{0x0f, 0x70}};
    back = decode(readPng, writeRaw(four));
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.image.code(), ColourCode::Grey16);
    EXPECT_EQ(back.image.pixelColour(1, 0), qRgb(255, 255, 255));
    EXPECT_EQ(back.image.pixelColour(2, 0), qRgb(119, 119, 119));

    // Interlaced 1-bit rows: the passes put single bits back into packed bytes.
    RawPng one = two;
    one.bitDepth = 1;
    one.width = 11;
    one.height = 11;
    one.interlaced = true;
    one.rows.clear();
    for (int y = 0; y < 11; ++y) {
        const unsigned bits = (0x5a5u ^ (y * 0x13u)) & 0x7ff;
        one.rows.push_back({png_byte(bits >> 3), png_byte((bits & 7) << 5)});
    }
    back = decode(readPng, writeRaw(one));
    ASSERT_TRUE(back.ok());
    ASSERT_EQ(back.image.code(), ColourCode::Mono);
    for (int y = 0; y < 11; ++y) {
        const unsigned bits = (0x5a5u ^ (y * 0x13u)) & 0x7ff;
        for (int x = 0; x < 11; ++x) {
            const int level = (bits >> (10 - x)) & 1 ? 255 : 0;
            EXPECT_EQ(back.image.pixelColour(x, y), qRgb(level, level, level)) << x << "," << y;
        }
    }
}

TEST(PngRead, PaletteFilesKeepTheirDepthAndPalette)
{
    RawPng two;
    two.width = 4;
    two.colourType = PNG_COLOR_TYPE_PALETTE;
    two.bitDepth = 2;
    two.palette = {{10, 20, 30}, {200, 0, 0}, {0, 0, 255}};
    two.rows = {{0b00011000}};
    Decoded back = decode(readPng, writeRaw(two));
    ASSERT_TRUE(back.ok()) << back.error.toStdString();
    EXPECT_EQ(back.image.code(), ColourCode::Palette16);
    EXPECT_EQ(back.image.palette().size(), 3);
    EXPECT_EQ(back.image.pixelColour(1, 0), qRgb(200, 0, 0));
    EXPECT_EQ(back.image.pixelColour(2, 0), qRgb(0, 0, 255));

    // A one-colour 1-bit palette still gives the two entries a 1-bit image holds.
    RawPng single = two;
    single.bitDepth = 1;
    single.palette = {{1, 2, 3}};
    single.rows = {{0}};
    back = decode(readPng, writeRaw(single));
    ASSERT_TRUE(back.ok()) << back.error.toStdString();
    EXPECT_EQ(back.image.code(), ColourCode::Mono);
    EXPECT_EQ(back.image.pixelColour(0, 0), qRgb(1, 2, 3));

    // Indices beyond a short palette are clamped to its last entry instead of reading past it.
    RawPng outside = two;
    outside.bitDepth = 8;
    outside.width = 3;
    outside.palette = {{255, 0, 0}, {0, 255, 0}};
    outside.rows = {{0, 1, 200}};
    back = decode(readPng, writeRaw(outside));
    ASSERT_TRUE(back.ok()) << back.error.toStdString();
    EXPECT_EQ(back.image.code(), ColourCode::Palette256);
    EXPECT_TRUE(back.image.isValid());
    EXPECT_EQ(back.image.pixelColour(2, 0), qRgb(0, 255, 0));
}

TEST(PngRead, TransparencyIsCompositedOnWhite)
{
    RawPng palette;
    palette.width = 3;
    palette.colourType = PNG_COLOR_TYPE_PALETTE;
    palette.palette = {{0, 0, 0}, {200, 100, 0}, {10, 20, 30}};
    palette.paletteAlpha = {0, 128};  // the third entry stays opaque
    palette.rows = {{0, 1, 2}};
    Decoded back = decode(readPng, writeRaw(palette));
    ASSERT_TRUE(back.ok()) << back.error.toStdString();
    EXPECT_EQ(back.image.code(), ColourCode::Palette256);
    EXPECT_EQ(back.image.pixelColour(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(back.image.pixelColour(1, 0), qRgb(blend(200, 128), blend(100, 128), blend(0, 128)));
    EXPECT_EQ(back.image.pixelColour(2, 0), qRgb(10, 20, 30));

    RawPng greyAlpha;
    greyAlpha.width = 2;
    greyAlpha.height = 3;
    greyAlpha.colourType = PNG_COLOR_TYPE_GRAY_ALPHA;
    greyAlpha.interlaced = true;
    greyAlpha.rows = {{0, 255, 0, 0}, {100, 64, 50, 200}, {7, 255, 7, 0}};
    back = decode(readPng, writeRaw(greyAlpha));
    ASSERT_TRUE(back.ok()) << back.error.toStdString();
    EXPECT_EQ(back.image.code(), ColourCode::Grey256);
    EXPECT_EQ(back.image.pixelColour(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(back.image.pixelColour(1, 0), qRgb(255, 255, 255));
    EXPECT_EQ(qRed(back.image.pixelColour(0, 1)), blend(100, 64));
    EXPECT_EQ(qRed(back.image.pixelColour(1, 1)), blend(50, 200));

    RawPng rgba;
    rgba.width = 2;
    rgba.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    rgba.bitDepth = 16;
    rgba.rows = {samples16({0xffff, 0, 0, 0xffff, 0, 0x8080, 0xffff, 0x4040})};
    back = decode(readPng, writeRaw(rgba));
    ASSERT_TRUE(back.ok()) << back.error.toStdString();
    EXPECT_EQ(back.image.code(), ColourCode::Rgb24);
    EXPECT_EQ(back.image.pixelColour(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(back.image.pixelColour(1, 0), qRgb(blend(0, 64), blend(128, 64), blend(255, 64)));

    RawPng keyed;
    keyed.width = 2;
    keyed.rows = {{1, 2, 3, 4, 5, 6}};
    keyed.transparentColour = true;
    keyed.transparent.red = 4;
    keyed.transparent.green = 5;
    keyed.transparent.blue = 6;
    back = decode(readPng, writeRaw(keyed));
    ASSERT_TRUE(back.ok()) << back.error.toStdString();
    EXPECT_EQ(back.image.pixelColour(0, 0), qRgb(1, 2, 3));
    EXPECT_EQ(back.image.pixelColour(1, 0), qRgb(255, 255, 255));

    RawPng greyKey;
    greyKey.width = 2;
    greyKey.colourType = PNG_COLOR_TYPE_GRAY;
    greyKey.rows = {{9, 10}};
    greyKey.transparentColour = true;
    greyKey.transparent.gray = 9;
    back = decode(readPng, writeRaw(greyKey));
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.image.code(), ColourCode::Grey256);
    EXPECT_EQ(back.image.pixelColour(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(back.image.pixelColour(1, 0), qRgb(10, 10, 10));
}

TEST(PngRead, DensityWithoutAUnitIsNoDpi)
{
    RawPng raw;
    raw.rows = {{1, 2, 3}};
    raw.densityUnit = PNG_RESOLUTION_UNKNOWN;
    raw.densityX = raw.densityY = 1;
    Decoded back = decode(readPng, writeRaw(raw));
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.image.dpiX(), 0);
    raw.densityUnit = PNG_RESOLUTION_METER;
    raw.densityX = 11811;  // 300 dpi
    raw.densityY = 3937;   // 100 dpi
    back = decode(readPng, writeRaw(raw));
    EXPECT_EQ(back.image.dpiX(), 300);
    EXPECT_EQ(back.image.dpiY(), 100);
}

TEST(PngDamage, TruncatedFilesAreRefusedAtEveryLength)
{
    Image image = patternImage(40, 30, ColourCode::Rgb24);
    const QByteArray whole = encode(writePng, image);
    // The image data end 12 bytes (the IEND chunk) before the file ends; every cut before
    // that must fail, every cut fails or succeeds without crashing.
    const qsizetype dataEnd = whole.size() - 12;
    for (qsizetype length = 0; length < whole.size(); ++length) {
        const Decoded back = decode(readPng, whole.left(length));
        if (length < dataEnd) {
            ASSERT_FALSE(back.ok()) << length;
            if (length >= 8) {
                ASSERT_EQ(back.error, QStringLiteral("ﾌｧｲﾙが途中で終わっています")) << length;
            }
        }
    }
}

TEST(PngDamage, CorruptAndAbsurdFilesGiveAReason)
{
    EXPECT_EQ(decode(readPng, QByteArray("GIF89a......")).error, QStringLiteral("PNG ﾌｧｲﾙではありません"));
    EXPECT_FALSE(decode(readPng, QByteArray()).ok());

    // A flipped byte inside the image data fails its checksum.
    const Image image = patternImage(20, 20, ColourCode::Grey256);
    QByteArray bytes = encode(writePng, image);
    const qsizetype idat = bytes.indexOf("IDAT");
    ASSERT_GT(idat, 0);
    bytes[idat + 10] = char(bytes[idat + 10] ^ 0x55);
    EXPECT_EQ(decode(readPng, bytes).error, QStringLiteral("ﾌｧｲﾙが壊れています"));

    // Sizes beyond the bounds are refused from the header, before any pixel memory exists.
    RawPng huge;
    huge.width = 30000;
    huge.height = 30000;
    huge.headerOnly = true;
    Decoded back = decode(readPng, writeRaw(huge));
    EXPECT_FALSE(back.ok());
    EXPECT_TRUE(back.error.startsWith(QStringLiteral("画像が大きすぎます"))) << back.error.toStdString();
    huge.width = Image::kMaxSide + 1;
    huge.height = 1;
    huge.colourType = PNG_COLOR_TYPE_GRAY;
    huge.bitDepth = 1;
    back = decode(readPng, writeRaw(huge));
    EXPECT_TRUE(back.error.startsWith(QStringLiteral("画像が大きすぎます"))) << back.error.toStdString();
}

TEST(PngWrite, AFailingDeviceIsReported)
{
    QByteArray bytes;
    QBuffer readOnly(&bytes);
    readOnly.open(QIODevice::ReadOnly);
    EXPECT_EQ(writePng(patternImage(9, 9, ColourCode::Rgb24), readOnly), QStringLiteral("ﾌｧｲﾙに書き込めません"));
    EXPECT_FALSE(writePng(Image(), readOnly).isEmpty());
}

}  // namespace
}  // namespace tavlo::codecs
