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
    return {format, last ? SANE_TRUE : SANE_FALSE, bytesPerLine, width, lines, depth};
}

// One frame fed in pieces of the given size, as sane_read may hand them over; the image of the
// page, or a null image when the frame or the page was refused. The page's expected and received
// byte counts (for the progress) are kept in counts.
Image assemble(FrameAssembler& a, const SANE_Parameters& p, const std::vector<uchar>& bytes,
               size_t piece, QPair<qint64, qint64>* counts = nullptr)
{
    if (!a.beginFrame(p))
        return Image();
    for (size_t at = 0; at < bytes.size(); at += piece)
        EXPECT_TRUE(a.addData(bytes.data() + at, qsizetype(std::min(piece, bytes.size() - at))));
    if (counts)
        *counts = {a.expectedBytes(), a.receivedBytes()};
    return a.endFrame() ? a.takeImage() : Image();
}

std::vector<uchar> samples16(std::initializer_list<quint16> values)
{
    std::vector<uchar> bytes(values.size() * 2);
    std::memcpy(bytes.data(), std::data(values), bytes.size());  // machine order, as SANE sends
    return bytes;
}

TEST(FrameAssembler, LineArtBecomesCodeOneWithBlackWhereSaneSetABit)
{
    // 11 pixels a row, rows padded by the backend to 3 bytes. SANE: 1 = black.
    // Row 0: 1000 0000 101x xxxx; row 1: 0111 1111 010x xxxx (x = padding bits, set on purpose).
    FrameAssembler a;
    const Image image =
        assemble(a, params(SANE_FRAME_GRAY, 1, 11, 2, 3), {0x80, 0xBF, 0xEE, 0x7F, 0x5F, 0x11}, 1);
    ASSERT_EQ(image.code(), ColourCode::Mono);
    ASSERT_EQ(QSize(image.width(), image.height()), QSize(11, 2));
    EXPECT_TRUE(image.isValid());
    const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
    for (int x = 0; x < 11; ++x) {
        const QRgb expected = x == 0 || x == 8 || x == 10 ? black : white;
        EXPECT_EQ(image.pixelColour(x, 0), expected) << x;
        EXPECT_NE(image.pixelColour(x, 1), expected) << x;  // row 1 is row 0 inverted
    }
    // The palette is black then white, and the bits after the last pixel are 0.
    EXPECT_EQ(image.palette(), (QVector<QRgb>{black, white}));
    EXPECT_EQ(image.scanLine(1)[1] & 0x1F, 0);
}

TEST(FrameAssembler, GreyEightAndSixteenBitsBecomeCodeEighty)
{
    FrameAssembler a;
    Image grey = assemble(a, params(SANE_FRAME_GRAY, 8, 3, 1, 3), {0, 128, 255}, 3);
    ASSERT_EQ(grey.code(), ColourCode::Grey256);
    EXPECT_EQ(grey.pixelColour(1, 0), qRgb(128, 128, 128));

    // 16 bits reduced by rounding v * 255 / 65535: 257 * k -> k, 33025 -> 129, 33024 -> 128.
    grey = assemble(a, params(SANE_FRAME_GRAY, 16, 5, 1, 10),
                    samples16({0, 65535, 257 * 7, 33025, 33024}), 3);
    ASSERT_EQ(grey.code(), ColourCode::Grey256);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(grey.scanLine(0)), 5),
              QByteArray("\x00\xff\x07\x81\x80", 5));
}

TEST(FrameAssembler, ColourRowsAreStoredBlueGreenRedAndPaddingIsIgnored)
{
    // 2 pixels of 8-bit RGB in rows of 8 bytes (2 bytes of backend padding), 3 rows, fed in
    // pieces of 5 bytes so that rows straddle reads.
    // (Filled in place: GCC 12 at -O3 takes an insert at the end of a growing vector for an
    // overflow.)
    std::vector<uchar> bytes(3 * 8);
    for (int y = 0; y < 3; ++y) {
        const uchar row[8] = {uchar(10 + y), 20, 30, 40, 50, uchar(60 + y), 0xEE, 0xEE};
        std::copy(std::begin(row), std::end(row), bytes.begin() + 8 * y);
    }
    FrameAssembler a;
    QPair<qint64, qint64> counts;
    Image image = assemble(a, params(SANE_FRAME_RGB, 8, 2, 3, 8), bytes, 5, &counts);
    EXPECT_EQ(counts, qMakePair(qint64(24), qint64(24)));
    ASSERT_EQ(image.code(), ColourCode::Rgb24);
    ASSERT_EQ(image.height(), 3);
    EXPECT_EQ(image.pixelColour(0, 2), qRgb(12, 20, 30));
    EXPECT_EQ(image.pixelColour(1, 2), qRgb(40, 50, 62));
    EXPECT_EQ(image.scanLine(0)[6] | image.scanLine(0)[7], 0);  // our own row padding is zero

    // 16 bits a sample, and 1-bit colour: three bits a pixel, 1 = full intensity.
    image = assemble(a, params(SANE_FRAME_RGB, 16, 1, 1, 6), samples16({65535, 257 * 100, 0}), 1);
    EXPECT_EQ(image.pixelColour(0, 0), qRgb(255, 100, 0));
    image = assemble(a, params(SANE_FRAME_RGB, 1, 3, 1, 2), {0xAF, 0x80}, 2);  // 101 011 11|1
    ASSERT_EQ(image.code(), ColourCode::Rgb24);
    EXPECT_EQ(image.pixelColour(0, 0), qRgb(255, 0, 255));
    EXPECT_EQ(image.pixelColour(1, 0), qRgb(0, 255, 255));
    EXPECT_EQ(image.pixelColour(2, 0), qRgb(255, 255, 255));
}

TEST(FrameAssembler, ThreePassColourInAnyOrderMakesOneImageAndAnIncompleteOneNone)
{
    FrameAssembler a;
    const SANE_Frame order[3] = {SANE_FRAME_BLUE, SANE_FRAME_RED, SANE_FRAME_GREEN};
    const uchar level[3] = {30, 10, 20};
    Image image;
    QPair<qint64, qint64> counts;
    for (int f = 0; f < 3; ++f) {
        const uchar l = level[f];
        image = assemble(a, params(order[f], 8, 2, 2, 2, f == 2),
                         {l, uchar(l + 1), uchar(l + 2), uchar(l + 3)}, 3, &counts);
        EXPECT_EQ(image.isNull(), f < 2);
        EXPECT_TRUE(a.error().isEmpty());
    }
    EXPECT_EQ(counts, qMakePair(qint64(12), qint64(12)));  // the page is all three frames
    ASSERT_EQ(image.code(), ColourCode::Rgb24);
    EXPECT_EQ(image.pixelColour(0, 0), qRgb(10, 20, 30));
    EXPECT_EQ(image.pixelColour(1, 1), qRgb(13, 23, 33));

    // The last frame without the green one, or a second frame of another width: refused.
    a.reset();
    EXPECT_TRUE(assemble(a, params(SANE_FRAME_RED, 8, 2, 1, 2, false), {1, 2}, 2).isNull());
    EXPECT_TRUE(assemble(a, params(SANE_FRAME_BLUE, 8, 2, 1, 2, true), {1, 2}, 2).isNull());
    EXPECT_FALSE(a.error().isEmpty());
    a.reset();
    EXPECT_TRUE(assemble(a, params(SANE_FRAME_RED, 8, 2, 1, 2, false), {1, 2}, 2).isNull());
    EXPECT_FALSE(a.beginFrame(params(SANE_FRAME_GREEN, 8, 3, 1, 3, false)));
    EXPECT_FALSE(a.error().isEmpty());
}

TEST(FrameAssembler, UnknownLineCountGrowsAndDropsAnIncompleteLastRow)
{
    // A hand scanner: lines = -1. Rows of 20000 grey pixels start the page at about 8 MB
    // (419 rows), so 1000 rows make it grow twice; then half a row arrives.
    constexpr int kWidth = 20000;
    std::vector<uchar> bytes;
    bytes.reserve(size_t(kWidth) * 1000 + 2);
    for (int y = 0; y < 1000; ++y)
        for (int x = 0; x < kWidth; ++x)
            bytes.push_back(uchar((y + x) % 251));
    bytes.insert(bytes.end(), {9, 9});
    FrameAssembler a;
    QPair<qint64, qint64> counts;
    const Image image =
        assemble(a, params(SANE_FRAME_GRAY, 8, kWidth, -1, kWidth), bytes, 65536, &counts);
    EXPECT_EQ(counts.first, 0);  // not known
    ASSERT_EQ(QSize(image.width(), image.height()), QSize(kWidth, 1000));
    for (int y : {0, 418, 419, 420, 837, 838, 999})
        for (int x : {0, 1, kWidth - 1})
            ASSERT_EQ(image.scanLine(y)[x], (y + x) % 251) << x << "," << y;
}

TEST(FrameAssembler, ShortPagesAndRowsKeepWhatCame)
{
    // Ten rows announced, two and a bit sent: the two whole rows stay; none at all is refused.
    FrameAssembler a;
    Image image = assemble(a, params(SANE_FRAME_GRAY, 8, 4, 10, 4), {1, 2, 3, 4, 5, 6, 7, 8, 9}, 9);
    ASSERT_EQ(image.height(), 2);
    EXPECT_EQ(image.pixelColour(3, 1), qRgb(8, 8, 8));
    EXPECT_TRUE(assemble(a, params(SANE_FRAME_GRAY, 8, 4, 10, 4), {}, 1).isNull());
    EXPECT_FALSE(a.error().isEmpty());

    // The backend claims 10 pixels but sends rows of 6 bytes of 8-bit RGB: 2 pixels.
    a.reset();
    image = assemble(a, params(SANE_FRAME_RGB, 8, 10, 1, 6), {1, 2, 3, 4, 5, 6}, 6);
    EXPECT_EQ(image.width(), 2);
    EXPECT_EQ(image.pixelColour(1, 0), qRgb(4, 5, 6));
}

TEST(FrameAssembler, FramesItCannotTakeAndPagesBeyondTheBoundsAreRefusedWithAReason)
{
    const SANE_Parameters bad[] = {
        params(SANE_FRAME_GRAY, 4, 10, 1, 5),             // 4-bit grey
        params(SANE_Frame(7), 8, 10, 1, 10),              // a format SANE 1 does not define
        params(SANE_FRAME_GRAY, 8, 0, 1, 10),             // no pixels
        params(SANE_FRAME_GRAY, 8, 10, 1, 0),             // no bytes
        params(SANE_FRAME_RGB, 8, 70000, 1, 210000),      // wider than any image
        params(SANE_FRAME_RGB, 8, 60000, 60000, 180000),  // 10 GB
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
