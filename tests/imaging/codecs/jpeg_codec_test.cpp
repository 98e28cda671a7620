#include "imaging/codecs/exif_facts.h"
#include "imaging/codecs/jpeg_codec.h"
#include "tests/imaging/codecs/codec_test_support.h"

#include <gtest/gtest.h>

#include <QBuffer>

#include <cstdio>
#include <jpeglib.h>

#include <vector>

namespace tavlo::codecs {
namespace {

using namespace test;

// A smooth picture (JPEG's own kind of content), so a lossy round trip stays close.
Image smoothImage(int width, int height, ColourCode code)
{
    Image image = Image::create(width, height, ColourCode::Rgb24);
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x + 0] = uchar(40 + 150 * x / std::max(1, width - 1));
            row[3 * x + 1] = uchar(200 - 120 * y / std::max(1, height - 1));
            row[3 * x + 2] = uchar(90 + 60 * (x + y) / std::max(1, width + height - 2));
        }
    }
    if (code == ColourCode::Grey256) {
        Image grey = Image::create(width, height, ColourCode::Grey256);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                grey.scanLine(y)[x] = uchar(30 + 190 * (x + 2 * y) / std::max(1, width + 2 * height - 3));
        return grey;
    }
    return image;
}

// A picture of four flat quadrants (red, green, blue, white), which tells every orientation apart.
Image quadrants(int width, int height)
{
    Image image = Image::create(width, height, ColourCode::Rgb24);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2;
            const bool bottom = y >= height / 2;
            const QRgb c = !bottom ? (right ? qRgb(0, 200, 0) : qRgb(220, 0, 0))
                                   : (right ? qRgb(255, 255, 255) : qRgb(0, 0, 210));
            image.pixels().setPixel(x, y, c);
        }
    }
    return image;
}

bool near(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// Writes a JPEG with libjpeg directly, for files our writer never makes: CMYK, progressive, EXIF,
// densities in dots per centimetre.
struct RawJpeg {
    int width = 16;
    int height = 16;
    int components = 3;
    J_COLOR_SPACE space = JCS_RGB;
    bool adobeMarker = true;
    bool progressive = false;
    int densityUnit = 0;
    int densityX = 1;
    int densityY = 1;
    std::vector<unsigned char> exif;  // APP1 payload
    std::vector<unsigned char> samples;  // rows of width x components
};

QByteArray writeRaw(const RawJpeg& raw)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* memory = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &memory, &size);
    cinfo.image_width = JDIMENSION(raw.width);
    cinfo.image_height = JDIMENSION(raw.height);
    cinfo.input_components = raw.components;
    cinfo.in_color_space = raw.space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    if (raw.space == JCS_CMYK) {
        jpeg_set_colorspace(&cinfo, JCS_CMYK);
        cinfo.write_Adobe_marker = raw.adobeMarker;
    }
    if (raw.progressive)
        jpeg_simple_progression(&cinfo);
    cinfo.density_unit = UINT8(raw.densityUnit);
    cinfo.X_density = UINT16(raw.densityX);
    cinfo.Y_density = UINT16(raw.densityY);
    jpeg_start_compress(&cinfo, TRUE);
    if (!raw.exif.empty())
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, raw.exif.data(), unsigned(raw.exif.size()));
    const int stride = raw.width * raw.components;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(raw.samples.data() + cinfo.next_scanline * stride);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char*>(memory), qsizetype(size));
    std::free(memory);
    return bytes;
}

RawJpeg fromImage(const Image& image)
{
    RawJpeg raw;
    raw.width = image.width();
    raw.height = image.height();
    for (int y = 0; y < raw.height; ++y) {
        for (int x = 0; x < raw.width; ++x) {
            const QRgb c = image.pixelColour(x, y);
            raw.samples.insert(raw.samples.end(), {uchar(qRed(c)), uchar(qGreen(c)), uchar(qBlue(c))});
        }
    }
    return raw;
}

// An EXIF block holding the orientation and, when dpi > 0, the resolution in inches.
std::vector<unsigned char> exifBlock(int orientation, bool bigEndian, int dpiX = 0, int dpiY = 0)
{
    std::vector<unsigned char> b = {'E', 'x', 'i', 'f', 0, 0};
    auto u16 = [&](unsigned v) {
        if (bigEndian)
            b.insert(b.end(), {uchar(v >> 8), uchar(v)});
        else
            b.insert(b.end(), {uchar(v), uchar(v >> 8)});
    };
    auto u32 = [&](std::uint32_t v) {
        if (bigEndian)
            b.insert(b.end(), {uchar(v >> 24), uchar(v >> 16), uchar(v >> 8), uchar(v)});
        else
            b.insert(b.end(), {uchar(v), uchar(v >> 8), uchar(v >> 16), uchar(v >> 24)});
    };
    b.push_back(bigEndian ? 'M' : 'I');
    b.push_back(bigEndian ? 'M' : 'I');
    u16(42);
    u32(8);
    const unsigned entries = dpiX > 0 ? 4 : 1;
    u16(entries);
    u16(0x0112);
    u16(3);
    u32(1);
    u16(unsigned(orientation));
    u16(0);
    const std::uint32_t values = 8 + 2 + entries * 12 + 4;
    if (dpiX > 0) {
        u16(0x011a), u16(5), u32(1), u32(values);
        u16(0x011b), u16(5), u32(1), u32(values + 8);
        u16(0x0128), u16(3), u32(1), u16(2), u16(0);
    }
    u32(0);
    if (dpiX > 0) {
        u32(std::uint32_t(dpiX) * 10), u32(10);
        u32(std::uint32_t(dpiY)), u32(1);
    }
    return b;
}

TEST(JpegRoundTrip, GreyAndColourComeBackCloseWithTheirDpi)
{
    for (ColourCode code : {ColourCode::Grey256, ColourCode::Rgb24}) {
        for (const Size size : kOddSizes) {
            SCOPED_TRACE(testing::Message() << "code " << code << " " << size.width << "x" << size.height);
            Image image = smoothImage(size.width, size.height, code);
            image.setDpi(300, 150);
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadWrite);
            ASSERT_EQ(writeJpeg(image, buffer, 95), QString());
            const Decoded back = decode(readJpeg, bytes);
            ASSERT_TRUE(back.ok()) << back.error.toStdString();
            EXPECT_EQ(back.image.code(), code);
            EXPECT_LE(maxChannelDifference(back.image, image), 8);
            EXPECT_EQ(back.image.dpiX(), 300);
            EXPECT_EQ(back.image.dpiY(), 150);
        }
    }
}

TEST(JpegRoundTrip, OtherCodesAreWrittenAsTheNearestGreyOrColour)
{
    const struct {
        ColourCode code;
        PaletteKind kind;
        ColourCode expected;
    } cases[] = {
        {ColourCode::Mono, PaletteKind::Usual, ColourCode::Grey256},
        {ColourCode::Mono, PaletteKind::ColourPair, ColourCode::Rgb24},
        {ColourCode::Grey16, PaletteKind::Usual, ColourCode::Grey256},
        {ColourCode::Palette16, PaletteKind::Usual, ColourCode::Rgb24},
        {ColourCode::Palette256, PaletteKind::Usual, ColourCode::Rgb24},
        {ColourCode::Rgb555, PaletteKind::Usual, ColourCode::Rgb24},
        {ColourCode::Rgb32, PaletteKind::Usual, ColourCode::Rgb24},
    };
    for (const auto& c : cases) {
        // Flat 8 x 8 blocks of one palette colour each, which JPEG keeps nearly exactly.
        const Image pattern = patternImage(4, 4, c.code, c.kind);
        Image image = Image::create(32, 32, c.code);
        const bool indexed = pattern.pixels().colorCount() > 0;
        image.pixels().setColorTable(pattern.palette());
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                image.pixels().setPixel(x, y, indexed ? uint(pattern.pixels().pixelIndex(x / 8, y / 8))
                                                      : pattern.pixelColour(x / 8, y / 8));
            }
        }
        ASSERT_TRUE(image.isValid()) << c.code;
        QString error;
        const QByteArray bytes =
            encode([](const Image& i, QIODevice& d) { return writeJpeg(i, d, 100); }, image, &error);
        ASSERT_EQ(error, QString()) << c.code;
        const Decoded back = decode(readJpeg, bytes);
        ASSERT_TRUE(back.ok()) << back.error.toStdString();
        EXPECT_EQ(back.image.code(), c.expected) << c.code;
        for (int y = 4; y < 32; y += 8)
            for (int x = 4; x < 32; x += 8)
                EXPECT_TRUE(near(back.image.pixelColour(x, y), image.pixelColour(x, y), 4))
                    << c.code << " at " << x << "," << y;
    }
}

TEST(JpegRoundTrip, QualityChangesTheFileAndIsClamped)
{
    const Image image = patternImage(64, 64, ColourCode::Rgb24);
    auto sized = [&](int quality) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadWrite);
        EXPECT_EQ(writeJpeg(image, buffer, quality), QString());
        return bytes.size();
    };
    EXPECT_LT(sized(10), sized(80));
    EXPECT_LT(sized(80), sized(100));
    EXPECT_EQ(sized(-5), sized(1));
    EXPECT_EQ(sized(500), sized(100));
}

TEST(JpegRead, CmykIsConvertedPlainAndAdobeInverted)
{
    RawJpeg raw;
    raw.components = 4;
    raw.space = JCS_CMYK;
    // Cyan 0, magenta 255 (full), yellow 255, black 0 -> red; stored inverted for the Adobe file.
    for (int i = 0; i < 16 * 16; ++i)
        raw.samples.insert(raw.samples.end(), {0, 255, 255, 64});
    raw.adobeMarker = false;
    Decoded back = decode(readJpeg, writeRaw(raw));
    ASSERT_TRUE(back.ok()) << back.error.toStdString();
    EXPECT_EQ(back.image.code(), ColourCode::Rgb24);
    EXPECT_TRUE(near(back.image.pixelColour(5, 5), qRgb(191, 0, 0), 3)) << std::hex << back.image.pixelColour(5, 5);

    raw.adobeMarker = true;
    raw.samples.clear();
    for (int i = 0; i < 16 * 16; ++i)
        raw.samples.insert(raw.samples.end(), {255, 0, 0, 191});
    back = decode(readJpeg, writeRaw(raw));
    ASSERT_TRUE(back.ok()) << back.error.toStdString();
    EXPECT_TRUE(near(back.image.pixelColour(5, 5), qRgb(191, 0, 0), 3)) << std::hex << back.image.pixelColour(5, 5);
}

TEST(JpegRead, ExifOrientationTurnsThePictureUprightAndSwapsTheDpi)
{
    const QRgb red = qRgb(220, 0, 0), green = qRgb(0, 200, 0), blue = qRgb(0, 0, 210), white = qRgb(255, 255, 255);
    struct Corners {
        QRgb topLeft, topRight, bottomLeft, bottomRight;
    };
    // The stored quadrants are red, green over blue, white; the upright corners per orientation:
    const Corners expected[9] = {
        {},
        {red, green, blue, white},   // 1
        {green, red, white, blue},   // 2 mirrored
        {white, blue, green, red},   // 3 half turn
        {blue, white, red, green},   // 4 flipped
        {red, blue, green, white},   // 5 transposed
        {blue, red, white, green},   // 6 right turn
        {white, green, blue, red},   // 7 transversed
        {green, white, red, blue},   // 8 left turn
    };
    for (int orientation = 1; orientation <= 8; ++orientation) {
        for (bool bigEndian : {false, true}) {
            SCOPED_TRACE(testing::Message() << "orientation " << orientation << (bigEndian ? " MM" : " II"));
            RawJpeg raw = fromImage(quadrants(48, 32));
            raw.exif = exifBlock(orientation, bigEndian);
            raw.densityUnit = 1;
            raw.densityX = 200;
            raw.densityY = 100;
            const Decoded back = decode(readJpeg, writeRaw(raw));
            ASSERT_TRUE(back.ok()) << back.error.toStdString();
            const bool swapped = orientation >= 5;
            ASSERT_EQ(back.image.width(), swapped ? 32 : 48);
            ASSERT_EQ(back.image.height(), swapped ? 48 : 32);
            EXPECT_EQ(back.image.dpiX(), swapped ? 100 : 200);
            EXPECT_EQ(back.image.dpiY(), swapped ? 200 : 100);
            const int w = back.image.width(), h = back.image.height();
            EXPECT_TRUE(near(back.image.pixelColour(2, 2), expected[orientation].topLeft, 6));
            EXPECT_TRUE(near(back.image.pixelColour(w - 3, 2), expected[orientation].topRight, 6));
            EXPECT_TRUE(near(back.image.pixelColour(2, h - 3), expected[orientation].bottomLeft, 6));
            EXPECT_TRUE(near(back.image.pixelColour(w - 3, h - 3), expected[orientation].bottomRight, 6));
        }
    }
}

TEST(JpegRead, DensityUnitsAndExifResolution)
{
    RawJpeg raw = fromImage(smoothImage(8, 8, ColourCode::Rgb24));
    raw.densityUnit = 2;  // dots per centimetre
    raw.densityX = 118;
    raw.densityY = 40;
    Decoded back = decode(readJpeg, writeRaw(raw));
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.image.dpiX(), 300);  // 118 x 2.54 = 299.7
    EXPECT_EQ(back.image.dpiY(), 102);  // 40 x 2.54 = 101.6

    raw.densityUnit = 0;  // an aspect ratio only: the EXIF resolution decides
    raw.exif = exifBlock(1, true, 72, 96);
    back = decode(readJpeg, writeRaw(raw));
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.image.dpiX(), 72);
    EXPECT_EQ(back.image.dpiY(), 96);

    raw.exif.clear();
    back = decode(readJpeg, writeRaw(raw));
    EXPECT_EQ(back.image.dpiX(), 0);
    EXPECT_EQ(back.image.dpiY(), 0);
}

TEST(JpegRead, DamagedExifBlocksAreIgnored)
{
    std::vector<unsigned char> block = exifBlock(6, false, 300, 300);
    for (size_t cut = 0; cut < block.size(); ++cut) {
        const ExifFacts facts = ExifFacts::parse(block.data(), cut);
        EXPECT_GE(facts.orientation, 1);
        EXPECT_LE(facts.orientation, 8);
    }
    std::vector<unsigned char> forged = block;
    forged[6 + 8] = 0xff;  // entry count 0x??ff: far more entries than the block holds
    forged[6 + 9] = 0xff;
    EXPECT_EQ(ExifFacts::parse(forged.data(), forged.size()).orientation, 1);
    forged = block;
    forged[6 + 4] = 0xf0;  // the first directory lies outside the block
    EXPECT_EQ(ExifFacts::parse(forged.data(), forged.size()).orientation, 1);
}

TEST(JpegDamage, TruncatedFilesAreRefused)
{
    for (bool progressive : {false, true}) {
        RawJpeg raw = fromImage(patternImage(40, 40, ColourCode::Rgb24));
        raw.progressive = progressive;
        const QByteArray whole = writeRaw(raw);
        ASSERT_TRUE(decode(readJpeg, whole).ok());
        // Cut anywhere before the last 64 bytes of entropy data (all within the pixels).
        for (qsizetype length = 0; length < whole.size() - 64; ++length) {
            const Decoded back = decode(readJpeg, whole.left(length));
            ASSERT_FALSE(back.ok()) << "progressive " << progressive << " length " << length;
            if (length >= 3) {
                ASSERT_EQ(back.error, QStringLiteral("ﾌｧｲﾙが途中で終わっています")) << length;
            }
        }
        // A file that lacks only its end marker is whole.
        EXPECT_TRUE(decode(readJpeg, whole.left(whole.size() - 2)).ok() || progressive);
    }
}

TEST(JpegDamage, CorruptAndAbsurdFilesGiveAReasonAndNeverCrash)
{
    EXPECT_EQ(decode(readJpeg, QByteArray("\x89PNG\r\n\x1a\n")).error, QStringLiteral("JPEG ﾌｧｲﾙではありません"));
    const QByteArray whole = writeRaw(fromImage(patternImage(24, 24, ColourCode::Rgb24)));
    for (qsizetype at = 2; at < whole.size(); at += 3) {
        QByteArray damaged = whole;
        damaged[at] = char(damaged[at] ^ 0xa5);
        const Decoded back = decode(readJpeg, damaged);
        if (back.ok())
            EXPECT_TRUE(back.image.isValid());
        else
            EXPECT_FALSE(back.error.isEmpty());
    }
    // A frame header claiming 60000 x 60000 colour pixels (10 GB) is refused before decoding.
    QByteArray huge = whole;
    const qsizetype sof = huge.indexOf("\xff\xc0");
    ASSERT_GT(sof, 0);
    huge[sof + 5] = char(0xea), huge[sof + 6] = char(0x60);
    huge[sof + 7] = char(0xea), huge[sof + 8] = char(0x60);
    const Decoded back = decode(readJpeg, huge);
    EXPECT_TRUE(back.error.startsWith(QStringLiteral("画像が大きすぎます"))) << back.error.toStdString();
}

TEST(JpegWrite, AFailingDeviceIsReported)
{
    QByteArray bytes;
    QBuffer readOnly(&bytes);
    readOnly.open(QIODevice::ReadOnly);
    EXPECT_EQ(writeJpeg(patternImage(300, 300, ColourCode::Rgb24), readOnly, 80), QStringLiteral("ﾌｧｲﾙに書き込めません"));
    EXPECT_EQ(writeJpeg(patternImage(3, 3, ColourCode::Grey256), readOnly, 80), QStringLiteral("ﾌｧｲﾙに書き込めません"));
}

}  // namespace
}  // namespace tavlo::codecs
