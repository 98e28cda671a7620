// The frame assembler with made-up SANE frames: every format and depth it accepts, rows that
// straddle reads, padded rows, unknown line counts, three-pass colour and the refusals.
#include "imaging/scan/frame_assembler.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace tavlo::scan {
namespace {

SANE_Parameters params(SANE_Frame format, int depth, int width, int lines, int bytesPerLine,
                       bool last = true)
{
    SANE_Parameters p{};
    p.format = format;
    p.last_frame = last ? SANE_TRUE : SANE_FALSE;
    p.depth = depth;
    p.pixels_per_line = width;
    p.lines = lines;
    p.bytes_per_line = bytesPerLine;
    return p;
}

// Feeds bytes in pieces of the given size, as sane_read may hand them over.
void feed(FrameAssembler& a, const std::vector<uchar>& bytes, size_t piece)
{
    for (size_t at = 0; at < bytes.size(); at += piece)
        ASSERT_TRUE(a.addData(bytes.data() + at, qsizetype(std::min(piece, bytes.size() - at))));
}

std::vector<uchar> samples16(std::initializer_list<quint16> values)
{
    std::vector<uchar> bytes(values.size() * 2);
    size_t i = 0;
    for (quint16 v : values) {
        std::memcpy(bytes.data() + i, &v, 2);  // machine byte order, as SANE sends them
        i += 2;
    }
    return bytes;
}

TEST(FrameAssembler, LineArtBecomesCodeOneWithBlackWhereSaneSetABit)
{
    // 11 pixels a row, rows padded by the backend to 3 bytes. SANE: 1 = black.
    FrameAssembler a;
    ASSERT_TRUE(a.beginFrame(params(SANE_FRAME_GRAY, 1, 11, 2, 3)));
    // Row 0: 1000 0000 101x xxxx; row 1: 0111 1111 010x xxxx (x = padding bits, set on purpose).
    feed(a, {0x80, 0xBF, 0xEE, 0x7F, 0x5F, 0x11}, 1);
    ASSERT_TRUE(a.endFrame());
    const Image image = a.takeImage();
    ASSERT_EQ(image.code(), ColourCode::Mono);
    ASSERT_EQ(image.width(), 11);
    ASSERT_EQ(image.height(), 2);
    EXPECT_TRUE(image.isValid());
    const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
    const QRgb row0[11] = {black, white, white, white, white, white, white, white,
                           black, white, black};
    for (int x = 0; x < 11; ++x) {
        EXPECT_EQ(image.pixelColour(x, 0), row0[x]) << x;
        EXPECT_NE(image.pixelColour(x, 1), row0[x]) << x;  // row 1 is row 0 inverted
    }
    // The palette is black then white, and the bits after the last pixel are 0.
    EXPECT_EQ(image.palette(), (QVector<QRgb>{black, white}));
    EXPECT_EQ(image.scanLine(1)[1] & 0x1F, 0);
}

TEST(FrameAssembler, GreyEightAndSixteenBitsBecomeCodeEighty)
{
    FrameAssembler a;
    ASSERT_TRUE(a.beginFrame(params(SANE_FRAME_GRAY, 8, 3, 1, 3)));
    feed(a, {0, 128, 255}, 3);
    ASSERT_TRUE(a.endFrame());
    Image grey = a.takeImage();
    ASSERT_EQ(grey.code(), ColourCode::Grey256);
    EXPECT_EQ(grey.pixelColour(1, 0), qRgb(128, 128, 128));

    // 16 bits reduced by rounding v * 255 / 65535: 257 * k -> k, 33025 -> 129, 33024 -> 128.
    ASSERT_TRUE(a.beginFrame(params(SANE_FRAME_GRAY, 16, 5, 1, 10)));
    feed(a, samples16({0, 65535, 257 * 7, 33025, 33024}), 3);
    ASSERT_TRUE(a.endFrame());
    grey = a.takeImage();
    ASSERT_EQ(grey.code(), ColourCode::Grey256);
    const uchar expected[5] = {0, 255, 7, 129, 128};
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(grey.scanLine(0)[x], expected[x]) << x;
}

TEST(FrameAssembler, ColourRowsAreStoredBlueGreenRedAndPaddingIsIgnored)
{
    // 2 pixels of 8-bit RGB in rows of 8 bytes (2 bytes of backend padding), 3 rows, fed in
    // pieces of 5 bytes so that rows straddle reads.
    FrameAssembler a;
    ASSERT_TRUE(a.beginFrame(params(SANE_FRAME_RGB, 8, 2, 3, 8)));
    std::vector<uchar> bytes;
    for (int y = 0; y < 3; ++y) {
        const std::vector<uchar> row = {uchar(10 + y), 20, 30, 40, 50, uchar(60 + y), 0xEE, 0xEE};
        bytes.insert(bytes.end(), row.begin(), row.end());
    }
    feed(a, bytes, 5);
    EXPECT_EQ(a.expectedBytes(), 24);
    EXPECT_EQ(a.receivedBytes(), 24);
    ASSERT_TRUE(a.endFrame());
    const Image image = a.takeImage();
    ASSERT_EQ(image.code(), ColourCode::Rgb24);
    ASSERT_EQ(image.height(), 3);
    EXPECT_EQ(image.pixelColour(0, 2), qRgb(12, 20, 30));
    EXPECT_EQ(image.pixelColour(1, 2), qRgb(40, 50, 62));
    // The 4-byte row padding of our image is zero.
    EXPECT_EQ(image.scanLine(0)[6], 0);
    EXPECT_EQ(image.scanLine(0)[7], 0);
}

TEST(FrameAssembler, SixteenBitAndOneBitColourAreReducedToTwentyFour)
{
    FrameAssembler a;
    ASSERT_TRUE(a.beginFrame(params(SANE_FRAME_RGB, 16, 1, 1, 6)));
    feed(a, samples16({65535, 257 * 100, 0}), 1);
    ASSERT_TRUE(a.endFrame());
    EXPECT_EQ(a.takeImage().pixelColour(0, 0), qRgb(255, 100, 0));

    // 1-bit colour: three bits a pixel, 1 = full intensity. Pixels: (1,0,1) (0,1,1) (1,1,1).
    ASSERT_TRUE(a.beginFrame(params(SANE_FRAME_RGB, 1, 3, 1, 2)));
    feed(a, {0xAF, 0x80}, 2);  // 101 011 11|1 0000000
    ASSERT_TRUE(a.endFrame());
    const Image image = a.takeImage();
    ASSERT_EQ(image.code(), ColourCode::Rgb24);
    EXPECT_EQ(image.pixelColour(0, 0), qRgb(255, 0, 255));
    EXPECT_EQ(image.pixelColour(1, 0), qRgb(0, 255, 255));
    EXPECT_EQ(image.pixelColour(2, 0), qRgb(255, 255, 255));
}

TEST(FrameAssembler, ThreePassColourInAnyOrderMakesOneImage)
{
    FrameAssembler a;
    const SANE_Frame order[3] = {SANE_FRAME_BLUE, SANE_FRAME_RED, SANE_FRAME_GREEN};
    const uchar level[3] = {30, 10, 20};
    for (int f = 0; f < 3; ++f) {
        ASSERT_TRUE(a.beginFrame(params(order[f], 8, 2, 2, 2, f == 2)));
        feed(a, {level[f], uchar(level[f] + 1), uchar(level[f] + 2), uchar(level[f] + 3)}, 3);
        EXPECT_EQ(a.endFrame(), f == 2);
        EXPECT_TRUE(a.error().isEmpty());
    }
    EXPECT_EQ(a.expectedBytes(), 12);
    const Image image = a.takeImage();
    ASSERT_EQ(image.code(), ColourCode::Rgb24);
    EXPECT_EQ(image.pixelColour(0, 0), qRgb(10, 20, 30));
    EXPECT_EQ(image.pixelColour(1, 1), qRgb(13, 23, 33));
}

TEST(FrameAssembler, AThreePassPageWithoutAllChannelsOrWithMismatchedFramesIsRefused)
{
    FrameAssembler a;
    ASSERT_TRUE(a.beginFrame(params(SANE_FRAME_RED, 8, 2, 1, 2, false)));
    feed(a, {1, 2}, 2);
    EXPECT_FALSE(a.endFrame());
    ASSERT_TRUE(a.beginFrame(params(SANE_FRAME_BLUE, 8, 2, 1, 2, true)));
    feed(a, {1, 2}, 2);
    EXPECT_FALSE(a.endFrame());
    EXPECT_FALSE(a.error().isEmpty());
    EXPECT_TRUE(a.takeImage().isNull());

    a.reset();
    ASSERT_TRUE(a.beginFrame(params(SANE_FRAME_RED, 8, 2, 1, 2, false)));
    feed(a, {1, 2}, 2);
    EXPECT_FALSE(a.endFrame());
    EXPECT_FALSE(a.beginFrame(params(SANE_FRAME_GREEN, 8, 3, 1, 3, false)));  // another width
    EXPECT_FALSE(a.error().isEmpty());
}

TEST(FrameAssembler, UnknownLineCountGrowsAndDropsAnIncompleteLastRow)
{
    // A hand scanner: lines = -1. Rows of 20000 grey pixels start the page at about 8 MB
    // (419 rows), so 1000 rows make it grow twice; then half a row arrives.
    constexpr int kWidth = 20000;
    FrameAssembler a;
    ASSERT_TRUE(a.beginFrame(params(SANE_FRAME_GRAY, 8, kWidth, -1, kWidth)));
    EXPECT_EQ(a.expectedBytes(), 0);
    std::vector<uchar> bytes;
    bytes.reserve(size_t(kWidth) * 1000 + 2);
    for (int y = 0; y < 1000; ++y)
        for (int x = 0; x < kWidth; ++x)
            bytes.push_back(uchar((y + x) % 251));
    bytes.insert(bytes.end(), {9, 9});
    feed(a, bytes, 65536);
    ASSERT_TRUE(a.endFrame());
    const Image image = a.takeImage();
    ASSERT_EQ(image.height(), 1000);
    ASSERT_EQ(image.width(), kWidth);
    for (int y : {0, 418, 419, 420, 837, 838, 999})
        for (int x : {0, 1, kWidth - 1})
            ASSERT_EQ(image.scanLine(y)[x], (y + x) % 251) << x << "," << y;
}

TEST(FrameAssembler, ShortPagesAndRowsKeepWhatCame)
{
    // Ten rows announced, two and a bit sent: the two whole rows stay.
    FrameAssembler a;
    ASSERT_TRUE(a.beginFrame(params(SANE_FRAME_GRAY, 8, 4, 10, 4)));
    feed(a, {1, 2, 3, 4, 5, 6, 7, 8, 9}, 9);
    ASSERT_TRUE(a.endFrame());
    Image image = a.takeImage();
    ASSERT_EQ(image.height(), 2);
    EXPECT_EQ(image.pixelColour(3, 1), qRgb(8, 8, 8));

    ASSERT_TRUE(a.beginFrame(params(SANE_FRAME_GRAY, 8, 4, 10, 4)));
    EXPECT_FALSE(a.endFrame());  // no row at all
    EXPECT_FALSE(a.error().isEmpty());

    // The backend claims 10 pixels but sends rows of 6 bytes of 8-bit RGB: 2 pixels.
    a.reset();
    ASSERT_TRUE(a.beginFrame(params(SANE_FRAME_RGB, 8, 10, 1, 6)));
    feed(a, {1, 2, 3, 4, 5, 6}, 6);
    ASSERT_TRUE(a.endFrame());
    image = a.takeImage();
    EXPECT_EQ(image.width(), 2);
    EXPECT_EQ(image.pixelColour(1, 0), qRgb(4, 5, 6));
}

TEST(FrameAssembler, FramesItCannotTakeAndPagesBeyondTheBoundsAreRefusedWithAReason)
{
    const SANE_Parameters bad[] = {
        params(SANE_FRAME_GRAY, 4, 10, 1, 5),            // 4-bit grey
        params(SANE_Frame(7), 8, 10, 1, 10),             // a format SANE 1 does not define
        params(SANE_FRAME_GRAY, 8, 0, 1, 10),            // no pixels
        params(SANE_FRAME_GRAY, 8, 10, 1, 0),            // no bytes
        params(SANE_FRAME_RGB, 8, 70000, 1, 210000),     // wider than any image
        params(SANE_FRAME_RGB, 8, 60000, 60000, 180000), // 10 GB
    };
    for (const SANE_Parameters& p : bad) {
        FrameAssembler a;
        EXPECT_FALSE(a.beginFrame(p)) << p.format << " " << p.depth << " " << p.pixels_per_line;
        EXPECT_FALSE(a.error().isEmpty());
        const uchar byte = 0;
        a.addData(&byte, 1);
        EXPECT_FALSE(a.endFrame());
        EXPECT_TRUE(a.takeImage().isNull());
    }

    // Unknown length, one grey pixel a row: the 65535-row bound is passed by the next row.
    FrameAssembler a;
    ASSERT_TRUE(a.beginFrame(params(SANE_FRAME_GRAY, 8, 1, -1, 1)));
    const std::vector<uchar> rows(Image::kMaxSide, 7);
    ASSERT_TRUE(a.addData(rows.data(), qsizetype(rows.size())));
    const uchar one = 8;
    EXPECT_FALSE(a.addData(&one, 1));
    EXPECT_FALSE(a.error().isEmpty());
    EXPECT_FALSE(a.endFrame());
    EXPECT_TRUE(a.takeImage().isNull());
}

}  // namespace
}  // namespace tavlo::scan
