#include "imaging/codecs/bmp_codec.h"
#include "imaging/codecs/little_endian.h"
#include "tests/imaging/codecs/test_images.h"

#include <QBuffer>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

namespace tavlo::codecs {
namespace {

using test::makeTestImage;

Decoded decode(const QByteArray& bytes)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return readBmp(buffer);
}

QByteArray encode(const Image& image)
{
    QString error;
    const QByteArray bytes = test::encodeToBytes(image, writeBmp, &error);
    EXPECT_EQ(error, QString());
    return bytes;
}

// Builds BMP files byte by byte, for the header variants our writer never produces.
struct BmpBuilder {
    int headerSize = 40;
    qint32 width = 1;
    qint32 height = 1;
    int bits = 24;
    quint32 compression = 0;
    QVector<QRgb> palette;
    quint32 coloursUsed = 0;
    QVector<quint32> masks;  // after a 40-byte header, or inside a larger one
    qint32 perMetre = 0;
    QByteArray pixels;

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
            putLe32(h + 32, coloursUsed);
            if (headerSize >= 52) {
                for (int i = 0; i < masks.size() && i < 4; ++i)
                    putLe32(h + 40 + 4 * i, masks[i]);
            }
        }
        uchar* next = h + headerSize;
        if (masksAfter) {
            for (quint32 mask : masks) {
                putLe32(next, mask);
                next += 4;
            }
        }
        for (QRgb c : palette) {
            next[0] = uchar(qBlue(c));
            next[1] = uchar(qGreen(c));
            next[2] = uchar(qRed(c));
            next += entrySize;
        }
        return out + pixels;
    }
};

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

TEST(BmpCodec, EveryCodeRoundTripsAtItsOwnDepthWithItsDotsPerInch)
{
    for (ColourCode code : kAllColourCodes) {
        for (const QSize size : {QSize(1, 1), QSize(7, 7), QSize(113, 157)}) {
            const Image original = makeTestImage(code, size.width(), size.height());
            const QByteArray file = encode(original);
            const Decoded back = decode(file);
            ASSERT_TRUE(back.ok()) << int(code) << " " << back.error.toStdString();
            EXPECT_EQ(back.image.code(), code);
            EXPECT_TRUE(samePixels(back.image, original)) << int(code) << " " << size.width();
            EXPECT_EQ(back.image.dpiX(), 300);
            EXPECT_EQ(back.image.dpiY(), 200);
            // Bits per pixel in the header are the code's own depth.
            EXPECT_EQ(le16(file.constData() + 28), bitsPerPixel(code)) << int(code);
        }
    }
}

TEST(BmpCodec, PalettesOfEveryLengthAndColourAreKept)
{
    Image mono = makeTestImage(ColourCode::Mono, 9, 3);
    mono.pixels().setColorTable({qRgb(10, 200, 30), qRgb(250, 5, 7)});
    const Decoded monoBack = decode(encode(mono));
    ASSERT_TRUE(monoBack.ok());
    EXPECT_EQ(monoBack.image.palette(), mono.palette());

    QImage three(5, 2, QImage::Format_Indexed8);
    three.setColorTable({qRgb(1, 2, 3), qRgb(200, 100, 0), qRgb(9, 9, 9)});
    three.fill(2);
    three.scanLine(1)[4] = 1;
    for (int bits : {4, 8}) {
        const Image image = Image::fromIndexed(three, bits);
        const Decoded back = decode(encode(image));
        ASSERT_TRUE(back.ok());
        EXPECT_EQ(back.image.code(), image.code());
        EXPECT_EQ(back.image.palette().size(), 3);
        EXPECT_TRUE(samePixels(back.image, image));
    }
}

TEST(BmpCodec, OurFilesReadInQtAndQtFilesReadInOurs)
{
    // (Qt widens 5-bit channels without repeating the high bits, so 16 is left out here.)
    for (ColourCode code : {ColourCode::Mono, ColourCode::Palette16, ColourCode::Palette256,
                            ColourCode::Grey256, ColourCode::Rgb24, ColourCode::Rgb32}) {
        const Image original = makeTestImage(code, 13, 5);
        QImage qt;
        ASSERT_TRUE(qt.loadFromData(encode(original), "BMP")) << int(code);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 13; ++x)
                ASSERT_EQ(qt.pixel(x, y) | 0xff000000u, original.pixelColour(x, y)) << int(code);
    }
    for (QImage::Format format : {QImage::Format_Indexed8, QImage::Format_RGB32, QImage::Format_Mono}) {
        QImage source = makeTestImage(ColourCode::Rgb24, 11, 6).pixels().convertToFormat(format);
        QByteArray file;
        QBuffer buffer(&file);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(source.save(&buffer, "BMP"));
        const Decoded back = decode(file);
        ASSERT_TRUE(back.ok()) << back.error.toStdString();
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 11; ++x)
                ASSERT_EQ(back.image.pixelColour(x, y), source.pixel(x, y) | 0xff000000u) << format;
    }
}

TEST(BmpCodec, ReadsFilesOfAnotherEncoder)
{
    const QString folder = QString::fromLocal8Bit(qgetenv("TAVLO_TEST_DATA")) + QStringLiteral("/bmp/im_");
    const struct {
        const char* name;
        ColourCode code;
    } cases[] = {{"os2", ColourCode::Rgb24},      {"v5", ColourCode::Rgb24},
                 {"rle8", ColourCode::Palette256}, {"p4", ColourCode::Palette16},
                 {"m1", ColourCode::Mono},         {"565", ColourCode::Rgb24},
                 {"argb", ColourCode::Rgb32}};
    for (const auto& c : cases) {
        QFile file(folder + QLatin1String(c.name) + QStringLiteral(".bmp"));
        QFile reference(folder + QLatin1String(c.name) + QStringLiteral("_ref.bmp"));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly) && reference.open(QIODevice::ReadOnly)) << c.name;
        const Decoded image = readBmp(file);
        const Decoded expected = readBmp(reference);
        ASSERT_TRUE(image.ok() && expected.ok()) << c.name << image.error.toStdString();
        EXPECT_EQ(image.image.code(), c.code) << c.name;
        EXPECT_EQ(test::meanDifference(image.image, expected.image), 0.0) << c.name;
    }
}

TEST(BmpCodec, ReadsOs2HeadersV5HeadersAndTopDownRows)
{
    // OS/2 1.x: 3-byte palette entries, 16-bit sizes. Two rows, bottom-up: indices 1 then 0.
    BmpBuilder os2;
    os2.headerSize = 12;
    os2.width = 2;
    os2.height = 2;
    os2.bits = 8;
    os2.palette = {qRgb(255, 0, 0), qRgb(0, 0, 255)};
    os2.pixels = bytes({1, 1, 0, 0, 0, 0, 0, 0});
    Decoded image = decode(os2.build());
    ASSERT_TRUE(image.ok()) << image.error.toStdString();
    EXPECT_EQ(image.image.code(), ColourCode::Palette256);
    EXPECT_EQ(image.image.pixelColour(0, 0), qRgb(255, 0, 0));  // top row = last in the file
    EXPECT_EQ(image.image.pixelColour(1, 1), qRgb(0, 0, 255));

    // V5 header, 24 bits, top-down (negative height), 3779 pixels per metre = 96 dpi.
    for (int headerSize : {108, 124, 64}) {
        BmpBuilder v5;
        v5.headerSize = headerSize;
        v5.width = 1;
        v5.height = -2;
        v5.perMetre = 3779;
        v5.pixels = bytes({1, 2, 3, 0, 4, 5, 6, 0});
        image = decode(v5.build());
        ASSERT_TRUE(image.ok()) << headerSize;
        EXPECT_EQ(image.image.code(), ColourCode::Rgb24);
        EXPECT_EQ(image.image.pixelColour(0, 0), qRgb(3, 2, 1));
        EXPECT_EQ(image.image.pixelColour(0, 1), qRgb(6, 5, 4));
        EXPECT_EQ(image.image.dpiX(), 96);
    }
}

TEST(BmpCodec, ReadsBitFieldsWithoutLosingColour)
{
    // 5-6-5 keeps every colour by widening to 24 bits.
    BmpBuilder rgb565;
    rgb565.width = 2;
    rgb565.bits = 16;
    rgb565.compression = 3;
    rgb565.masks = {0xF800, 0x07E0, 0x001F};
    rgb565.pixels = bytes({0x00, 0xF8, 0x21, 0x00});  // pure red; green 1 + blue 1
    Decoded image = decode(rgb565.build());
    ASSERT_TRUE(image.ok()) << image.error.toStdString();
    EXPECT_EQ(image.image.code(), ColourCode::Rgb24);
    EXPECT_EQ(image.image.pixelColour(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.image.pixelColour(1, 0), qRgb(0, 4, 8));  // 6 bits 1 -> 4, 5 bits 1 -> 8

    // 5-5-5 given as bit fields is plain code 16; the unused top bit is dropped.
    BmpBuilder rgb555 = rgb565;
    rgb555.masks = {0x7C00, 0x03E0, 0x001F};
    rgb555.pixels = bytes({0xFF, 0xFF, 0x00, 0x00});
    image = decode(rgb555.build());
    ASSERT_TRUE(image.ok());
    EXPECT_EQ(image.image.code(), ColourCode::Rgb555);
    EXPECT_EQ(image.image.pixelColour(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(image.image.scanLine(0)[1], 0x7F);

    // 32 bits with the channels in an unusual order, masks inside a V4 header.
    BmpBuilder rgba;
    rgba.headerSize = 108;
    rgba.bits = 32;
    rgba.compression = 3;
    rgba.masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000};
    rgba.pixels = bytes({10, 20, 30, 0});
    image = decode(rgba.build());
    ASSERT_TRUE(image.ok());
    EXPECT_EQ(image.image.code(), ColourCode::Rgb32);
    EXPECT_EQ(image.image.pixelColour(0, 0), qRgb(10, 20, 30));

    rgba.masks = {0x00FF00FF, 0x0000FF00, 0x00FF0000};  // red is not one run of bits
    EXPECT_FALSE(decode(rgba.build()).ok());
}

TEST(BmpCodec, ReadsRunLengthEncodedFiles)
{
    // RLE8, 5 x 3, bottom-up: the bottom row is a run of 3 x index 1, then absolute 2, 1, 2 (an
    // odd count, so a pad byte follows) cut at the right edge, then end of line; the middle row
    // is skipped by a delta 2 right and 1 up; then a run of 1 and the end of the bitmap.
    BmpBuilder rle8;
    rle8.width = 5;
    rle8.height = 3;
    rle8.bits = 8;
    rle8.compression = 1;
    rle8.palette = {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0)};
    rle8.pixels = bytes({3, 1, 0, 3, 2, 1, 2, 0, 0, 0, 0, 2, 2, 1, 1, 2, 0, 1});
    Decoded image = decode(rle8.build());
    ASSERT_TRUE(image.ok()) << image.error.toStdString();
    const QRgb k = qRgb(0, 0, 0), r = qRgb(255, 0, 0), g = qRgb(0, 255, 0);
    const QRgb expected[3][5] = {{k, k, g, k, k}, {k, k, k, k, k}, {r, r, r, g, r}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(image.image.pixelColour(x, y), expected[y][x]) << x << "," << y;

    // RLE4: a run alternates the two nibbles; absolute mode packs two per byte.
    BmpBuilder rle4;
    rle4.width = 8;
    rle4.height = 1;
    rle4.bits = 4;
    rle4.compression = 2;
    rle4.palette = {k, r, g};
    rle4.pixels = bytes({5, 0x12, 0, 3, 0x21, 0x20, 0, 1});
    image = decode(rle4.build());
    ASSERT_TRUE(image.ok()) << image.error.toStdString();
    EXPECT_EQ(image.image.code(), ColourCode::Palette16);
    const QRgb row[8] = {r, g, r, g, r, g, r, g};
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(image.image.pixelColour(x, 0), row[x]) << x;
}

TEST(BmpCodec, DamagedAndAbsurdFilesAreRefusedWithAReason)
{
    // Every cut of a valid file fails cleanly, whatever the depth (only the padding of the last
    // row may be missing).
    for (ColourCode code : {ColourCode::Mono, ColourCode::Palette16, ColourCode::Rgb24}) {
        const QByteArray whole = encode(makeTestImage(code, 7, 7));
        for (int length = 0; length < whole.size() - 3; ++length) {
            const Decoded cut = decode(whole.left(length));
            EXPECT_FALSE(cut.ok()) << length;
            EXPECT_FALSE(cut.error.isEmpty()) << length;
        }
    }

    BmpBuilder huge;
    huge.width = 60000;
    huge.height = 60000;  // 10 GB at 24 bits, beyond the bound: refused before allocating
    EXPECT_TRUE(decode(huge.build()).error.startsWith(QStringLiteral("画像が大きすぎます")));
    huge.width = 4000;
    huge.height = -4000;  // within the bound, but the file holds no pixels
    EXPECT_EQ(decode(huge.build()).error, QStringLiteral("ﾌｧｲﾙが途中で終わっています"));
    huge.width = 0;
    EXPECT_FALSE(decode(huge.build()).ok());

    // A run-length bomb (found by fuzzing): 31 bytes of runs claiming 23309 x 20985 pixels.
    BmpBuilder bomb;
    bomb.width = 23309;
    bomb.height = -20985;
    bomb.bits = 4;
    bomb.compression = 2;
    bomb.palette = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    bomb.pixels = QByteArray(30, '\x11') + bytes({0, 1});
    EXPECT_EQ(decode(bomb.build()).error, QStringLiteral("ﾌｧｲﾙの大きさに比べて画像が大きすぎます"));
    bomb.width = 2480;  // a blank page as encoders write it: runs of 255 and an end of line a row
    bomb.height = 100;
    bomb.pixels.clear();
    for (int y = 0; y < 100; ++y)
        bomb.pixels += bytes({255, 0, 255, 0, 255, 0, 255, 0, 255, 0, 255, 0,
                                                                     255, 0, 255, 0, 255, 0, 185, 0, 0, 0});
    EXPECT_TRUE(decode(bomb.build()).ok());

    BmpBuilder outside;  // index 5 with a palette of two entries
    outside.width = 2;
    outside.bits = 8;
    outside.palette = {qRgb(0, 0, 0), qRgb(9, 9, 9)};
    outside.pixels = bytes({1, 5, 0, 0});
    EXPECT_EQ(decode(outside.build()).error, QStringLiteral("ﾊﾟﾚｯﾄにない色番号が使われています"));
    outside.compression = 1;
    outside.pixels = bytes({2, 7, 0, 1});
    EXPECT_EQ(decode(outside.build()).error, QStringLiteral("ﾊﾟﾚｯﾄにない色番号が使われています"));
    outside.compression = 0;
    outside.bits = 1;
    outside.palette = {qRgb(0, 0, 0)};
    outside.pixels = bytes({0x40, 0, 0, 0});
    EXPECT_FALSE(decode(outside.build()).ok());
    outside.pixels = bytes({0x00, 0, 0, 0});  // only index 0 used: fine
    EXPECT_TRUE(decode(outside.build()).ok());

    BmpBuilder odd;
    odd.bits = 7;
    EXPECT_FALSE(decode(odd.build()).ok());
    odd.bits = 24;
    odd.compression = 4;  // an embedded JPEG
    EXPECT_TRUE(decode(odd.build()).error.contains(QStringLiteral("JPEG")));
    odd.compression = 1;  // RLE8 needs 8 bits
    EXPECT_FALSE(decode(odd.build()).ok());
    odd.compression = 0;
    odd.headerSize = 77;
    EXPECT_FALSE(decode(odd.build()).ok());
    EXPECT_FALSE(decode(QByteArray("PK\x03\x04 not a bitmap")).ok());
}

}  // namespace
}  // namespace tavlo::codecs
