#include "imaging/codecs/tiff_codec.h"
#include "tests/imaging/codecs/codec_test_support.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <tiffio.h>

#include <functional>
#include <vector>

namespace tavlo::codecs {
namespace {

using namespace test;

// A TIFF page described tag by tag and written with libtiff itself, for the many layouts our
// writer never makes.
struct RawPage {
    uint32_t width = 8;
    uint32_t height = 8;
    uint16_t bitsPerSample = 8;
    uint16_t samplesPerPixel = 1;
    uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    uint16_t planar = PLANARCONFIG_CONTIG;
    uint16_t compression = COMPRESSION_NONE;
    uint32_t rowsPerStrip = 3;
    uint32_t tileSize = 0;  // 0 = strips
    uint16_t extraSample = 0xffff;  // 0xffff = none
    std::vector<uint16_t> colourMap;  // red, green, blue runs of 2^bits each
    float resolutionX = 0;
    float resolutionY = 0;
    uint16_t resolutionUnit = RESUNIT_INCH;
    // The bytes of row y of plane p, as the file stores them.
    std::function<std::vector<uint8_t>(uint32_t y, uint16_t p)> row;
};

QString tiffPath(const QTemporaryDir& dir)
{
    return dir.filePath(QStringLiteral("page.tif"));
}

void writePage(TIFF* tif, const RawPage& page)
{
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, page.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, page.height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, page.bitsPerSample);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, page.samplesPerPixel);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, page.photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, page.planar);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, page.compression);
    if (page.compression == COMPRESSION_CCITTFAX3)
        TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, GROUP3OPT_2DENCODING);
    if (page.extraSample != 0xffff)
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &page.extraSample);
    if (!page.colourMap.empty()) {
        const size_t n = page.colourMap.size() / 3;
        TIFFSetField(tif, TIFFTAG_COLORMAP, page.colourMap.data(), page.colourMap.data() + n,
                     page.colourMap.data() + 2 * n);
    }
    if (page.resolutionX > 0) {
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, page.resolutionX);
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, page.resolutionY);
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, page.resolutionUnit);
    }
    const uint16_t planes = page.planar == PLANARCONFIG_SEPARATE ? page.samplesPerPixel : 1;
    if (page.tileSize == 0) {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, page.rowsPerStrip);
        for (uint16_t p = 0; p < planes; ++p) {
            for (uint32_t y = 0; y < page.height; ++y) {
                std::vector<uint8_t> bytes = page.row(y, p);
                ASSERT_GE(TIFFWriteScanline(tif, bytes.data(), y, p), 0);
            }
        }
    } else {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, page.tileSize);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, page.tileSize);
        const size_t pixelBits = size_t(page.bitsPerSample) * (planes == 1 ? page.samplesPerPixel : 1);
        const size_t tileRow = page.tileSize * pixelBits / 8;
        for (uint16_t p = 0; p < planes; ++p) {
            for (uint32_t ty = 0; ty < page.height; ty += page.tileSize) {
                for (uint32_t tx = 0; tx < page.width; tx += page.tileSize) {
                    std::vector<uint8_t> tile(tileRow * page.tileSize, 0);
                    for (uint32_t r = 0; r < page.tileSize && ty + r < page.height; ++r) {
                        const std::vector<uint8_t> bytes = page.row(ty + r, p);
                        const size_t from = tx * pixelBits / 8;
                        for (size_t i = 0; i < tileRow && from + i < bytes.size(); ++i)
                            tile[r * tileRow + i] = bytes[from + i];
                    }
                    ASSERT_GE(TIFFWriteTile(tif, tile.data(), tx, ty, 0, p), 0);
                }
            }
        }
    }
    ASSERT_TRUE(TIFFWriteDirectory(tif));
}

QByteArray writeRaw(const std::vector<RawPage>& pages)
{
    QTemporaryDir dir;
    TIFF* tif = TIFFOpen(tiffPath(dir).toLocal8Bit().constData(), "w");
    EXPECT_NE(tif, nullptr);
    for (const RawPage& page : pages)
        writePage(tif, page);
    TIFFClose(tif);
    QFile file(tiffPath(dir));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

QByteArray writeRaw(const RawPage& page)
{
    return writeRaw(std::vector<RawPage>{page});
}

// A tag of a TIFF our writer made.
template <typename T>
T tagOf(const QByteArray& bytes, uint32_t tag)
{
    QTemporaryDir dir;
    QFile file(tiffPath(dir));
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    file.close();
    TIFF* tif = TIFFOpen(tiffPath(dir).toLocal8Bit().constData(), "r");
    T value{};
    TIFFGetFieldDefaulted(tif, tag, &value);
    TIFFClose(tif);
    return value;
}

// 1-bit rows of a fixed pattern: bit x of row y is set when (x * 3 + y) % 5 < 2.
std::vector<uint8_t> bilevelRow(uint32_t y, uint32_t width)
{
    std::vector<uint8_t> row((width + 7) / 8, 0);
    for (uint32_t x = 0; x < width; ++x)
        if ((x * 3 + y) % 5 < 2)
            row[x / 8] |= uint8_t(0x80 >> (x % 8));
    return row;
}

TEST(TiffRoundTrip, EveryCodeComesBackExactlyWithItsDpi)
{
    const struct {
        ColourCode code;
        PaletteKind kind;
    } cases[] = {
        {ColourCode::Mono, PaletteKind::Usual},       {ColourCode::Mono, PaletteKind::WhiteBlack},
        {ColourCode::Mono, PaletteKind::ColourPair},  {ColourCode::Palette16, PaletteKind::Usual},
        {ColourCode::Palette16, PaletteKind::Short},  {ColourCode::Grey16, PaletteKind::Usual},
        {ColourCode::Grey16, PaletteKind::EvenGreys}, {ColourCode::Palette256, PaletteKind::Usual},
        {ColourCode::Palette256, PaletteKind::Short}, {ColourCode::Grey256, PaletteKind::Usual},
        {ColourCode::Rgb24, PaletteKind::Usual},
    };
    for (const auto& c : cases) {
        for (const Size size : kOddSizes) {
            SCOPED_TRACE(testing::Message() << "code " << c.code << " kind " << int(c.kind) << " "
                                            << size.width << "x" << size.height);
            Image image = patternImage(size.width, size.height, c.code, c.kind);
            image.setDpi(600, 200);
            QString error;
            const QByteArray bytes = encode(writeTiff, image, &error);
            ASSERT_EQ(error, QString());
            const Decoded back = decode(readTiff, bytes);
            ASSERT_TRUE(back.ok()) << back.error.toStdString();
            EXPECT_TRUE(back.image.isValid());
            EXPECT_TRUE(samePixels(back.image, image));
            EXPECT_EQ(back.image.dpiX(), 600);
            EXPECT_EQ(back.image.dpiY(), 200);
        }
    }
}

TEST(TiffRoundTrip, DirectColourCodesAreWrittenAsTwentyFourBitColour)
{
    for (ColourCode code : {ColourCode::Rgb555, ColourCode::Rgb32}) {
        const Image image = patternImage(113, 157, code);
        const Decoded back = decode(readTiff, encode(writeTiff, image));
        ASSERT_TRUE(back.ok()) << back.error.toStdString();
        EXPECT_EQ(back.image.code(), ColourCode::Rgb24);
        EXPECT_EQ(maxChannelDifference(back.image, image), 0) << code;
    }
}

TEST(TiffRoundTrip, LargePagesRoundTripAcrossStripsCodedInParallel)
{
    // Strips hold about 256 KB, so these pages have several, coded on worker threads.
    const struct {
        ColourCode code;
        PaletteKind kind;
        int width, height;
    } cases[] = {
        {ColourCode::Rgb24, PaletteKind::Usual, 1000, 700},
        {ColourCode::Grey256, PaletteKind::Usual, 1500, 900},
        {ColourCode::Palette256, PaletteKind::Usual, 1300, 800},
        {ColourCode::Palette16, PaletteKind::Usual, 2001, 700},
        {ColourCode::Mono, PaletteKind::ColourPair, 3000, 2000},
    };
    for (const auto& c : cases) {
        Image image = patternImage(c.width, c.height, c.code, c.kind);
        image.setDpi(300, 300);
        const QByteArray bytes = encode(writeTiff, image);
        ASSERT_GT(tagOf<uint32_t>(bytes, TIFFTAG_ROWSPERSTRIP), 0u);
        ASSERT_LT(tagOf<uint32_t>(bytes, TIFFTAG_ROWSPERSTRIP), uint32_t(c.height) / 2) << c.code;
        const Decoded back = decode(readTiff, bytes);
        ASSERT_TRUE(back.ok()) << back.error.toStdString();
        EXPECT_TRUE(samePixels(back.image, image)) << c.code;
    }
}

TEST(TiffRoundTrip, CompressionIsGroupFourForBlackAndWhiteAndLzwOtherwise)
{
    const QByteArray fax = encode(writeTiff, patternImage(50, 20, ColourCode::Mono));
    EXPECT_EQ(tagOf<uint16_t>(fax, TIFFTAG_COMPRESSION), COMPRESSION_CCITTFAX4);
    EXPECT_EQ(tagOf<uint16_t>(fax, TIFFTAG_PHOTOMETRIC), PHOTOMETRIC_MINISBLACK);
    const QByteArray faxInverted = encode(writeTiff, patternImage(50, 20, ColourCode::Mono, PaletteKind::WhiteBlack));
    EXPECT_EQ(tagOf<uint16_t>(faxInverted, TIFFTAG_PHOTOMETRIC), PHOTOMETRIC_MINISWHITE);
    const QByteArray pair = encode(writeTiff, patternImage(50, 20, ColourCode::Mono, PaletteKind::ColourPair));
    EXPECT_EQ(tagOf<uint16_t>(pair, TIFFTAG_COMPRESSION), COMPRESSION_LZW);
    EXPECT_EQ(tagOf<uint16_t>(pair, TIFFTAG_PHOTOMETRIC), PHOTOMETRIC_PALETTE);
    const QByteArray colour = encode(writeTiff, patternImage(50, 20, ColourCode::Rgb24));
    EXPECT_EQ(tagOf<uint16_t>(colour, TIFFTAG_COMPRESSION), COMPRESSION_LZW);
    EXPECT_EQ(tagOf<uint16_t>(colour, TIFFTAG_PREDICTOR), PREDICTOR_HORIZONTAL);
    // A blank page compresses to a tiny fraction of its 1 MB of bits.
    EXPECT_LT(encode(writeTiff, Image::create(2480, 3508, ColourCode::Mono)).size(), 4000);
}

TEST(TiffRead, BilevelInEveryCompressionAndBothPhotometrics)
{
    for (uint16_t compression : {COMPRESSION_NONE, COMPRESSION_PACKBITS, COMPRESSION_CCITTRLE,
                                 COMPRESSION_CCITTFAX3, COMPRESSION_CCITTFAX4, COMPRESSION_LZW}) {
        for (uint16_t photometric : {PHOTOMETRIC_MINISWHITE, PHOTOMETRIC_MINISBLACK}) {
            SCOPED_TRACE(testing::Message() << "compression " << compression << " photometric " << photometric);
            RawPage page;
            page.width = 37;
            page.height = 11;
            page.bitsPerSample = 1;
            page.photometric = photometric;
            page.compression = compression;
            page.rowsPerStrip = compression == COMPRESSION_CCITTFAX4 ? 11 : 4;
            page.row = [&](uint32_t y, uint16_t) { return bilevelRow(y, page.width); };
            const Decoded back = decode(readTiff, writeRaw(page));
            ASSERT_TRUE(back.ok()) << back.error.toStdString();
            ASSERT_EQ(back.image.code(), ColourCode::Mono);
            for (uint32_t y = 0; y < page.height; ++y) {
                for (uint32_t x = 0; x < page.width; ++x) {
                    const bool set = (x * 3 + y) % 5 < 2;
                    const bool black = photometric == PHOTOMETRIC_MINISWHITE ? set : !set;
                    ASSERT_EQ(back.image.pixelColour(int(x), int(y)), black ? qRgb(0, 0, 0) : qRgb(255, 255, 255))
                        << x << "," << y;
                }
            }
        }
    }
}

TEST(TiffRead, PaletteAndGreyDepths)
{
    // 4-bit palette: entries 0..15 of distinct colours, pixel x is entry x % 16.
    RawPage palette;
    palette.width = 19;
    palette.height = 2;
    palette.bitsPerSample = 4;
    palette.photometric = PHOTOMETRIC_PALETTE;
    for (int channel = 0; channel < 3; ++channel)
        for (int i = 0; i < 16; ++i)
            palette.colourMap.push_back(uint16_t((channel == 0 ? i * 16 : channel == 1 ? 255 - i : 7) * 257));
    palette.row = [](uint32_t, uint16_t) {
        std::vector<uint8_t> row(10);
        for (int x = 0; x < 19; ++x)
            row[size_t(x / 2)] |= uint8_t((x % 16) << (x % 2 ? 0 : 4));
        return row;
    };
    Decoded back = decode(readTiff, writeRaw(palette));
    ASSERT_TRUE(back.ok()) << back.error.toStdString();
    EXPECT_EQ(back.image.code(), ColourCode::Palette16);
    EXPECT_EQ(back.image.pixelColour(3, 1), qRgb(48, 252, 7));
    EXPECT_EQ(back.image.pixelColour(18, 0), qRgb(32, 253, 7));

    // An 8-bit map written with 8-bit values (old writers) reads the same.
    RawPage old = palette;
    old.bitsPerSample = 8;
    old.colourMap.assign(3 * 256, 0);
    old.colourMap[5] = 200;            // red of entry 5
    old.colourMap[256 + 5] = 100;      // green
    old.colourMap[512 + 6] = 255;      // blue of entry 6
    old.row = [](uint32_t, uint16_t) { return std::vector<uint8_t>(19, 5); };
    back = decode(readTiff, writeRaw(old));
    ASSERT_TRUE(back.ok()) << back.error.toStdString();
    EXPECT_EQ(back.image.code(), ColourCode::Palette256);
    EXPECT_EQ(back.image.pixelColour(0, 0), qRgb(200, 100, 0));

    RawPage grey4;
    grey4.width = 5;
    grey4.height = 1;
    grey4.bitsPerSample = 4;
    grey4.photometric = PHOTOMETRIC_MINISWHITE;
    grey4.row = [](uint32_t, uint16_t) { return std::vector<uint8_t>{0x0f, 0x37, 0x10}; };
    back = decode(readTiff, writeRaw(grey4));
    ASSERT_TRUE(back.ok()) << back.error.toStdString();
    EXPECT_EQ(back.image.code(), ColourCode::Grey16);
    EXPECT_EQ(back.image.pixelColour(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(back.image.pixelColour(1, 0), qRgb(0, 0, 0));
    EXPECT_EQ(back.image.pixelColour(3, 0), qRgb(255 - 119, 255 - 119, 255 - 119));

    RawPage grey8 = grey4;
    grey8.bitsPerSample = 8;
    grey8.photometric = PHOTOMETRIC_MINISBLACK;
    grey8.compression = COMPRESSION_LZW;
    grey8.row = [](uint32_t, uint16_t) { return std::vector<uint8_t>{0, 1, 127, 254, 255}; };
    back = decode(readTiff, writeRaw(grey8));
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.image.code(), ColourCode::Grey256);
    EXPECT_EQ(back.image.pixelColour(2, 0), qRgb(127, 127, 127));

    RawPage grey16 = grey8;
    grey16.bitsPerSample = 16;
    grey16.row = [](uint32_t, uint16_t) {
        const uint16_t v[5] = {0, 257, 0x8000, 0xfeff, 0xffff};
        std::vector<uint8_t> row(10);
        std::memcpy(row.data(), v, 10);
        return row;
    };
    back = decode(readTiff, writeRaw(grey16));
    ASSERT_TRUE(back.ok()) << back.error.toStdString();
    EXPECT_EQ(back.image.pixelColour(1, 0), qRgb(1, 1, 1));
    EXPECT_EQ(back.image.pixelColour(2, 0), qRgb(128, 128, 128));
    EXPECT_EQ(back.image.pixelColour(4, 0), qRgb(255, 255, 255));
}

TEST(TiffRead, ColourInBothPlanarLayoutsDepthsAndTiles)
{
    // Pixel (x, y) is red x * 9, green y * 13, blue 255 - x - y.
    auto expected = [](int x, int y) { return qRgb(x * 9, y * 13, 255 - x - y); };
    for (uint16_t bits : {uint16_t(8), uint16_t(16)}) {
        for (uint16_t planar : {PLANARCONFIG_CONTIG, PLANARCONFIG_SEPARATE}) {
            for (uint32_t tile : {0u, 16u}) {
                SCOPED_TRACE(testing::Message() << bits << " bits, planar " << planar << ", tile " << tile);
                RawPage page;
                page.width = 21;
                page.height = 18;
                page.bitsPerSample = bits;
                page.samplesPerPixel = 3;
                page.photometric = PHOTOMETRIC_RGB;
                page.planar = planar;
                page.compression = COMPRESSION_ADOBE_DEFLATE;
                page.tileSize = tile;
                page.row = [&](uint32_t y, uint16_t plane) {
                    std::vector<uint8_t> row;
                    for (uint32_t x = 0; x < page.width; ++x) {
                        const QRgb c = expected(int(x), int(y));
                        const int channels[3] = {qRed(c), qGreen(c), qBlue(c)};
                        for (int s = 0; s < 3; ++s) {
                            if (planar == PLANARCONFIG_SEPARATE && s != plane)
                                continue;
                            if (bits == 8) {
                                row.push_back(uint8_t(channels[s]));
                            } else {
                                const uint16_t v = uint16_t(channels[s] * 257);
                                row.insert(row.end(), {uint8_t(v & 0xff), uint8_t(v >> 8)});
                            }
                        }
                    }
                    return row;
                };
                const Decoded back = decode(readTiff, writeRaw(page));
                ASSERT_TRUE(back.ok()) << back.error.toStdString();
                ASSERT_EQ(back.image.code(), ColourCode::Rgb24);
                for (int y = 0; y < 18; ++y)
                    for (int x = 0; x < 21; ++x)
                        ASSERT_EQ(back.image.pixelColour(x, y), expected(x, y)) << x << "," << y;
            }
        }
    }
}

TEST(TiffRead, OtherColourModelsAndAlphaGoThroughLibtiff)
{
    RawPage cmyk;
    cmyk.width = 4;
    cmyk.height = 2;
    cmyk.samplesPerPixel = 4;
    cmyk.photometric = PHOTOMETRIC_SEPARATED;
    cmyk.row = [](uint32_t, uint16_t) {
        return std::vector<uint8_t>{0, 0, 0, 0, 255, 0, 0, 0, 0, 0, 0, 255, 0, 255, 255, 0};
    };
    Decoded back = decode(readTiff, writeRaw(cmyk));
    ASSERT_TRUE(back.ok()) << back.error.toStdString();
    EXPECT_EQ(back.image.code(), ColourCode::Rgb24);
    EXPECT_EQ(back.image.pixelColour(0, 1), qRgb(255, 255, 255));
    EXPECT_EQ(back.image.pixelColour(1, 1), qRgb(0, 255, 255));
    EXPECT_EQ(back.image.pixelColour(2, 1), qRgb(0, 0, 0));
    EXPECT_EQ(back.image.pixelColour(3, 1), qRgb(255, 0, 0));

    RawPage rgba;
    rgba.width = 2;
    rgba.height = 5;
    rgba.samplesPerPixel = 4;
    rgba.photometric = PHOTOMETRIC_RGB;
    rgba.extraSample = EXTRASAMPLE_UNASSALPHA;
    rgba.row = [](uint32_t, uint16_t) { return std::vector<uint8_t>{200, 0, 0, 255, 0, 0, 100, 0}; };
    back = decode(readTiff, writeRaw(rgba));
    ASSERT_TRUE(back.ok()) << back.error.toStdString();
    EXPECT_EQ(back.image.pixelColour(0, 4), qRgb(200, 0, 0));
    EXPECT_EQ(back.image.pixelColour(1, 4), qRgb(255, 255, 255));
}

TEST(TiffRead, FirstPageOfSeveralAndResolutionUnits)
{
    RawPage first;
    first.width = 3;
    first.height = 2;
    first.resolutionX = 118.11f;  // dots per centimetre: 300 dpi
    first.resolutionY = 39.37f;   // 100 dpi
    first.resolutionUnit = RESUNIT_CENTIMETER;
    first.row = [](uint32_t, uint16_t) { return std::vector<uint8_t>{10, 20, 30}; };
    RawPage second = first;
    second.width = 5;
    second.row = [](uint32_t, uint16_t) { return std::vector<uint8_t>{99, 99, 99, 99, 99}; };
    Decoded back = decode(readTiff, writeRaw({first, second}));
    ASSERT_TRUE(back.ok()) << back.error.toStdString();
    EXPECT_EQ(back.image.width(), 3);
    EXPECT_EQ(back.image.pixelColour(1, 0), qRgb(20, 20, 20));
    EXPECT_EQ(back.image.dpiX(), 300);
    EXPECT_EQ(back.image.dpiY(), 100);

    first.resolutionUnit = RESUNIT_NONE;
    back = decode(readTiff, writeRaw(first));
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.image.dpiX(), 0);
}

TEST(TiffDamage, TruncatedAndCorruptFilesNeverCrash)
{
    EXPECT_EQ(decode(readTiff, QByteArray("BM.........")).error, QStringLiteral("TIFF ﾌｧｲﾙではありません"));
    for (ColourCode code : {ColourCode::Mono, ColourCode::Palette256, ColourCode::Rgb24}) {
        const QByteArray whole = encode(writeTiff, patternImage(60, 40, code));
        // Our writer puts the directory after the pixels, so every cut loses pixels or tags.
        for (qsizetype length = 0; length < whole.size(); length += 7) {
            const Decoded back = decode(readTiff, whole.left(length));
            ASSERT_FALSE(back.ok()) << length << " of " << whole.size() << " code " << code;
            ASSERT_FALSE(back.error.isEmpty());
        }
        for (qsizetype at = 0; at < whole.size(); at += 5) {
            QByteArray damaged = whole;
            damaged[at] = char(damaged[at] ^ 0x5a);
            const Decoded back = decode(readTiff, damaged);
            if (back.ok())
                EXPECT_TRUE(back.image.isValid());
            else
                EXPECT_FALSE(back.error.isEmpty());
        }
    }
    // The pixel data are cut short while the directory is whole.
    RawPage page;
    page.width = 64;
    page.height = 64;
    page.rowsPerStrip = 64;
    page.row = [](uint32_t y, uint16_t) { return std::vector<uint8_t>(64, uint8_t(y)); };
    QByteArray bytes = writeRaw(page);
    const qsizetype directory = qFromLittleEndian<quint32>(bytes.constData() + 4);
    ASSERT_GT(directory, 4096);
    QByteArray shortened = bytes.left(8) + bytes.mid(directory);  // the strip offset now points past the end
    shortened.replace(4, 4, QByteArray("\x08\x00\x00\x00", 4));
    EXPECT_FALSE(decode(readTiff, shortened).ok());
}

TEST(TiffDamage, AbsurdSizesAreRefusedBeforeAllocating)
{
    RawPage page;
    page.width = 40000;
    page.height = 40000;
    page.samplesPerPixel = 3;
    page.photometric = PHOTOMETRIC_RGB;
    page.rowsPerStrip = 40000;
    page.compression = COMPRESSION_LZW;
    page.row = [](uint32_t, uint16_t) { return std::vector<uint8_t>(120000, 0); };
    page.height = 1;  // one row written; the header then claims 40000
    QByteArray bytes = writeRaw(page);
    // The ImageLength entry (tag 257, SHORT or LONG, one value: 1) gets 40000.
    qsizetype at = bytes.indexOf(QByteArray("\x01\x01\x03\x00\x01\x00\x00\x00\x01\x00", 10));
    if (at < 0)
        at = bytes.indexOf(QByteArray("\x01\x01\x04\x00\x01\x00\x00\x00\x01\x00", 10));
    ASSERT_GT(at, 0);
    bytes[at + 8] = char(0x40), bytes[at + 9] = char(0x9c);
    const Decoded back = decode(readTiff, bytes);
    EXPECT_TRUE(back.error.startsWith(QStringLiteral("画像が大きすぎます"))) << back.error.toStdString();
}

TEST(TiffWrite, AFailingDeviceIsReported)
{
    QByteArray bytes;
    QBuffer readOnly(&bytes);
    readOnly.open(QIODevice::ReadOnly);
    EXPECT_EQ(writeTiff(patternImage(200, 200, ColourCode::Rgb24), readOnly), QStringLiteral("ﾌｧｲﾙに書き込めません"));
}

}  // namespace
}  // namespace tavlo::codecs
