#include "imaging/codecs/jpeg2000_codec.h"
#include "tests/support/test_images.h"

#include <QtEndian>

#include <gtest/gtest.h>
#include <zlib.h>

namespace tavlo::codecs {
namespace {

using namespace test;

const QString kTruncated = QStringLiteral("ﾌｧｲﾙが途中で終わっています");
const QString kTooLarge = QStringLiteral("画像が大きすぎます");

// A whole file and what its cut and damaged copies must give.
struct Whole {
    const char* what;
    QByteArray bytes;
    qsizetype tail;         // cuts this close to the end may still read (padding, end markers)
    qsizetype header;       // from this length on, cuts say the file ends early ...
    double truncatedShare;  // ... this often (0: any reason will do)
    int step;               // every step-th length and byte is tried
};

std::vector<Whole> wholeFiles()
{
    std::vector<Whole> files = {
        {"PNG", encode(ImageFormat::Png, sampleImage(ColourCode::Rgb24, 40, 30)), 12, 8, 1.0, 1},
        {"JPEG", encode(ImageFormat::Jpeg, sampleImage(ColourCode::Rgb24, 40, 40)), 64, 3, 1.0, 1},
        {"progressive JPEG", testData(QStringLiteral("jpeg/progressive.jpg")), 64, 3, 1.0, 1},
        {"GIF", encode(ImageFormat::Gif, sampleImage(ColourCode::Palette256, 50, 30)), 1, 6, 1.0,
         1},
        {"JP2", encode(writeJpeg2000, sampleImage(ColourCode::Rgb24, 40, 30)), 2, 0, 0.9, 3},
        {"FlashPix", encode(ImageFormat::FlashPix, sampleImage(ColourCode::Rgb24, 130, 70)), 0, 0,
         0, 97},
        {"J2K code stream", testData(QStringLiteral("jpeg2000/grey40x30.j2k")), 2, 0, 0.9, 3},
    };
    // A TIFF's directory follows the pixels and a BMP's last row may lack only its padding;
    // an 8-bit PCX's palette at the end is optional.
    for (ColourCode code : {ColourCode::Mono, ColourCode::Palette16, ColourCode::Grey16,
                            ColourCode::Palette256, ColourCode::Rgb24}) {
        files.push_back({"TIFF", encode(ImageFormat::Tiff, sampleImage(code, 60, 40)), 0, 0, 0, 7});
        files.push_back({"BMP", encode(ImageFormat::Bmp, sampleImage(code, 7, 7)), 3, 0, 0, 1});
        files.push_back({"PCX", encode(ImageFormat::Pcx, sampleImage(code, 7, 7)),
                         bitsPerPixel(code) == 8 ? 769 : 0, 0, 0, 1});
    }
    return files;
}

TEST(Damage, CutFilesAreRefusedAndDamagedOnesNeverCrash)
{
    for (const Whole& whole : wholeFiles()) {
        SCOPED_TRACE(whole.what);
        ASSERT_TRUE(decode(whole.bytes).ok());
        int cuts = 0, truncated = 0;
        for (qsizetype length = 0; length < whole.bytes.size() - whole.tail; length += whole.step) {
            const Decoded cut = decode(whole.bytes.left(length));
            ASSERT_FALSE(cut.ok()) << length;
            ASSERT_FALSE(cut.error.isEmpty()) << length;
            if (length >= whole.header) {
                ++cuts;
                truncated += cut.error == kTruncated;
            }
        }
        EXPECT_GE(truncated, whole.truncatedShare * cuts);
        for (qsizetype at = 0; at < whole.bytes.size(); at += whole.step) {
            QByteArray damaged = whole.bytes;
            damaged[at] = char(damaged[at] ^ 0x5a);
            const Decoded back = decode(damaged);
            if (back.ok())
                EXPECT_TRUE(back.image.isValid()) << at;
            else
                EXPECT_FALSE(back.error.isEmpty()) << at;
        }
    }
}

QByteArray bigEndian32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray littleEndian(quint32 value, int size)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes.left(size);
}

// The file with its header claiming width x height: PNG's IHDR (with its checksum made good).
QByteArray pngClaiming(const Image& image, quint32 width, quint32 height)
{
    QByteArray png = encode(ImageFormat::Png, image);
    png.replace(16, 4, bigEndian32(width)).replace(20, 4, bigEndian32(height));
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(png.constData() + 12), 17);
    return png.replace(29, 4, bigEndian32(quint32(crc)));
}

// Headers claiming more pixels than the bounds allow are refused before any pixel memory exists;
// so are sizes within the bounds that the file's bytes could never fill (bombs). (TIFF: tiff_test.)
TEST(Damage, AbsurdSizesAreRefusedBeforeAllocating)
{
    const QByteArray bmp = encode(ImageFormat::Bmp, sampleImage(ColourCode::Rgb24, 2, 2));
    QByteArray pcx = encode(ImageFormat::Pcx, sampleImage(ColourCode::Rgb24, 2, 2));
    QByteArray greyPcx = encode(ImageFormat::Pcx, sampleImage(ColourCode::Grey256, 2, 2));
    const QByteArray jpeg = encode(ImageFormat::Jpeg, sampleImage(ColourCode::Rgb24, 8, 8));
    const qsizetype frame = jpeg.indexOf("\xff\xc0");
    QByteArray j2k = testData(QStringLiteral("jpeg2000/grey40x30.j2k"));
    for (int field : {6, 10, 22, 26})  // Xsiz, Ysiz, XTsiz, YTsiz of the SIZ marker
        j2k.replace(2 + field, 4, bigEndian32(60000));
    // A screen of 65535 x 65535 for a 1 x 1 frame (found by fuzzing): 4 GB of canvas, even for two
    // colours; one of 65535 x 16383 is within the bounds, but a gigabyte from a few bytes.
    const QByteArray monoGif = encode(ImageFormat::Gif, sampleImage(ColourCode::Mono, 1, 1));
    const QByteArray paletteGif =
        encode(ImageFormat::Gif, sampleImage(ColourCode::Palette256, 1, 1));
    const QByteArray wide = QByteArray(monoGif).replace(6, 4, littleEndian(0x3fffffff, 4));
    const struct {
        const char* what;
        QByteArray bytes;
        QString reason;
    } cases[] = {
        {"BMP",
         QByteArray(bmp)
             .replace(18, 4, littleEndian(60000, 4))
             .replace(22, 4, littleEndian(60000, 4)),
         kTooLarge},
        {"BMP without pixels",
         QByteArray(bmp)
             .replace(18, 4, littleEndian(4000, 4))
             .replace(22, 4, littleEndian(-4000, 4)),
         kTruncated},
        {"PCX",
         pcx.replace(8, 4, littleEndian(0xea5fea5f, 4)).replace(66, 2, littleEndian(60000, 2)),
         kTooLarge},
        {"PCX without pixels",
         greyPcx.replace(8, 4, littleEndian(0x1f3f1f3f, 4)).replace(66, 2, littleEndian(8000, 2)),
         kTruncated},
        {"PNG", pngClaiming(sampleImage(ColourCode::Rgb24, 1, 1), 60000, 60000), kTooLarge},
        {"PNG too wide", pngClaiming(sampleImage(ColourCode::Mono, 1, 1), Image::kMaxSide + 1, 1),
         kTooLarge},
        {"JPEG", QByteArray(jpeg).replace(frame + 5, 4, QByteArray("\xea\x60\xea\x60", 4)),
         kTooLarge},
        {"J2K", j2k, kTooLarge},
        {"GIF", QByteArray(monoGif).replace(6, 4, "\xff\xff\xff\xff"), kTooLarge},
        {"GIF of 256 colours", QByteArray(paletteGif).replace(6, 4, "\xff\xff\xff\xff"), kTooLarge},
        {"wide GIF", wide, QStringLiteral("ﾌｧｲﾙの大きさに比べて画像が大きすぎます")},
    };
    for (const auto& c : cases) {
        const Decoded back = decode(c.bytes);
        EXPECT_TRUE(back.error.startsWith(c.reason)) << c.what << ": " << back.error.toStdString();
    }
}

TEST(Damage, AFlippedByteInPngImageDataFailsItsChecksum)
{
    QByteArray png = encode(ImageFormat::Png, sampleImage(ColourCode::Grey256, 20, 20));
    const qsizetype data = png.indexOf("IDAT");
    png[data + 10] = char(png[data + 10] ^ 0x55);
    EXPECT_EQ(decode(png).error, QStringLiteral("ﾌｧｲﾙが壊れています"));
}

}  // namespace
}  // namespace tavlo::codecs
