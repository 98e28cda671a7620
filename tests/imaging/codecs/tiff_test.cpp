#include "imaging/codecs/little_endian.h"
#include "imaging/codecs/tiff_codec.h"
#include "tests/support/test_images.h"

#include <gtest/gtest.h>

namespace tavlo::codecs {
namespace {

using namespace test;

// A file of tests/data/tiff (see its README), read by the TIFF reader.
Image tiff(const QString& name)
{
    const Decoded back =
        decode(readTiff, testData(QStringLiteral("tiff/") + name + QStringLiteral(".tif")));
    EXPECT_TRUE(back.ok()) << name.toStdString() << ": " << back.error.toStdString();
    return back.image;
}

// The entry of a tag in the first directory of a little-endian TIFF (-1 when absent).
qsizetype entryOf(const QByteArray& bytes, quint16 tag)
{
    const uchar* p = reinterpret_cast<const uchar*>(bytes.constData());
    const quint32 directory = le32(p + 4);
    for (int i = 0; i < le16(p + directory); ++i) {
        if (le16(p + directory + 2 + 12 * i) == tag)
            return directory + 2 + 12 * i;
    }
    return -1;
}

// The value of a short or long tag (0 when absent).
quint32 tagOf(const QByteArray& bytes, quint16 tag)
{
    const qsizetype at = entryOf(bytes, tag);
    const uchar* entry = reinterpret_cast<const uchar*>(bytes.constData()) + at;
    return at < 0 ? 0 : le16(entry + 2) == 3 ? le16(entry + 8) : le32(entry + 8);
}

// The file with a short or long tag set to value.
QByteArray withTag(QByteArray bytes, quint16 tag, quint32 value)
{
    const qsizetype at = entryOf(bytes, tag);
    EXPECT_GE(at, 0) << tag;
    if (at >= 0 && le16(bytes.constData() + at + 2) == 3)
        putLe16(bytes.data() + at + 8, quint16(value));
    else if (at >= 0)
        putLe32(bytes.data() + at + 8, value);
    return bytes;
}

enum Tag : quint16 {
    Width = 256,
    Height = 257,
    Compression = 259,
    Photometric = 262,
    RowsPerStrip = 278,
    Predictor = 317,
};

TEST(TiffRead, BilevelInEveryCompressionAndBothPhotometrics)
{
    for (const char* compression : {"none", "packbits", "rle", "g3", "g4", "lzw"}) {
        for (bool minIsWhite : {true, false}) {
            const QString name =
                QStringLiteral("bilevel_%1_%2")
                    .arg(QLatin1String(compression), QLatin1String(minIsWhite ? "white" : "black"));
            const Image page = tiff(name);
            ASSERT_EQ(page.code(), ColourCode::Mono) << name.toStdString();
            for (int y = 0; y < 11; ++y) {
                for (int x = 0; x < 37; ++x) {
                    const bool set = (x * 3 + y) % 5 < 2;
                    ASSERT_EQ(page.pixelColour(x, y), grey(set == minIsWhite ? 0 : 255))
                        << name.toStdString();
                }
            }
        }
    }
}

TEST(TiffRead, PaletteAndGreyDepths)
{
    const Image palette = tiff(QStringLiteral("palette4"));
    EXPECT_EQ(palette.code(), ColourCode::Palette16);
    EXPECT_EQ(palette.pixelColour(3, 1), qRgb(48, 252, 7));
    EXPECT_EQ(palette.pixelColour(18, 0), qRgb(32, 253, 7));
    // A map written with 8-bit values (old writers) reads the same.
    const Image old = tiff(QStringLiteral("palette8_old_map"));
    EXPECT_EQ(old.code(), ColourCode::Palette256);
    EXPECT_EQ(old.pixelColour(0, 0), qRgb(200, 100, 0));

    const Image grey4 = tiff(QStringLiteral("grey4_miniswhite"));
    EXPECT_EQ(grey4.code(), ColourCode::Grey16);
    EXPECT_EQ(grey4.pixelColour(0, 0), grey(255));
    EXPECT_EQ(grey4.pixelColour(1, 0), grey(0));
    EXPECT_EQ(grey4.pixelColour(3, 0), grey(255 - 119));
    const Image grey8 = tiff(QStringLiteral("grey8_lzw"));
    EXPECT_EQ(grey8.code(), ColourCode::Grey256);
    EXPECT_EQ(grey8.pixelColour(2, 0), grey(127));
    const Image grey16 = tiff(QStringLiteral("grey16"));
    EXPECT_EQ(grey16.pixelColour(1, 0), grey(1));
    EXPECT_EQ(grey16.pixelColour(2, 0), grey(128));
    EXPECT_EQ(grey16.pixelColour(4, 0), grey(255));

    // 8- and 16-bit grey with white as zero read inverted.
    const Image levels = sampleImage(ColourCode::Grey256, 9, 4);
    const Image eight = decode(readTiff, withTag(encode(writeTiff, levels), Photometric, 0)).image;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 9; ++x)
            ASSERT_EQ(eight.pixelColour(x, y), grey(255 - qRed(levels.pixelColour(x, y))));
    const QByteArray white16 = withTag(testData(QStringLiteral("tiff/grey16.tif")), Photometric, 0);
    EXPECT_EQ(decode(readTiff, white16).image.pixelColour(1, 0), grey(254));
}

TEST(TiffRead, ColourInBothPlanarLayoutsDepthsAndTiles)
{
    for (const char* bits : {"8", "16"}) {
        for (const char* planar : {"contig", "separate"}) {
            for (const char* layout : {"strips", "tiles"}) {
                const QString name =
                    QStringLiteral("rgb%1_%2_%3")
                        .arg(QLatin1String(bits), QLatin1String(planar), QLatin1String(layout));
                const Image page = tiff(name);
                ASSERT_EQ(page.code(), ColourCode::Rgb24) << name.toStdString();
                for (int y = 0; y < 18; ++y)
                    for (int x = 0; x < 21; ++x)
                        ASSERT_EQ(page.pixelColour(x, y), qRgb(x * 9, y * 13, 255 - x - y))
                            << name.toStdString();
            }
        }
    }
}

TEST(TiffRead, OtherColourModelsAlphaPagesAndUnits)
{
    const Image cmyk = tiff(QStringLiteral("cmyk"));
    EXPECT_EQ(cmyk.code(), ColourCode::Rgb24);
    EXPECT_EQ(rowColours(cmyk, 1, 4),
              (std::vector<QRgb>{grey(255), qRgb(0, 255, 255), grey(0), qRgb(255, 0, 0)}));
    const Image rgba = tiff(QStringLiteral("rgba"));
    EXPECT_EQ(rowColours(rgba, 4, 2), (std::vector<QRgb>{qRgb(200, 0, 0), grey(255)}));

    // The first of two pages, with its resolution in dots per centimetre.
    const Image first = tiff(QStringLiteral("two_pages_cm"));
    EXPECT_EQ(first.width(), 3);
    EXPECT_EQ(first.pixelColour(1, 0), grey(20));
    EXPECT_EQ(test::dpiOf(first), QSize(300, 100));
    EXPECT_EQ(tiff(QStringLiteral("no_unit")).dpiX(), 0);
}

TEST(TiffDamage, AbsurdSizesAndStripsPastTheEndAreRefused)
{
    const QByteArray small = encode(writeTiff, sampleImage(ColourCode::Rgb24, 2, 2));
    const Decoded huge = decode(readTiff, withTag(withTag(small, Width, 40000), Height, 40000));
    EXPECT_TRUE(huge.error.startsWith(QStringLiteral("画像が大きすぎます")))
        << huge.error.toStdString();
    // The directory is whole while the strips are gone: they would lie past the end.
    const QByteArray page = encode(writeTiff, sampleImage(ColourCode::Grey256, 64, 64));
    const quint32 directory = le32(page.constData() + 4);
    ASSERT_GT(directory, 2048u);
    QByteArray shortened = page.left(8) + page.mid(directory);
    putLe32(shortened.data() + 4, 8);
    EXPECT_FALSE(decode(readTiff, shortened).ok());
}

TEST(TiffWrite, GroupFourForBlackAndWhiteAndLzwOtherwise)
{
    const QByteArray fax = encode(writeTiff, sampleImage(ColourCode::Mono, 50, 20));
    EXPECT_EQ(tagOf(fax, Compression), 4u);  // CCITT group 4
    EXPECT_EQ(tagOf(fax, Photometric), 1u);  // black is zero
    const QByteArray inverted =
        encode(writeTiff, sampleImage(ColourCode::Mono, 50, 20, {PaletteKind::WhiteBlack}));
    EXPECT_EQ(tagOf(inverted, Photometric), 0u);
    const QByteArray pair =
        encode(writeTiff, sampleImage(ColourCode::Mono, 50, 20, {PaletteKind::ColourPair}));
    EXPECT_EQ(tagOf(pair, Compression), 5u);  // LZW
    EXPECT_EQ(tagOf(pair, Photometric), 3u);  // palette
    const QByteArray colour = encode(writeTiff, sampleImage(ColourCode::Rgb24, 50, 20));
    EXPECT_EQ(tagOf(colour, Compression), 5u);
    EXPECT_EQ(tagOf(colour, Predictor), 2u);  // horizontal differencing
    // A blank page compresses to a tiny fraction of its 1 MB of bits.
    EXPECT_LT(encode(writeTiff, Image::create(2480, 3508, ColourCode::Mono)).size(), 4000);
}

TEST(TiffWrite, LargePagesRoundTripAcrossStripsCodedInParallel)
{
    // Strips hold about 256 KB, so these pages have several, coded on worker threads.
    const struct {
        ColourCode code;
        PaletteKind palette;
        int width, height;
    } cases[] = {
        {ColourCode::Rgb24, PaletteKind::Usual, 1000, 700},
        {ColourCode::Grey256, PaletteKind::Usual, 1500, 900},
        {ColourCode::Palette256, PaletteKind::Usual, 1300, 800},
        {ColourCode::Palette16, PaletteKind::Usual, 2001, 700},
        {ColourCode::Mono, PaletteKind::ColourPair, 3000, 2000},
    };
    for (const auto& c : cases) {
        const Image image = sampleImage(c.code, c.width, c.height, {c.palette});
        const QByteArray bytes = encode(writeTiff, image);
        EXPECT_GT(tagOf(bytes, RowsPerStrip), 0u);
        EXPECT_LT(tagOf(bytes, RowsPerStrip), quint32(c.height) / 2) << c.code;
        const Decoded back = decode(readTiff, bytes);
        ASSERT_TRUE(back.ok()) << back.error.toStdString();
        EXPECT_TRUE(samePixels(back.image, image)) << c.code;
    }
}

}  // namespace
}  // namespace tavlo::codecs
