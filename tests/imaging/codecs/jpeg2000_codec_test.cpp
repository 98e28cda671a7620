#include "imaging/codecs/jpeg2000_codec.h"
#include "tests/imaging/codecs/codec_test_support.h"

#include <gtest/gtest.h>
#include <openjpeg.h>

#include <QBuffer>
#include <QtEndian>

#include <cstring>
#include <functional>
#include <vector>

namespace tavlo::codecs {
namespace {

using namespace test;

// A JPEG 2000 file written with OpenJPEG itself, for precisions, signed samples, subsampled
// components and bare code streams that our writer never makes.
struct RawJ2k {
    OPJ_CODEC_FORMAT format = OPJ_CODEC_J2K;
    int width = 9;
    int height = 7;
    int components = 1;
    int precision = 8;
    bool sgnd = false;
    int chromaStep = 1;  // dx = dy of components 1 and 2
    OPJ_COLOR_SPACE space = OPJ_CLRSPC_GRAY;
    std::function<int(int c, int x, int y)> sample;  // in component coordinates
};

// A growing memory file with a position, as the JP2 writer goes back to fill in box lengths.
struct MemoryFile {
    QByteArray bytes;
    qsizetype position = 0;
};

OPJ_SIZE_T writeMemory(void* data, OPJ_SIZE_T size, void* user)
{
    auto* file = static_cast<MemoryFile*>(user);
    if (file->bytes.size() < file->position + qsizetype(size))
        file->bytes.resize(file->position + qsizetype(size));
    std::memcpy(file->bytes.data() + file->position, data, size);
    file->position += qsizetype(size);
    return size;
}

OPJ_BOOL seekMemory(OPJ_OFF_T position, void* user)
{
    static_cast<MemoryFile*>(user)->position = qsizetype(position);
    return OPJ_TRUE;
}

OPJ_OFF_T skipMemory(OPJ_OFF_T count, void* user)
{
    static_cast<MemoryFile*>(user)->position += qsizetype(count);
    return count;
}

QByteArray writeRaw(const RawJ2k& raw)
{
    std::vector<opj_image_cmptparm_t> parameters(size_t(raw.components));
    for (int c = 0; c < raw.components; ++c) {
        std::memset(&parameters[size_t(c)], 0, sizeof(opj_image_cmptparm_t));
        const int step = c == 0 ? 1 : raw.chromaStep;
        parameters[size_t(c)].dx = OPJ_UINT32(step);
        parameters[size_t(c)].dy = OPJ_UINT32(step);
        parameters[size_t(c)].w = OPJ_UINT32((raw.width + step - 1) / step);
        parameters[size_t(c)].h = OPJ_UINT32((raw.height + step - 1) / step);
        parameters[size_t(c)].prec = OPJ_UINT32(raw.precision);
        parameters[size_t(c)].sgnd = raw.sgnd;
    }
    opj_image_t* image = opj_image_create(OPJ_UINT32(raw.components), parameters.data(), raw.space);
    image->x1 = OPJ_UINT32(raw.width);
    image->y1 = OPJ_UINT32(raw.height);
    for (int c = 0; c < raw.components; ++c) {
        opj_image_comp_t& comp = image->comps[c];
        for (OPJ_UINT32 y = 0; y < comp.h; ++y)
            for (OPJ_UINT32 x = 0; x < comp.w; ++x)
                comp.data[y * comp.w + x] = raw.sample(c, int(x), int(y));
    }
    opj_cparameters_t settings;
    opj_set_default_encoder_parameters(&settings);
    settings.tcp_numlayers = 1;
    settings.tcp_rates[0] = 0;
    settings.cp_disto_alloc = 1;
    settings.numresolution = 2;
    MemoryFile file;
    opj_codec_t* codec = opj_create_compress(raw.format);
    opj_stream_t* stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_FALSE);
    opj_stream_set_user_data(stream, &file, nullptr);
    opj_stream_set_write_function(stream, writeMemory);
    opj_stream_set_seek_function(stream, seekMemory);
    opj_stream_set_skip_function(stream, skipMemory);
    EXPECT_TRUE(opj_setup_encoder(codec, &settings, image));
    EXPECT_TRUE(opj_start_compress(codec, image, stream));
    EXPECT_TRUE(opj_encode(codec, stream));
    EXPECT_TRUE(opj_end_compress(codec, stream));
    opj_stream_destroy(stream);
    opj_destroy_codec(codec);
    opj_image_destroy(image);
    return file.bytes;
}

TEST(Jpeg2000RoundTrip, GreyAndColourComeBackExactlyWithTheirDpi)
{
    const int dpis[][2] = {{300, 600}, {72, 96}, {1200, 1200}, {7000, 655}};
    for (ColourCode code : {ColourCode::Grey256, ColourCode::Rgb24}) {
        for (const Size size : kOddSizes) {
            for (const auto& dpi : dpis) {
                SCOPED_TRACE(testing::Message() << "code " << code << " " << size.width << "x" << size.height
                                                << " dpi " << dpi[0]);
                Image image = patternImage(size.width, size.height, code);
                image.setDpi(dpi[0], dpi[1]);
                QString error;
                const QByteArray bytes = encode(writeJpeg2000, image, &error);
                ASSERT_EQ(error, QString());
                const Decoded back = decode(readJpeg2000, bytes);
                ASSERT_TRUE(back.ok()) << back.error.toStdString();
                EXPECT_TRUE(samePixels(back.image, image));
                EXPECT_EQ(back.image.dpiX(), dpi[0]);
                EXPECT_EQ(back.image.dpiY(), dpi[1]);
            }
        }
    }
    const Decoded none = decode(readJpeg2000, encode(writeJpeg2000, patternImage(5, 5, ColourCode::Rgb24)));
    EXPECT_EQ(none.image.dpiX(), 0);
}

TEST(Jpeg2000RoundTrip, OtherCodesKeepTheirColoursAsGreyOrColour)
{
    const struct {
        ColourCode code;
        PaletteKind kind;
        ColourCode expected;
    } cases[] = {
        {ColourCode::Mono, PaletteKind::Usual, ColourCode::Grey256},
        {ColourCode::Mono, PaletteKind::ColourPair, ColourCode::Rgb24},
        {ColourCode::Grey16, PaletteKind::Usual, ColourCode::Grey256},
        {ColourCode::Palette16, PaletteKind::Usual, ColourCode::Rgb24},
        {ColourCode::Palette256, PaletteKind::Usual, ColourCode::Rgb24},
        {ColourCode::Rgb555, PaletteKind::Usual, ColourCode::Rgb24},
        {ColourCode::Rgb32, PaletteKind::Usual, ColourCode::Rgb24},
    };
    for (const auto& c : cases) {
        const Image image = patternImage(23, 17, c.code, c.kind);
        const Decoded back = decode(readJpeg2000, encode(writeJpeg2000, image));
        ASSERT_TRUE(back.ok()) << back.error.toStdString();
        EXPECT_EQ(back.image.code(), c.expected) << c.code;
        EXPECT_EQ(maxChannelDifference(back.image, image), 0) << c.code;
    }
}

TEST(Jpeg2000Read, BareCodeStreamsOfOtherPrecisions)
{
    RawJ2k twelve;
    twelve.precision = 12;
    twelve.sample = [](int, int x, int y) { return (x * 455 + y * 7) % 4096; };
    Decoded back = decode(readJpeg2000, writeRaw(twelve));
    ASSERT_TRUE(back.ok()) << back.error.toStdString();
    EXPECT_EQ(back.image.code(), ColourCode::Grey256);
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 9; ++x) {
            const int v = (x * 455 + y * 7) % 4096;
            const int expected = (v * 255 + 2047) / 4095;
            ASSERT_EQ(qRed(back.image.pixelColour(x, y)), expected) << x << "," << y;
        }
    }

    RawJ2k signedColour;
    signedColour.components = 3;
    signedColour.sgnd = true;
    signedColour.space = OPJ_CLRSPC_SRGB;
    signedColour.sample = [](int c, int x, int y) { return c == 0 ? -128 + x * 20 : c == 1 ? y * 10 : 127; };
    back = decode(readJpeg2000, writeRaw(signedColour));
    ASSERT_TRUE(back.ok()) << back.error.toStdString();
    EXPECT_EQ(back.image.code(), ColourCode::Rgb24);
    EXPECT_EQ(back.image.pixelColour(3, 2), qRgb(60, 148, 255));

    // Colour planes at half resolution: luma and chroma (sYCC).
    RawJ2k ycc;
    ycc.format = OPJ_CODEC_JP2;
    ycc.width = 8;
    ycc.height = 8;
    ycc.components = 3;
    ycc.chromaStep = 2;
    ycc.space = OPJ_CLRSPC_SYCC;
    ycc.sample = [](int c, int, int) { return c == 0 ? 100 : c == 1 ? 128 : 200; };
    back = decode(readJpeg2000, writeRaw(ycc));
    ASSERT_TRUE(back.ok()) << back.error.toStdString();
    const QRgb p = back.image.pixelColour(5, 5);
    EXPECT_NEAR(qRed(p), 100 + 1.402 * 72, 1);
    EXPECT_NEAR(qGreen(p), 100 - 0.714136 * 72, 1);
    EXPECT_NEAR(qBlue(p), 100, 1);
}

TEST(Jpeg2000Damage, TruncatedCorruptAndAbsurdFiles)
{
    EXPECT_EQ(decode(readJpeg2000, QByteArray("GIF89a")).error, QStringLiteral("JPEG 2000 ﾌｧｲﾙではありません"));
    for (bool bare : {false, true}) {
        QByteArray whole;
        if (bare) {
            RawJ2k raw;
            raw.width = 40;
            raw.height = 30;
            raw.sample = [](int, int x, int y) { return (x * y * 13) & 255; };
            whole = writeRaw(raw);
        } else {
            whole = encode(writeJpeg2000, patternImage(40, 30, ColourCode::Rgb24));
        }
        int truncatedReasons = 0;
        for (qsizetype length = 0; length < whole.size() - 2; length += 3) {
            const Decoded back = decode(readJpeg2000, whole.left(length));
            ASSERT_FALSE(back.ok()) << length;
            truncatedReasons += back.error == QStringLiteral("ﾌｧｲﾙが途中で終わっています");
        }
        EXPECT_GT(truncatedReasons, (whole.size() / 3) * 9 / 10);
        for (qsizetype at = 0; at < whole.size(); at += 4) {
            QByteArray damaged = whole;
            damaged[at] = char(damaged[at] ^ 0x6b);
            const Decoded back = decode(readJpeg2000, damaged);
            if (back.ok())
                EXPECT_TRUE(back.image.isValid());
            else
                EXPECT_FALSE(back.error.isEmpty());
        }
    }
    // The image size marker claims one tile of 60000 x 60000 colour pixels.
    RawJ2k raw;
    raw.components = 3;
    raw.space = OPJ_CLRSPC_SRGB;
    raw.sample = [](int, int, int) { return 7; };
    QByteArray huge = writeRaw(raw);
    const qsizetype siz = huge.indexOf("\xff\x51");
    ASSERT_EQ(siz, 2);
    for (int field : {6, 10, 22, 26})  // Xsiz, Ysiz, XTsiz, YTsiz
        qToBigEndian<quint32>(60000, huge.data() + siz + field);
    const Decoded back = decode(readJpeg2000, huge);
    EXPECT_TRUE(back.error.startsWith(QStringLiteral("画像が大きすぎます"))) << back.error.toStdString();
}

TEST(Jpeg2000Write, AFailingDeviceIsReported)
{
    QByteArray bytes;
    QBuffer readOnly(&bytes);
    readOnly.open(QIODevice::ReadOnly);
    EXPECT_EQ(writeJpeg2000(patternImage(20, 20, ColourCode::Rgb24), readOnly), QStringLiteral("ﾌｧｲﾙに書き込めません"));
}

}  // namespace
}  // namespace tavlo::codecs
