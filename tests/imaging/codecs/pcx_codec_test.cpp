#include "imaging/codecs/bmp_codec.h"
#include "imaging/codecs/little_endian.h"
#include "imaging/codecs/pcx_codec.h"
#include "tests/imaging/codecs/test_images.h"

#include <QBuffer>
#include <QFile>

#include <gtest/gtest.h>

namespace tavlo::codecs {
namespace {

using test::makeTestImage;

Decoded decode(const QByteArray& bytes)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return readPcx(buffer);
}

QByteArray encode(const Image& image)
{
    QString error;
    const QByteArray bytes = test::encodeToBytes(image, writePcx, &error);
    EXPECT_EQ(error, QString());
    return bytes;
}

// A PCX header for hand-made files; pixel data is appended by the test.
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

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

TEST(PcxCodec, EveryCodeItHoldsRoundTripsAndTheOthersKeepTheirColoursAt24Bits)
{
    for (ColourCode code : kAllColourCodes) {
        for (const QSize size : {QSize(1, 1), QSize(7, 7), QSize(113, 157)}) {
            const Image original = makeTestImage(code, size.width(), size.height());
            const Decoded back = decode(encode(original));
            ASSERT_TRUE(back.ok()) << int(code) << " " << back.error.toStdString();
            const bool held = code != ColourCode::Rgb555 && code != ColourCode::Rgb32;
            EXPECT_EQ(back.image.code(), held ? code : ColourCode::Rgb24) << int(code);
            for (int y = 0; y < size.height(); ++y)
                for (int x = 0; x < size.width(); ++x)
                    ASSERT_EQ(back.image.pixelColour(x, y), original.pixelColour(x, y)) << int(code);
            EXPECT_EQ(back.image.dpiX(), 300);
            EXPECT_EQ(back.image.dpiY(), 200);
        }
    }
}

TEST(PcxCodec, TwoColourFilesKeepTheirColoursAndLongRunsSplit)
{
    Image mono = Image::create(200, 2, ColourCode::Mono);  // runs longer than 63 bytes
    mono.pixels().setColorTable({qRgb(0, 0, 128), qRgb(255, 255, 0)});
    mono.pixels().fill(1);
    const Decoded back = decode(encode(mono));
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.image.palette(), mono.palette());
    EXPECT_TRUE(samePixels(back.image, mono));

    // A header that leaves the two entries equal (all zero) means black and white.
    QByteArray file = pcxHeader(8, 1, 1, 1, 2) + bytes({0xC1, 0xF0, 0x00});
    const Decoded plain = decode(file);
    ASSERT_TRUE(plain.ok());
    EXPECT_EQ(plain.image.pixelColour(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(plain.image.pixelColour(7, 0), qRgb(0, 0, 0));
}

TEST(PcxCodec, ReadsFilesOfAnotherEncoder)
{
    const QString folder = QString::fromLocal8Bit(qgetenv("TAVLO_TEST_DATA")) + QStringLiteral("/pcx/");
    for (const char* name : {"im_rgb", "im_pal256", "im_pal16"}) {
        QFile pcx(folder + QLatin1String(name) + QStringLiteral(".pcx"));
        QFile bmp(folder + QLatin1String(name) + QStringLiteral(".bmp"));
        ASSERT_TRUE(pcx.open(QIODevice::ReadOnly)) << name;
        ASSERT_TRUE(bmp.open(QIODevice::ReadOnly)) << name;
        const Decoded image = readPcx(pcx);
        const Decoded reference = readBmp(bmp);
        ASSERT_TRUE(image.ok()) << name << image.error.toStdString();
        ASSERT_TRUE(reference.ok()) << name;
        EXPECT_EQ(test::meanDifference(image.image, reference.image), 0.0) << name;
    }
}

TEST(PcxCodec, ReadsPlanarAndPackedPaletteLayouts)
{
    const QVector<QRgb> map = {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255),
                               qRgb(9, 9, 9), qRgb(1, 2, 3),   qRgb(4, 5, 6),   qRgb(7, 8, 9)};
    // 3 planes of 1 bit: 8 colours. Pixel 0 has bits in planes 0 and 1 (index 3), pixel 1 in
    // plane 2 (index 4). Written without run-length encoding (encoding 0).
    Decoded image = decode(pcxHeader(2, 1, 1, 3, 2, map, 5, 0) + bytes({0x80, 0, 0x80, 0, 0x40, 0}));
    ASSERT_TRUE(image.ok()) << image.error.toStdString();
    EXPECT_EQ(image.image.code(), ColourCode::Palette16);
    EXPECT_EQ(image.image.pixelColour(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(image.image.pixelColour(1, 0), qRgb(9, 9, 9));

    // One plane of 2 bits: four pixels 3, 2, 1, 0 in one byte; a run crossing into the next line.
    image = decode(pcxHeader(4, 2, 2, 1, 2, map) + bytes({0xC3, 0xE4}) + bytes({0x00}));
    ASSERT_TRUE(image.ok()) << image.error.toStdString();
    EXPECT_EQ(image.image.pixelColour(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(image.image.pixelColour(3, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.image.pixelColour(0, 1), qRgb(0, 0, 255));  // the run's third byte
    EXPECT_EQ(image.image.pixelColour(1, 1), qRgb(0, 255, 0));

    // Version 3 files carry no palette: the EGA colours are meant.
    image = decode(pcxHeader(2, 1, 1, 4, 2, {}, 3) + bytes({0xC0 | 8, 0x40}));
    ASSERT_TRUE(image.ok()) << image.error.toStdString();
    EXPECT_EQ(image.image.pixelColour(1, 0), qRgb(255, 255, 255));  // index 15

    // 8 bits without the trailing palette: grey levels.
    image = decode(pcxHeader(2, 1, 8, 1, 2) + bytes({0x05, 0xC1, 0xFA}));
    ASSERT_TRUE(image.ok());
    EXPECT_EQ(image.image.code(), ColourCode::Grey256);
    EXPECT_EQ(image.image.pixelColour(1, 0), qRgb(250, 250, 250));

    // 4 planes of 8 bits: colour plus a plane that is not kept.
    image = decode(pcxHeader(1, 1, 8, 4, 2) + bytes({10, 0, 20, 0, 30, 0, 40, 0}));
    ASSERT_TRUE(image.ok());
    EXPECT_EQ(image.image.code(), ColourCode::Rgb32);
    EXPECT_EQ(image.image.pixelColour(0, 0), qRgb(10, 20, 30));
    EXPECT_EQ(image.image.dpiX(), 150);
    EXPECT_EQ(image.image.dpiY(), 75);
}

TEST(PcxCodec, DamagedAndAbsurdFilesAreRefusedWithAReason)
{
    for (ColourCode code : {ColourCode::Mono, ColourCode::Grey16, ColourCode::Palette256, ColourCode::Rgb24}) {
        const QByteArray whole = encode(makeTestImage(code, 7, 7));
        // The 256-colour palette at the end is optional, so cuts only count before it.
        const int end = bitsPerPixel(code) == 8 ? int(whole.size()) - 769 : int(whole.size());
        for (int length = 0; length < end; ++length)
            EXPECT_FALSE(decode(whole.left(length)).ok()) << int(code) << " " << length;
    }
    // A tiny file claiming 60000 x 60000 x 24 bits: refused before allocating.
    EXPECT_TRUE(decode(pcxHeader(60000, 60000, 8, 3, 60000) + QByteArray(64, '\xFF'))
                    .error.startsWith(QStringLiteral("画像が大きすぎます")));
    // Within the bound, but far more pixels than the data could give even as runs of 63.
    EXPECT_EQ(decode(pcxHeader(8000, 8000, 8, 1, 8000) + QByteArray(1000, '\xFF')).error,
              QStringLiteral("ﾌｧｲﾙが途中で終わっています"));
    EXPECT_FALSE(decode(pcxHeader(100, 1, 8, 1, 10) + QByteArray(100, 0)).ok());  // lines too short
    EXPECT_FALSE(decode(pcxHeader(4, 1, 8, 2, 4) + QByteArray(8, 0)).ok());       // 2 planes of 8
    EXPECT_FALSE(decode(pcxHeader(4, 1, 8, 1, 4, {}, 5, 7) + QByteArray(8, 0)).ok());  // encoding 7
    QByteArray backwards = pcxHeader(4, 1, 8, 1, 4);
    putLe16(backwards.data() + 4, 10);  // xmin beyond xmax
    EXPECT_FALSE(decode(backwards + QByteArray(8, 0)).ok());
}

}  // namespace
}  // namespace tavlo::codecs
