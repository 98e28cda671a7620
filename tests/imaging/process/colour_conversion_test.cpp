#include "imaging/process/colour_conversion.h"
#include "tests/support/test_images.h"

#include <gtest/gtest.h>

#include <numeric>

namespace tavlo::process {
namespace {

using test::sampleImage;

// The code a conversion must give: grey sources stay grey when a palette is asked for, and a
// black-and-white 1-bit image has a grey palette.
ColourCode expectedCode(ColourCode from, ColourCode to)
{
    const bool greyish = isGreyCode(from) || from == ColourCode::Mono;
    if (to == ColourCode::Palette16 && greyish)
        return ColourCode::Grey16;
    if (to == ColourCode::Palette256 && greyish)
        return ColourCode::Grey256;
    return to;
}

// Every pair, both ways of reducing colours: a valid image of the right code, size and dots per
// inch; widening to direct colour keeps every colour exactly.
TEST(ColourConversion, EveryPairGivesAValidImageOfTheRightCodeSizeAndDpi)
{
    for (const QSize size : {QSize(1, 1), QSize(13, 7), QSize(40, 33)}) {
        for (ColourCode from : kAllColourCodes) {
            const Image source = sampleImage(from, size.width(), size.height());
            for (ColourCode to : kAllColourCodes) {
                for (bool dither : {false, true}) {
                    const Image result = convertColour(source, to, {dither, 128});
                    SCOPED_TRACE(testing::Message() << from << " -> " << to << " dither " << dither
                                                    << " " << size.width() << "x" << size.height());
                    ASSERT_TRUE(result.isValid());
                    EXPECT_EQ(result.code(), from == to ? from : expectedCode(from, to));
                    EXPECT_EQ(test::sizeOf(result), size);
                    EXPECT_EQ(test::dpiOf(result), QSize(200, 300));
                    if (to == ColourCode::Rgb24 || to == ColourCode::Rgb32 || from == to) {
                        EXPECT_EQ(test::largestDifference(result, source), 0);
                    }
                }
            }
        }
    }
    EXPECT_TRUE(convertColour(sampleImage(ColourCode::Rgb24, 3, 3), ColourCode(12)).isNull());
    EXPECT_TRUE(convertColour(Image(), ColourCode::Rgb24).isNull());
}

TEST(ColourConversion, SixteenBitsWidenByBitReplicationAndTruncateBack)
{
    // Channels 31, 16 and 1 widen to 255, 132 and 8 (the high bits repeated below).
    Image word = Image::create(1, 1, ColourCode::Rgb555);
    reinterpret_cast<quint16*>(word.scanLine(0))[0] = quint16(31 << 10 | 16 << 5 | 1);
    EXPECT_EQ(convertColour(word, ColourCode::Rgb24).pixelColour(0, 0), qRgb(255, 132, 8));
    const Image source = sampleImage(ColourCode::Rgb555, 31, 9);
    const Image wide = convertColour(source, ColourCode::Rgb24);
    EXPECT_TRUE(samePixels(convertColour(wide, ColourCode::Rgb555, {true, 128}), source));
    EXPECT_TRUE(samePixels(
        convertColour(convertColour(source, ColourCode::Rgb32), ColourCode::Rgb555), source));

    Image one = test::plainImage(ColourCode::Rgb24, 1, 1, qRgb(0x12, 0x37, 0xff));
    const Image truncated = convertColour(one, ColourCode::Rgb555);
    EXPECT_EQ(reinterpret_cast<const quint16*>(truncated.scanLine(0))[0],
              quint16((0x12 >> 3) << 10 | (0x37 >> 3) << 5 | 31));
}

TEST(ColourConversion, LosslessRoundTripsAreIdentities)
{
    // (24 and 32 bits both ways are exact in the test of every pair.)
    // Every grey level comes back, through 16 bits too (where it takes a small tint).
    std::vector<int> everyLevel(256);
    std::iota(everyLevel.begin(), everyLevel.end(), 0);
    const Image grey = test::greyRow(everyLevel);
    for (ColourCode via : {ColourCode::Rgb24, ColourCode::Rgb32, ColourCode::Rgb555})
        EXPECT_TRUE(samePixels(convertColour(convertColour(grey, via), ColourCode::Grey256), grey))
            << int(via);
    EXPECT_LE(test::largestDifference(convertColour(grey, ColourCode::Rgb555), grey), 12);
    // A grey image asked to become a 256-colour palette keeps every level.
    EXPECT_TRUE(samePixels(convertColour(grey, ColourCode::Palette256), grey));

    const Image grey16 = sampleImage(ColourCode::Grey16, 17, 5);
    EXPECT_TRUE(samePixels(
        convertColour(convertColour(grey16, ColourCode::Rgb24), ColourCode::Grey16), grey16));
    // The main window's detour for editing a 16-grey image: 40 -> 16 -> 80 -> 40 with dither.
    const Image edited =
        convertColour(convertColour(grey16, ColourCode::Rgb555), ColourCode::Grey256);
    EXPECT_TRUE(samePixels(convertColour(edited, ColourCode::Grey16, {true, 128}), grey16));

    for (ColourCode palette : {ColourCode::Palette16, ColourCode::Palette256}) {
        const Image indexed = sampleImage(palette, 23, 9);
        for (bool dither : {false, true}) {
            const Image back =
                convertColour(convertColour(indexed, ColourCode::Rgb24), palette, {dither, 128});
            EXPECT_EQ(back.code(), palette);
            EXPECT_EQ(test::largestDifference(back, indexed), 0) << int(palette);
        }
    }
    const Image palette16 = sampleImage(ColourCode::Palette16, 23, 9);
    EXPECT_EQ(
        test::largestDifference(
            convertColour(convertColour(palette16, ColourCode::Palette256), ColourCode::Palette16),
            palette16),
        0);

    const Image mono = sampleImage(ColourCode::Mono, 19, 3);
    for (ColourCode via : kAllColourCodes)
        EXPECT_TRUE(samePixels(convertColour(convertColour(mono, via), ColourCode::Mono), mono))
            << int(via);
}

TEST(ColourConversion, OneBitKeepsItsTwoColoursWhereverTheyFit)
{
    const Image mono = sampleImage(ColourCode::Mono, 21, 4, {test::PaletteKind::ColourPair});
    for (ColourCode to :
         {ColourCode::Palette16, ColourCode::Palette256, ColourCode::Rgb24, ColourCode::Rgb32}) {
        const Image result = convertColour(mono, to);
        EXPECT_EQ(result.code(), to);
        EXPECT_EQ(test::largestDifference(result, mono), 0) << int(to);
    }
}

TEST(ColourConversion, OneBitComparesLumaWithTheThreshold)
{
    // Luma 127, 128 and 129 (greys give their own level): below the threshold is black.
    const Image image = test::greyRow({127, 128, 129});
    for (int threshold : {0, 128, 129, 130, 256}) {
        const Image mono = convertColour(image, ColourCode::Mono, {false, threshold});
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(mono.pixelColour(x, 0), test::grey(127 + x < threshold ? 0 : 255))
                << threshold << " " << x;
    }
    // Red (255, 0, 0) has luma 76.
    const Image red = test::plainImage(ColourCode::Rgb24, 2, 2, qRgb(255, 0, 0));
    EXPECT_EQ(convertColour(red, ColourCode::Mono, {false, 76}).pixelColour(1, 1),
              qRgb(255, 255, 255));
    EXPECT_EQ(convertColour(red, ColourCode::Mono, {false, 77}).pixelColour(1, 1), qRgb(0, 0, 0));
}

TEST(ColourConversion, GreyLevelsAreLumaAndSixteenGreysAreTheNearestEvenLevel)
{
    // 0.299 x 10 + 0.587 x 200 + 0.114 x 90 = 130.7
    const Image colour = test::plainImage(ColourCode::Rgb24, 2, 1, qRgb(10, 200, 90));
    EXPECT_EQ(convertColour(colour, ColourCode::Grey256).pixelColour(0, 0), test::grey(131));

    const Image grey16 = convertColour(test::greyRow({8, 9, 25, 26}), ColourCode::Grey16);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(grey16.pixelColour(x, 0), test::grey((x + 1) / 2 * 17)) << x;
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(grey16.palette()[i], test::grey(i * 17));
}

// Mean level of an image's luma.
double meanLuma(const Image& image)
{
    const Image grey = convertColour(image, ColourCode::Grey256);
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += qRed(grey.pixelColour(x, y));
    return sum / (double(image.width()) * image.height());
}

TEST(ColourConversion, DitheringKeepsTheToneOfAFlatGrey)
{
    const Image grey = test::plainImage(ColourCode::Rgb24, 64, 64, qRgb(100, 100, 100));
    const Image ditheredMono = convertColour(grey, ColourCode::Mono, {true, 128});
    EXPECT_NEAR(meanLuma(ditheredMono), 100.0, 3.0);
    EXPECT_EQ(meanLuma(convertColour(grey, ColourCode::Mono, {false, 128})), 0.0);
    // 100 lies between the even greys 85 and 102.
    EXPECT_NEAR(meanLuma(convertColour(grey, ColourCode::Grey16, {true, 128})), 100.0, 1.0);
    EXPECT_EQ(meanLuma(convertColour(grey, ColourCode::Grey16, {false, 128})), 102.0);
}

TEST(ColourConversion, AManyColouredImageGetsACloseFittingPalette)
{
    // A smooth two-way gradient: thousands of colours. A fixed 6 x 6 x 6 cube would be about 12
    // off on average; the limits ask for a palette made for the image.
    Image gradient = Image::create(96, 64, ColourCode::Rgb24);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 96; ++x) {
            uchar* p = gradient.scanLine(y) + 3 * x;
            p[0] = uchar(255 - y * 4);
            p[1] = uchar(x * 255 / 95);
            p[2] = uchar((x + y) * 255 / 158);
        }
    for (const auto& [code, limit] :
         {std::pair{ColourCode::Palette256, 6.0}, {ColourCode::Palette16, 24.0}}) {
        for (bool dither : {false, true}) {
            const Image result = convertColour(gradient, code, {dither, 128});
            ASSERT_EQ(result.code(), code);
            EXPECT_LE(result.palette().size(), paletteCapacity(code));
            EXPECT_LT(test::meanDifference(result, gradient), limit)
                << int(code) << " dither " << dither;
        }
    }
}

}  // namespace
}  // namespace tavlo::process
