#include "imaging/codecs/bmp_codec.h"
#include "imaging/codecs/little_endian.h"
#include "imaging/codecs/pcx_codec.h"
#include "tests/support/test_images.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

namespace tavlo::codecs {
namespace {

using namespace test;

Decoded pcx(const QByteArray& bytes)
{
    return decode(readPcx, bytes);
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

// Builds BMP files byte by byte, for the header variants our writer never produces.
struct BmpBuilder {
    int headerSize = 40;
    qint32 width = 1;
    qint32 height = 1;
    int bits = 24;
    quint32 compression = 0;
    QVector<QRgb> palette = {};
    QVector<quint32> masks = {};  // after a 40-byte header, or inside a larger one
    qint32 perMetre = 0;
    QByteArray pixels = {};

    QByteArray build() const
    {
        const int entrySize = headerSize == 12 ? 3 : 4;
        const bool masksAfter = headerSize == 40 && !masks.isEmpty();
        const int offset = 14 + headerSize + (masksAfter ? 4 * int(masks.size()) : 0) +
                           entrySize * int(palette.size());
        QByteArray out(offset, '\0');
        uchar* p = reinterpret_cast<uchar*>(out.data());
        p[0] = 'B';
        p[1] = 'M';
        putLe32(p + 2, quint32(offset + pixels.size()));
        putLe32(p + 10, quint32(offset));
        uchar* h = p + 14;
        putLe32(h, quint32(headerSize));
        if (headerSize == 12) {
            putLe16(h + 4, quint16(width));
            putLe16(h + 6, quint16(height));
            putLe16(h + 8, 1);
            putLe16(h + 10, quint16(bits));
        } else {
            putLe32(h + 4, quint32(width));
            putLe32(h + 8, quint32(height));
            putLe16(h + 12, 1);
            putLe16(h + 14, quint16(bits));
            putLe32(h + 16, compression);
            putLe32(h + 20, quint32(pixels.size()));
            putLe32(h + 24, quint32(perMetre));
            putLe32(h + 28, quint32(perMetre));
            for (int i = 0; headerSize >= 52 && i < masks.size() && i < 4; ++i)
                putLe32(h + 40 + 4 * i, masks[i]);
        }
        uchar* next = h + headerSize;
        for (int i = 0; masksAfter && i < masks.size(); ++i, next += 4)
            putLe32(next, masks[i]);
        for (QRgb c : palette) {
            next[0] = uchar(qBlue(c));
            next[1] = uchar(qGreen(c));
            next[2] = uchar(qRed(c));
            next += entrySize;
        }
        return out + pixels;
    }
};

Decoded bmp(const QByteArray& bytes)
{
    return decode(readBmp, bytes);
}

Decoded bmp(const BmpBuilder& file)
{
    return bmp(file.build());
}

// A PCX header for hand-made files; the pixel data follow.
QByteArray pcxHeader(int width, int height, int bitsPerPlane, int planes, int bytesPerLine,
                     const QVector<QRgb>& map = {}, int version = 5, int encoding = 1)
{
    QByteArray header(128, '\0');
    uchar* h = reinterpret_cast<uchar*>(header.data());
    h[0] = 0x0A;
    h[1] = uchar(version);
    h[2] = uchar(encoding);
    h[3] = uchar(bitsPerPlane);
    putLe16(h + 8, quint16(width - 1));
    putLe16(h + 10, quint16(height - 1));
    putLe16(h + 12, 150);
    putLe16(h + 14, 75);
    for (int i = 0; i < map.size(); ++i) {
        h[16 + 3 * i] = uchar(qRed(map[i]));
        h[17 + 3 * i] = uchar(qGreen(map[i]));
        h[18 + 3 * i] = uchar(qBlue(map[i]));
    }
    h[65] = uchar(planes);
    putLe16(h + 66, quint16(bytesPerLine));
    return header;
}

const QRgb k = qRgb(0, 0, 0), r = qRgb(255, 0, 0), g = qRgb(0, 255, 0), b = qRgb(0, 0, 255);

// Files of another encoder, each beside a 24-bit BMP of the same pixels (see the READMEs).
TEST(BmpPcx, ReadFilesOfAnotherEncoder)
{
    const struct {
        const char* file;
        const char* reference;
        ColourCode code;
    } cases[] = {
        {"bmp/im_os2.bmp", "bmp/im_os2_ref.bmp", ColourCode::Rgb24},
        {"bmp/im_v5.bmp", "bmp/im_v5_ref.bmp", ColourCode::Rgb24},
        {"bmp/im_rle8.bmp", "bmp/im_rle8_ref.bmp", ColourCode::Palette256},
        {"bmp/im_p4.bmp", "bmp/im_p4_ref.bmp", ColourCode::Palette16},
        {"bmp/im_m1.bmp", "bmp/im_m1_ref.bmp", ColourCode::Mono},
        {"bmp/im_565.bmp", "bmp/im_565_ref.bmp", ColourCode::Rgb24},
        {"bmp/im_argb.bmp", "bmp/im_argb_ref.bmp", ColourCode::Rgb32},
        {"pcx/im_rgb.pcx", "pcx/im_rgb.bmp", ColourCode::Rgb24},
        {"pcx/im_pal256.pcx", "pcx/im_pal256.bmp", ColourCode::Palette256},
        {"pcx/im_pal16.pcx", "pcx/im_pal16.bmp", ColourCode::Palette256},
    };
    for (const auto& c : cases) {
        const Decoded image = decode(testData(QLatin1String(c.file)));
        const Decoded reference = bmp(testData(QLatin1String(c.reference)));
        ASSERT_TRUE(image.ok() && reference.ok()) << c.file << image.error.toStdString();
        EXPECT_EQ(image.image.code(), c.code) << c.file;
        EXPECT_EQ(largestDifference(image.image, reference.image), 0) << c.file;
    }
}

// (Qt reading our BMP files is checked by the clipboard tests, which offer them to other programs.)
TEST(BmpPcx, QtBmpFilesReadInOurs)
{
    for (QImage::Format format :
         {QImage::Format_Indexed8, QImage::Format_RGB32, QImage::Format_Mono}) {
        const QImage source =
            sampleImage(ColourCode::Rgb24, 11, 6).pixels().convertToFormat(format);
        QByteArray file;
        QBuffer buffer(&file);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(source.save(&buffer, "BMP"));
        const Decoded back = bmp(file);
        ASSERT_TRUE(back.ok()) << back.error.toStdString();
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 11; ++x)
                ASSERT_EQ(back.image.pixelColour(x, y), source.pixel(x, y) | 0xff000000u) << format;
    }
}

TEST(BmpPcx, BmpReadsOs2AndV5HeadersTopDownRowsAndBitFields)
{
    // OS/2 1.x: 3-byte palette entries, 16-bit sizes. Two rows, bottom-up: indices 1 then 0.
    Decoded image = bmp({.headerSize = 12,
                         .width = 2,
                         .height = 2,
                         .bits = 8,
                         .palette = {r, b},
                         .pixels = bytes({1, 1, 0, 0, 0, 0, 0, 0})});
    EXPECT_EQ(image.image.code(), ColourCode::Palette256);
    EXPECT_EQ(image.image.pixelColour(0, 0), r);  // the top row is the last in the file
    EXPECT_EQ(image.image.pixelColour(1, 1), b);
    // V4, V5 and short V2 headers, 24 bits, top-down (negative height), 3779 pixels per metre = 96
    // dpi.
    for (int headerSize : {108, 124, 64}) {
        image = bmp({.headerSize = headerSize,
                     .height = -2,
                     .perMetre = 3779,
                     .pixels = bytes({1, 2, 3, 0, 4, 5, 6, 0})});
        EXPECT_EQ(image.image.code(), ColourCode::Rgb24) << headerSize;
        EXPECT_EQ(image.image.pixelColour(0, 0), qRgb(3, 2, 1));
        EXPECT_EQ(image.image.pixelColour(0, 1), qRgb(6, 5, 4));
        EXPECT_EQ(image.image.dpiX(), 96);
    }
    // 5-5-5 given as bit fields is plain code 16; the unused top bit is dropped. (5-6-5 is in
    // the files of another encoder.)
    image = bmp({.width = 2,
                 .bits = 16,
                 .compression = 3,
                 .masks = {0x7C00, 0x03E0, 0x001F},
                 .pixels = bytes({0xFF, 0xFF, 0x00, 0x00})});
    EXPECT_EQ(image.image.code(), ColourCode::Rgb555);
    EXPECT_EQ(image.image.pixelColour(0, 0), grey(255));
    EXPECT_EQ(image.image.scanLine(0)[1], 0x7F);
    // 32 bits with the channels in an unusual order, masks inside a V4 header.
    BmpBuilder v4{.headerSize = 108,
                  .bits = 32,
                  .compression = 3,
                  .masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000},
                  .pixels = bytes({10, 20, 30, 0})};
    image = bmp(v4);
    EXPECT_EQ(image.image.code(), ColourCode::Rgb32);
    EXPECT_EQ(image.image.pixelColour(0, 0), qRgb(10, 20, 30));
    v4.masks = {0x00FF00FF, 0x0000FF00, 0x00FF0000};  // red is not one run of bits
    EXPECT_FALSE(bmp(v4).ok());
}

TEST(BmpPcx, BmpReadsRunLengthEncodedFiles)
{
    // RLE8, 5 x 3, bottom-up: the bottom row is a run of 3 x index 1, then absolute 2, 1, 2 (an
    // odd count, so a pad byte follows) cut at the right edge, then end of line; the middle row
    // is skipped by a delta 2 right and 1 up; then a run of 1 and the end of the bitmap.
    Decoded image = bmp({.width = 5,
                         .height = 3,
                         .bits = 8,
                         .compression = 1,
                         .palette = {k, r, g},
                         .pixels = bytes({3, 1, 0, 3, 2, 1, 2, 0, 0, 0, 0, 2, 2, 1, 1, 2, 0, 1})});
    const QRgb expected[3][5] = {{k, k, g, k, k}, {k, k, k, k, k}, {r, r, r, g, r}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(image.image.pixelColour(x, y), expected[y][x]) << x << "," << y;
    // RLE4: a run alternates the two nibbles; absolute mode packs two per byte.
    image = bmp({.width = 8,
                 .bits = 4,
                 .compression = 2,
                 .palette = {k, r, g},
                 .pixels = bytes({5, 0x12, 0, 3, 0x21, 0x20, 0, 1})});
    EXPECT_EQ(image.image.code(), ColourCode::Palette16);
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(image.image.pixelColour(x, 0), x % 2 ? g : r) << x;
}

// A run that reaches past the right edge is cut there: the pixels beyond it must not spill into
// the row that follows in memory (the row the file gave first, since rows go bottom-up).
TEST(BmpPcx, RunsPastTheRightEdgeAreCutAndLeaveTheNextRowAlone)
{
    const struct {
        const char* what;
        BmpBuilder file;
        int width;
    } cases[] = {
        {"RLE8",
         {.width = 4,
          .height = 3,
          .bits = 8,
          .compression = 1,
          .palette = {k, r, g},
          .pixels = bytes({4, 2, 0, 0, 6, 1, 0, 0, 0, 1})},
         4},
        {"RLE4",
         {.width = 8,
          .height = 3,
          .bits = 4,
          .compression = 2,
          .palette = {k, r, g},
          .pixels = bytes({8, 0x22, 0, 0, 12, 0x11, 0, 0, 0, 1})},
         8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Decoded image = bmp(c.file);
        ASSERT_TRUE(image.ok()) << image.error.toStdString();
        EXPECT_EQ(rowColours(image.image, 2, c.width), std::vector<QRgb>(size_t(c.width), g));
        EXPECT_EQ(rowColours(image.image, 1, c.width), std::vector<QRgb>(size_t(c.width), r));
        EXPECT_EQ(rowColours(image.image, 0, c.width), std::vector<QRgb>(size_t(c.width), k));
    }
}

// Files that end a few bytes early where nothing is lost: a BMP whose last row lacks only its
// padding, and an 8-bit PCX long enough to hold a palette (897 bytes and more) but without the
// 0x0C mark that announces one, whose last 769 bytes are pixels.
TEST(BmpPcx, MissingPaddingAndAMissingPaletteLoseNoPixel)
{
    const Decoded padless =
        bmp({.width = 1, .height = 2, .bits = 24, .pixels = bytes({1, 2, 3, 0, 4, 5, 6})});
    ASSERT_TRUE(padless.ok()) << padless.error.toStdString();
    EXPECT_EQ(padless.image.pixelColour(0, 1), qRgb(3, 2, 1));
    EXPECT_EQ(padless.image.pixelColour(0, 0), qRgb(6, 5, 4));

    QByteArray levels;
    for (int i = 0; i < 30 * 30; ++i) {
        const int level = (i * 7) % 0xC0;  // below 0xC0: each byte stands for itself
        levels.append(char(level == 0x0C ? 0x0D : level));
    }
    const QByteArray file = pcxHeader(30, 30, 8, 1, 30) + levels;
    ASSERT_GE(file.size(), 897);
    const Decoded grey = pcx(file);
    ASSERT_TRUE(grey.ok()) << grey.error.toStdString();
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x)
            ASSERT_EQ(grey.image.pixelColour(x, y), test::grey(uchar(levels[y * 30 + x])))
                << x << "," << y;
}

TEST(BmpPcx, BmpBombsPaletteIndicesOutsideAndOddHeadersAreRefused)
{
    // A run-length bomb (found by fuzzing): 32 bytes of runs claiming 23309 x 20985 pixels.
    BmpBuilder bomb{.width = 23309,
                    .height = -20985,
                    .bits = 4,
                    .compression = 2,
                    .palette = {k, grey(255)},
                    .pixels = QByteArray(30, '\x11') + bytes({0, 1})};
    EXPECT_EQ(bmp(bomb).error, QStringLiteral("ﾌｧｲﾙの大きさに比べて画像が大きすぎます"));
    bomb.width = 2480;  // a blank page as encoders write it: runs of 255 and an end of line a row
    bomb.height = 100;
    bomb.pixels.clear();
    for (int y = 0; y < 100; ++y)
        bomb.pixels += bytes(
            {255, 0, 255, 0, 255, 0, 255, 0, 255, 0, 255, 0, 255, 0, 255, 0, 255, 0, 185, 0, 0, 0});
    EXPECT_TRUE(bmp(bomb).ok());

    // Index 2, the first past a palette of two entries, plain and run-length encoded; index 1
    // past a one-entry palette at 1 bit.
    const QString outsideReason = QStringLiteral("ﾊﾟﾚｯﾄにない色番号が使われています");
    const QVector<QRgb> two = {k, grey(9)};
    EXPECT_EQ(bmp({.width = 2, .bits = 8, .palette = two, .pixels = bytes({1, 2, 0, 0})}).error,
              outsideReason);
    EXPECT_EQ(bmp({.width = 2,
                   .bits = 8,
                   .compression = 1,
                   .palette = two,
                   .pixels = bytes({2, 2, 0, 1})})
                  .error,
              outsideReason);
    EXPECT_FALSE(
        bmp({.width = 2, .bits = 1, .palette = {k}, .pixels = bytes({0x40, 0, 0, 0})}).ok());
    EXPECT_TRUE(bmp({.width = 2, .bits = 1, .palette = {k}, .pixels = bytes({0x00, 0, 0, 0})})
                    .ok());  // only index 0

    EXPECT_FALSE(bmp({.bits = 7}).ok());
    EXPECT_TRUE(
        bmp({.compression = 4}).error.contains(QStringLiteral("JPEG")));  // an embedded JPEG
    EXPECT_FALSE(bmp({.compression = 1}).ok());                           // RLE8 needs 8 bits
    EXPECT_FALSE(bmp({.headerSize = 77}).ok());
    EXPECT_FALSE(bmp({.width = 0}).ok());
    EXPECT_FALSE(bmp(QByteArray("PK\x03\x04 not a bitmap")).ok());
}

TEST(BmpPcx, PcxTwoColourFilesKeepTheirColoursAndLongRunsSplit)
{
    Image mono = Image::create(200, 2, ColourCode::Mono);  // runs longer than 63 bytes
    mono.pixels().setColorTable({qRgb(0, 0, 128), qRgb(255, 255, 0)});
    mono.pixels().fill(1);
    const Decoded back = pcx(encode(writePcx, mono));
    EXPECT_EQ(back.image.palette(), mono.palette());
    EXPECT_TRUE(samePixels(back.image, mono));
    // A header that leaves the two entries equal (all zero) means black and white.
    const Decoded plain = pcx(pcxHeader(8, 1, 1, 1, 2) + bytes({0xC1, 0xF0, 0x00}));
    EXPECT_EQ(plain.image.pixelColour(0, 0), grey(255));
    EXPECT_EQ(plain.image.pixelColour(7, 0), grey(0));
}

TEST(BmpPcx, PcxReadsPlanarAndPackedPaletteLayouts)
{
    const QVector<QRgb> map = {k, r, g, b, grey(9), qRgb(1, 2, 3), qRgb(4, 5, 6), qRgb(7, 8, 9)};
    // 3 planes of 1 bit: 8 colours. Pixel 0 has bits in planes 0 and 1 (index 3), pixel 1 in
    // plane 2 (index 4). Written without run-length encoding (encoding 0).
    Decoded image = pcx(pcxHeader(2, 1, 1, 3, 2, map, 5, 0) + bytes({0x80, 0, 0x80, 0, 0x40, 0}));
    EXPECT_EQ(image.image.code(), ColourCode::Palette16);
    EXPECT_EQ(rowColours(image.image, 0, 2), (std::vector<QRgb>{b, grey(9)}));
    // One plane of 2 bits: four pixels 3, 2, 1, 0 in one byte; a run of three crossing into the
    // next line.
    image = pcx(pcxHeader(4, 2, 2, 1, 2, map) + bytes({0xC3, 0xE4, 0x00}));
    EXPECT_EQ(rowColours(image.image, 0, 4), (std::vector<QRgb>{b, g, r, k}));
    EXPECT_EQ(rowColours(image.image, 1, 4), (std::vector<QRgb>{b, g, r, k}));
    // Version 3 files carry no palette: the EGA colours are meant.
    image = pcx(pcxHeader(2, 1, 1, 4, 2, {}, 3) + bytes({0xC0 | 8, 0x40}));
    EXPECT_EQ(image.image.pixelColour(1, 0), grey(255));  // index 15
    // 8 bits without the trailing palette: grey levels.
    image = pcx(pcxHeader(2, 1, 8, 1, 2) + bytes({0x05, 0xC1, 0xFA}));
    EXPECT_EQ(image.image.code(), ColourCode::Grey256);
    EXPECT_EQ(image.image.pixelColour(1, 0), grey(250));
    // 4 planes of 8 bits: colour plus a plane that is not kept.
    image = pcx(pcxHeader(1, 1, 8, 4, 2) + bytes({10, 0, 20, 0, 30, 0, 40, 0}));
    EXPECT_EQ(image.image.code(), ColourCode::Rgb32);
    EXPECT_EQ(image.image.pixelColour(0, 0), qRgb(10, 20, 30));
    EXPECT_EQ(test::dpiOf(image.image), QSize(150, 75));

    EXPECT_FALSE(pcx(pcxHeader(100, 1, 8, 1, 10) + QByteArray(100, 0)).ok());  // lines too short
    EXPECT_FALSE(pcx(pcxHeader(4, 1, 8, 2, 4) + QByteArray(8, 0)).ok());       // 2 planes of 8
    EXPECT_FALSE(pcx(pcxHeader(4, 1, 8, 1, 4, {}, 5, 7) + QByteArray(8, 0)).ok());  // encoding 7
    QByteArray backwards = pcxHeader(4, 1, 8, 1, 4);
    putLe16(backwards.data() + 4, 10);  // xmin beyond xmax
    EXPECT_FALSE(pcx(backwards + QByteArray(8, 0)).ok());
}

}  // namespace
}  // namespace tavlo::codecs
