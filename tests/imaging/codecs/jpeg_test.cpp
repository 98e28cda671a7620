#include "imaging/codecs/exif_facts.h"
#include "imaging/codecs/jpeg_codec.h"
#include "imaging/codecs/own_codec_reasons.h"
#include "tests/support/exif_segment.h"
#include "tests/support/test_images.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace tavlo::codecs {
namespace {

using namespace test;

bool near(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

QByteArray jpeg(const Image& image, int quality = 90)
{
    return encode([quality](const Image& i, QIODevice& d) { return writeJpeg(i, d, quality); },
                  image);
}

// Our files start with a JFIF segment: its density unit and densities set.
QByteArray withDensity(QByteArray file, int unit, int x, int y)
{
    const char density[5] = {char(unit), char(x >> 8), char(x), char(y >> 8), char(y)};
    return file.replace(13, 5, QByteArray(density, 5));
}

TEST(JpegRead, CmykIsConvertedPlainAndAdobeInverted)
{
    // Cyan 0, magenta and yellow full, black 64 (stored inverted in the Adobe file): dark red.
    for (const char* name : {"jpeg/cmyk.jpg", "jpeg/cmyk_adobe.jpg"}) {
        const Decoded back = decode(testData(QLatin1String(name)));
        ASSERT_TRUE(back.ok()) << name << back.error.toStdString();
        EXPECT_EQ(back.image.code(), ColourCode::Rgb24);
        EXPECT_TRUE(near(back.image.pixelColour(5, 5), qRgb(191, 0, 0), 3)) << name;
    }
}

TEST(JpegRead, ExifOrientationTurnsThePictureUprightAndSwapsTheDpi)
{
    // Four flat quadrants, red and green over blue and white, tell every orientation apart.
    Image quadrants = Image::create(48, 32, ColourCode::Rgb24);
    const QRgb red = qRgb(220, 0, 0), green = qRgb(0, 200, 0), blue = qRgb(0, 0, 210),
               white = grey(255);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 48; ++x)
            quadrants.pixels().setPixel(x, y,
                                        y < 16 ? (x < 24 ? red : green) : (x < 24 ? blue : white));
    quadrants.setDpi(200, 100);
    const QByteArray plain = jpeg(quadrants);
    // The upright corners per orientation: top left, top right, bottom left, bottom right.
    const QRgb expected[9][4] = {
        {},
        {red, green, blue, white},  // 1
        {green, red, white, blue},  // 2 mirrored
        {white, blue, green, red},  // 3 half turn
        {blue, white, red, green},  // 4 flipped
        {red, blue, green, white},  // 5 transposed
        {blue, red, white, green},  // 6 right turn
        {white, green, blue, red},  // 7 transversed
        {green, white, red, blue},  // 8 left turn
    };
    for (int orientation = 1; orientation <= 8; ++orientation) {
        for (bool bigEndian : {false, true}) {
            SCOPED_TRACE(testing::Message()
                         << "orientation " << orientation << (bigEndian ? " MM" : " II"));
            const Decoded back = decode(withExif(plain, exifBlock(orientation, bigEndian)));
            ASSERT_TRUE(back.ok()) << back.error.toStdString();
            const bool swapped = orientation >= 5;
            const int w = back.image.width(), h = back.image.height();
            ASSERT_EQ(QSize(w, h), swapped ? QSize(32, 48) : QSize(48, 32));
            EXPECT_EQ(test::dpiOf(back.image), QSize(swapped ? 100 : 200, swapped ? 200 : 100));
            const QPoint corners[4] = {{2, 2}, {w - 3, 2}, {2, h - 3}, {w - 3, h - 3}};
            for (int i = 0; i < 4; ++i) {
                const QRgb corner = back.image.pixelColour(corners[i].x(), corners[i].y());
                EXPECT_TRUE(near(corner, expected[orientation][i], 6)) << i;
            }
        }
    }
}

TEST(JpegRead, DensityUnitsAndExifResolution)
{
    const QByteArray plain = jpeg(sampleImage(ColourCode::Rgb24, 8, 8));
    Decoded back = decode(withDensity(plain, 2, 118, 40));  // dots per centimetre
    EXPECT_EQ(back.image.dpiX(), 300);                      // 118 x 2.54 = 299.7
    EXPECT_EQ(back.image.dpiY(), 102);                      // 40 x 2.54 = 101.6
    // An aspect ratio only: the EXIF resolution decides, and without one there is none.
    back = decode(withExif(withDensity(plain, 0, 1, 1), exifBlock(1, true, 72, 96)));
    EXPECT_EQ(test::dpiOf(back.image), QSize(72, 96));
    back = decode(withDensity(plain, 0, 1, 1));
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(test::dpiOf(back.image), QSize(0, 0));
}

TEST(JpegRead, DamagedExifBlocksAreIgnored)
{
    const std::vector<unsigned char> block = exifBlock(6, false, 300, 300);
    for (size_t cut = 0; cut < block.size(); ++cut) {
        const ExifFacts facts = ExifFacts::parse(block.data(), cut);
        EXPECT_GE(facts.orientation, 1);
        EXPECT_LE(facts.orientation, 8);
    }
    std::vector<unsigned char> forged = block;
    forged[6 + 8] = forged[6 + 9] = 0xff;  // far more directory entries than the block holds
    EXPECT_EQ(ExifFacts::parse(forged.data(), forged.size()).orientation, 1);
    forged = block;
    forged[6 + 4] = 0xf0;  // the first directory lies outside the block
    EXPECT_EQ(ExifFacts::parse(forged.data(), forged.size()).orientation, 1);
}

TEST(JpegWrite, QualityChangesTheFileAndIsClamped)
{
    const Image image = sampleImage(ColourCode::Rgb24, 64, 64);
    EXPECT_LT(jpeg(image, 10).size(), jpeg(image, 80).size());
    EXPECT_LT(jpeg(image, 80).size(), jpeg(image, 100).size());
    EXPECT_EQ(jpeg(image, -5), jpeg(image, 1));
    EXPECT_EQ(jpeg(image, 500), jpeg(image, 100));
    // A file that lacks only its end marker is whole.
    const QByteArray whole = jpeg(image);
    EXPECT_TRUE(decode(whole.left(whole.size() - 2)).ok());
}

// checkJpeg reads without decoding in full: it must accept exactly the files readJpeg reads, with
// the same reason for the others, and report the stored size and dots per inch readJpeg finds.
TEST(JpegCheck, AcceptsWhatReadJpegReadsAndTellsTheStoredLayout)
{
    Image colour =
        sampleImage(ColourCode::Rgb24, 113, 157, Look{PaletteKind::Usual, Pattern::Smooth});
    colour.setDpi(300, 150);
    const QByteArray plain = jpeg(colour);
    const QByteArray grey = jpeg(sampleImage(ColourCode::Grey256, 17, 9));
    const QByteArray progressive = testData(QStringLiteral("jpeg/progressive.jpg"));
    const QByteArray turned = withExif(withDensity(plain, 0, 1, 1), exifBlock(6, false, 72, 96));
    struct Case {
        const char* name;
        QByteArray bytes;
        int components;
        bool adobeCmyk;
        int orientation;
    };
    const Case cases[] = {
        {"baseline", plain, 3, false, 1},
        {"grey", grey, 1, false, 1},
        {"progressive", progressive, 3, false, 1},
        {"cmyk", testData(QStringLiteral("jpeg/cmyk.jpg")), 4, false, 1},
        {"cmyk adobe", testData(QStringLiteral("jpeg/cmyk_adobe.jpg")), 4, true, 1},
        {"exif turned", turned, 3, false, 6},
        {"no end marker", plain.left(plain.size() - 2), 3, false, 1},
        {"cut in the data", plain.left(plain.size() / 2), 0, false, 0},
        {"progressive cut", progressive.left(progressive.size() * 3 / 4), 0, false, 0},
        {"header only", plain.left(200), 0, false, 0},
        {"not a jpeg", QByteArray("BM not a jpeg at all"), 0, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Decoded decoded = decode(readJpeg, c.bytes);
        QBuffer buffer;
        buffer.setData(c.bytes);
        buffer.open(QIODevice::ReadOnly);
        JpegFacts facts;
        const QString reason = checkJpeg(buffer, facts);
        EXPECT_EQ(reason, decoded.error);
        if (!decoded.ok())
            continue;
        const bool quarter = c.orientation >= 5;
        EXPECT_EQ(QSize(facts.width, facts.height),
                  quarter ? sizeOf(decoded.image).transposed() : sizeOf(decoded.image));
        EXPECT_EQ(QSize(facts.dpiX, facts.dpiY),
                  quarter ? dpiOf(decoded.image).transposed() : dpiOf(decoded.image));
        EXPECT_EQ(facts.components, c.components);
        EXPECT_EQ(facts.adobeCmyk, c.adobeCmyk);
        EXPECT_EQ(facts.orientation, c.orientation);
    }
}

// Cut in the middle of its data, a page reads as cut whether or not an end marker follows the cut
// (with one, the decoder would otherwise fill the rest of the page with grey and say nothing);
// a decoder that lost its place at a restart marker refuses the page too.
TEST(JpegRead, CutDataIsRefusedWithOrWithoutAnEndMarker)
{
    const QByteArray whole = jpeg(sampleImage(ColourCode::Rgb24, 200, 160, 7u));
    const QByteArray half = whole.left(whole.size() / 2);
    const QString cut = QStringLiteral("ﾌｧｲﾙが途中で終わっています");
    EXPECT_EQ(decode(half).error, cut);
    EXPECT_EQ(decode(half + QByteArray("\xff\xd9", 2)).error, cut);
    // The first few bytes of the data replaced by a restart marker the decoder did not expect.
    QByteArray resync = whole;
    const qsizetype scan = whole.indexOf("\xff\xda");
    const qsizetype data = scan + 2 + ((uchar(whole[scan + 2]) << 8) | uchar(whole[scan + 3]));
    resync.replace(data + 40, 2, QByteArray("\xff\xd3", 2));
    EXPECT_FALSE(decode(resync).ok());
}

// Run in a child process: caps the address space at 200 MB above what the process uses now and
// decodes; 0 when the decoder refused the file as one its bytes cannot fill.
[[maybe_unused]] int decodeWithin200MoreMegabytes(QByteArray bytes)
{
    long pages = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld", &pages) != 1)
            pages = 0;
        std::fclose(statm);
    }
    const rlim_t limit = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + (rlim_t(200) << 20);
    const rlimit cap{limit, limit};
    if (pages == 0 || ::setrlimit(RLIMIT_AS, &cap) != 0)
        return 2;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return readJpeg(buffer).error == reasons::expandsTooFar() ? 0 : 1;
}

// The header of a 1 KB file claims 12000 x 12000 pixels (over 400 MB to decode); it is refused
// before any pixel memory exists. Checked under an address-space limit far below that size, so a
// decoder that allocated first would fail for memory instead. (Sanitizers reserve terabytes of
// address space, so there the limit cannot be set.)
TEST(JpegRead, AHeaderClaimingMorePixelsThanItsBytesHoldIsRefusedBeforeAllocating)
{
    QByteArray lying = jpeg(sampleImage(ColourCode::Rgb24, 16, 16));
    const qsizetype frame = lying.indexOf("\xff\xc0");
    lying.replace(frame + 5, 4, QByteArray("\x2e\xe0\x2e\xe0", 4));
    ASSERT_LT(lying.size(), 2048);
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    EXPECT_EQ(decode(lying).error, reasons::expandsTooFar());
#else
    EXPECT_EXIT(std::_Exit(decodeWithin200MoreMegabytes(lying)), ::testing::ExitedWithCode(0), "");
#endif
}

}  // namespace
}  // namespace tavlo::codecs
