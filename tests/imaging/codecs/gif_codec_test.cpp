#include "imaging/codecs/gif_codec.h"
#include "tests/imaging/codecs/codec_test_support.h"

#include <gtest/gtest.h>
#include <gif_lib.h>

#include <QBuffer>

#include <vector>

namespace tavlo::codecs {
namespace {

using namespace test;

// A GIF written frame by frame with giflib itself: local tables, interlacing, transparency and
// frames smaller than the screen, which our writer never makes.
struct RawFrame {
    int left = 0;
    int top = 0;
    int width = 4;
    int height = 4;
    bool interlaced = false;
    std::vector<GifColorType> localTable;  // empty = the global table
    int transparent = -1;
    std::vector<GifPixelType> pixels;  // width x height, top row first
};

struct RawGif {
    int width = 4;
    int height = 4;
    int background = 0;
    std::vector<GifColorType> globalTable;
    std::vector<RawFrame> frames;
};

int appendBytes(GifFileType* gif, const GifByteType* data, int length)
{
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
    return length;
}

ColorMapObject* tableOf(const std::vector<GifColorType>& colours)
{
    return colours.empty() ? nullptr : GifMakeMapObject(int(colours.size()), colours.data());
}

QByteArray writeRaw(const RawGif& raw)
{
    QByteArray bytes;
    int error = 0;
    GifFileType* gif = EGifOpen(&bytes, appendBytes, &error);
    EGifSetGifVersion(gif, true);
    ColorMapObject* global = tableOf(raw.globalTable);
    EXPECT_NE(EGifPutScreenDesc(gif, raw.width, raw.height, 8, raw.background, global), GIF_ERROR);
    GifFreeMapObject(global);
    for (const RawFrame& frame : raw.frames) {
        if (frame.transparent >= 0) {
            const GifByteType control[4] = {1, 0, 0, GifByteType(frame.transparent)};
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control);
        }
        ColorMapObject* local = tableOf(frame.localTable);
        EXPECT_NE(EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height, frame.interlaced, local),
                  GIF_ERROR);
        GifFreeMapObject(local);
        std::vector<int> order;
        if (frame.interlaced) {
            const int start[4] = {0, 4, 2, 1};
            const int step[4] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int y = start[pass]; y < frame.height; y += step[pass])
                    order.push_back(y);
        } else {
            for (int y = 0; y < frame.height; ++y)
                order.push_back(y);
        }
        for (int y : order) {
            std::vector<GifPixelType> row(frame.pixels.begin() + y * frame.width,
                                          frame.pixels.begin() + (y + 1) * frame.width);
            EXPECT_NE(EGifPutLine(gif, row.data(), frame.width), GIF_ERROR);
        }
    }
    EGifCloseFile(gif, &error);
    return bytes;
}

std::vector<GifColorType> table(std::initializer_list<QRgb> colours)
{
    std::vector<GifColorType> out;
    for (QRgb c : colours)
        out.push_back(GifColorType{GifByteType(qRed(c)), GifByteType(qGreen(c)), GifByteType(qBlue(c))});
    return out;
}

TEST(GifRoundTrip, EveryPaletteCodeComesBackExactly)
{
    const struct {
        ColourCode code;
        PaletteKind kind;
    } cases[] = {
        {ColourCode::Mono, PaletteKind::Usual},       {ColourCode::Mono, PaletteKind::ColourPair},
        {ColourCode::Mono, PaletteKind::WhiteBlack},  {ColourCode::Palette16, PaletteKind::Usual},
        {ColourCode::Palette16, PaletteKind::Short},  {ColourCode::Grey16, PaletteKind::Usual},
        {ColourCode::Grey16, PaletteKind::EvenGreys}, {ColourCode::Grey16, PaletteKind::Short},
        {ColourCode::Palette256, PaletteKind::Usual}, {ColourCode::Palette256, PaletteKind::Short},
        {ColourCode::Grey256, PaletteKind::Usual},
    };
    for (const auto& c : cases) {
        for (const Size size : kOddSizes) {
            SCOPED_TRACE(testing::Message() << "code " << c.code << " kind " << int(c.kind) << " "
                                            << size.width << "x" << size.height);
            Image image = patternImage(size.width, size.height, c.code, c.kind);
            image.setDpi(300, 300);
            QString error;
            const QByteArray bytes = encode(writeGif, image, &error);
            ASSERT_EQ(error, QString());
            const Decoded back = decode(readGif, bytes);
            ASSERT_TRUE(back.ok()) << back.error.toStdString();
            EXPECT_TRUE(back.image.isValid());
            EXPECT_TRUE(samePixels(back.image, image));
            EXPECT_EQ(back.image.dpiX(), 0);  // GIF holds no resolution
        }
    }
}

TEST(GifWrite, DirectColourIsRefusedWithAReason)
{
    for (ColourCode code : {ColourCode::Rgb555, ColourCode::Rgb24, ColourCode::Rgb32}) {
        QString error;
        const QByteArray bytes = encode(writeGif, patternImage(3, 3, code), &error);
        EXPECT_TRUE(error.startsWith(QStringLiteral("対応していない形式です"))) << error.toStdString();
        EXPECT_TRUE(bytes.isEmpty());
    }
    QByteArray bytes;
    QBuffer readOnly(&bytes);
    readOnly.open(QIODevice::ReadOnly);
    EXPECT_EQ(writeGif(patternImage(64, 64, ColourCode::Palette256), readOnly), QStringLiteral("ﾌｧｲﾙに書き込めません"));
}

TEST(GifRead, FirstFrameWithLocalTableInterlacingAndTransparency)
{
    RawGif raw;
    raw.width = 6;
    raw.height = 11;
    raw.background = 1;
    raw.globalTable = table({qRgb(0, 0, 0), qRgb(9, 9, 200), qRgb(1, 2, 3), qRgb(4, 5, 6)});
    RawFrame first;
    first.left = 1;
    first.top = 0;
    first.width = 5;
    first.height = 11;
    first.interlaced = true;
    first.localTable = table({qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 0),
                              qRgb(10, 10, 10), qRgb(20, 20, 20), qRgb(30, 30, 30), qRgb(40, 40, 40)});
    first.transparent = 3;
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 5; ++x)
            first.pixels.push_back(GifPixelType((x + y) % 8));
    RawFrame second = first;
    second.interlaced = false;
    second.pixels.assign(55, 0);
    raw.frames = {first, second};

    const Decoded back = decode(readGif, writeRaw(raw));
    ASSERT_TRUE(back.ok()) << back.error.toStdString();
    EXPECT_EQ(back.image.code(), ColourCode::Palette16);  // 8 entries
    EXPECT_EQ(back.image.width(), 6);
    EXPECT_EQ(back.image.height(), 11);
    const QRgb local[8] = {qRgb(255, 0, 0),  qRgb(0, 255, 0),  qRgb(0, 0, 255),  qRgb(255, 255, 0),
                           qRgb(10, 10, 10), qRgb(20, 20, 20), qRgb(30, 30, 30), qRgb(40, 40, 40)};
    for (int y = 0; y < 11; ++y) {
        // Left of the frame: the transparent index, shown in its palette colour.
        EXPECT_EQ(back.image.pixelColour(0, y), qRgb(255, 255, 0));
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(back.image.pixelColour(x + 1, y), local[(x + y) % 8]) << x << "," << y;
    }
}

TEST(GifRead, TableSizeChoosesTheCode)
{
    for (int entries : {2, 4, 16, 32, 256}) {
        RawGif raw;
        raw.width = 3;
        raw.height = 1;
        for (int i = 0; i < entries; ++i)
            raw.globalTable.push_back(GifColorType{GifByteType(i), GifByteType(i), GifByteType(i == 1 ? 0 : i)});
        RawFrame frame;
        frame.width = 3;
        frame.height = 1;
        frame.pixels = {0, 1, GifPixelType(entries - 1)};
        raw.frames = {frame};
        const Decoded back = decode(readGif, writeRaw(raw));
        ASSERT_TRUE(back.ok()) << back.error.toStdString();
        const ColourCode expected = entries <= 2 ? ColourCode::Mono : entries <= 16 ? ColourCode::Palette16
                                                                                    : ColourCode::Palette256;
        EXPECT_EQ(back.image.code(), expected) << entries;
        EXPECT_EQ(back.image.pixelColour(1, 0), qRgb(1, 1, 0));
        const GifColorType last = raw.globalTable.back();
        EXPECT_EQ(back.image.pixelColour(2, 0), qRgb(last.Red, last.Green, last.Blue));
    }
}

TEST(GifDamage, TruncatedCorruptAndAbsurdFilesGiveAReason)
{
    EXPECT_EQ(decode(readGif, QByteArray("\x89PNG\r\n\x1a\n")).error, QStringLiteral("GIF ﾌｧｲﾙではありません"));
    const QByteArray whole = encode(writeGif, patternImage(50, 30, ColourCode::Palette256));
    // The last byte is the trailer; every cut before it loses pixels.
    for (qsizetype length = 0; length < whole.size() - 1; ++length) {
        const Decoded back = decode(readGif, whole.left(length));
        ASSERT_FALSE(back.ok()) << length;
        if (length >= 6) {
            ASSERT_EQ(back.error, QStringLiteral("ﾌｧｲﾙが途中で終わっています")) << length;
        }
    }
    for (qsizetype at = 6; at < whole.size(); ++at) {
        QByteArray damaged = whole;
        damaged[at] = char(damaged[at] ^ 0x3c);
        const Decoded back = decode(readGif, damaged);
        if (back.ok())
            EXPECT_TRUE(back.image.isValid());
        else
            EXPECT_FALSE(back.error.isEmpty());
    }
    // A logical screen of 65535 x 65535 for a 1 x 1 frame: 4 GB of canvas, even for two colours
    // (which would end as 512 MB of 1-bit pixels).
    for (int colours : {2, 256}) {
        RawGif raw;
        raw.width = 65535;
        raw.height = 65535;
        raw.globalTable = table({qRgb(0, 0, 0), qRgb(255, 255, 255)});
        raw.globalTable.resize(size_t(colours));
        RawFrame frame;
        frame.width = frame.height = 1;
        frame.pixels = {0};
        raw.frames = {frame};
        const Decoded back = decode(readGif, writeRaw(raw));
        EXPECT_TRUE(back.error.startsWith(QStringLiteral("画像が大きすぎます"))) << colours << back.error.toStdString();
    }
}

}  // namespace
}  // namespace tavlo::codecs
