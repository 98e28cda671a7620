#include "imaging/codecs/jpeg2000_codec.h"

#include "imaging/codecs/codec_reasons.h"
#include "imaging/codecs/row_converter.h"
#include "imaging/worker_threads.h"

#include <openjpeg.h>

#include <QBuffer>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace tavlo::codecs {
namespace {

const unsigned char kJp2Signature[12] = {0, 0, 0, 0x0c, 'j', 'P', ' ', ' ', 0x0d, 0x0a, 0x87, 0x0a};
const unsigned char kCodestreamStart[4] = {0xff, 0x4f, 0xff, 0x51};

// OpenJPEG holds every sample as a 32-bit integer: its buffers for an image may take this much.
constexpr qint64 kMaxDecoderBytes = 2 * Image::kMaxStorageBytes;

struct StreamIo {
    QIODevice* device = nullptr;
    bool writeFailed = false;
    bool failed = false;
    char message[256] = {};
};

OPJ_SIZE_T readStream(void* buffer, OPJ_SIZE_T size, void* user)
{
    auto* io = static_cast<StreamIo*>(user);
    const qint64 n = io->device->read(static_cast<char*>(buffer), qint64(size));
    return n <= 0 ? OPJ_SIZE_T(-1) : OPJ_SIZE_T(n);
}

OPJ_SIZE_T writeStream(void* buffer, OPJ_SIZE_T size, void* user)
{
    auto* io = static_cast<StreamIo*>(user);
    const qint64 n = io->device->write(static_cast<const char*>(buffer), qint64(size));
    if (n != qint64(size)) {
        io->writeFailed = true;
        return OPJ_SIZE_T(-1);
    }
    return size;
}

OPJ_OFF_T skipStream(OPJ_OFF_T count, void* user)
{
    auto* io = static_cast<StreamIo*>(user);
    const qint64 target = io->device->pos() + count;
    if (target < 0 || (!io->device->isWritable() && target > io->device->size()) ||
        !io->device->seek(target))
        return -1;
    return count;
}

OPJ_BOOL seekStream(OPJ_OFF_T position, void* user)
{
    auto* io = static_cast<StreamIo*>(user);
    if (position < 0 || (!io->device->isWritable() && position > io->device->size()))
        return OPJ_FALSE;
    return io->device->seek(position) ? OPJ_TRUE : OPJ_FALSE;
}

void onError(const char* message, void* user)
{
    auto* io = static_cast<StreamIo*>(user);
    io->failed = true;
    if (message && io->message[0] == 0)
        std::snprintf(io->message, sizeof io->message, "%s", message);
}

void onQuiet(const char*, void*) { }

// OpenJPEG says why it failed only in words; these are its words for data that end too soon.
QString readFailure(const StreamIo& io)
{
    const QByteArray message(io.message);
    for (const char* ending :
         {"too short", "remaining", "inconsistent with stream length", "end of stream"}) {
        if (message.contains(ending))
            return reasons::truncated();
    }
    return reasons::damaged();
}

struct OpenJpeg {
    opj_codec_t* codec = nullptr;
    opj_stream_t* stream = nullptr;
    opj_image_t* image = nullptr;
    ~OpenJpeg()
    {
        if (image)
            opj_image_destroy(image);
        if (stream)
            opj_stream_destroy(stream);
        if (codec)
            opj_destroy_codec(codec);
    }
};

opj_stream_t* makeStream(StreamIo& io, bool input)
{
    opj_stream_t* stream =
        opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, input ? OPJ_TRUE : OPJ_FALSE);
    if (!stream)
        return nullptr;
    opj_stream_set_user_data(stream, &io, nullptr);
    if (input) {
        opj_stream_set_read_function(stream, readStream);
        opj_stream_set_user_data_length(stream, OPJ_UINT64(std::max<qint64>(0, io.device->size())));
    } else {
        opj_stream_set_write_function(stream, writeStream);
    }
    opj_stream_set_skip_function(stream, skipStream);
    opj_stream_set_seek_function(stream, seekStream);
    return stream;
}

void setHandlers(opj_codec_t* codec, StreamIo& io)
{
    opj_set_error_handler(codec, onError, &io);
    opj_set_warning_handler(codec, onQuiet, &io);
    opj_set_info_handler(codec, onQuiet, &io);
}

int decoderThreads()
{
    if (!opj_has_thread_support())
        return 0;
    return workerThreadCount(kCodecThreads);
}

// ---- the resolution box of a .jp2 file ----

// Grid points per metre from a 'resc' or 'resd' box: VR_N, VR_D, HR_N, HR_D (16 bits each), then
// the exponents VR_E, HR_E (signed bytes). Gives dots per inch, 0 for absurd values.
void readResolution(const uchar* box, int& dpiX, int& dpiY)
{
    auto dpi = [](unsigned numerator, unsigned denominator, signed char exponent) {
        if (denominator == 0 || exponent < -10 || exponent > 10)
            return 0;
        const double perMetre = double(numerator) / double(denominator) * std::pow(10.0, exponent);
        const double value = perMetre * 0.0254;
        return value >= 0.5 && value <= 1e6 ? int(std::lround(value)) : 0;
    };
    dpiY = dpi(qFromBigEndian<quint16>(box), qFromBigEndian<quint16>(box + 2),
               static_cast<signed char>(box[8]));
    dpiX = dpi(qFromBigEndian<quint16>(box + 4), qFromBigEndian<quint16>(box + 6),
               static_cast<signed char>(box[9]));
}

// Looks for jp2h / res  / resc (capture) or resd (display) among the boxes before the code
// stream. Box lengths are checked against the bytes that are there.
void findResolution(QIODevice& in, int& dpiX, int& dpiY)
{
    const QByteArray head = in.peek(64 * 1024);
    const auto* data = reinterpret_cast<const uchar*>(head.constData());
    // Walks the boxes of [begin, end) and gives the content range of the first of the type.
    auto find = [&](qsizetype begin, qsizetype end, const char* type, qsizetype& contentBegin,
                    qsizetype& contentEnd) {
        for (qsizetype at = begin; at + 8 <= end;) {
            qint64 length = qFromBigEndian<quint32>(data + at);
            qsizetype header = 8;
            if (length == 1) {
                if (at + 16 > end)
                    return false;
                length = qint64(qFromBigEndian<quint64>(data + at + 8));
                header = 16;
            } else if (length == 0) {
                length = end - at;
            }
            if (length < header || length > end - at)
                return false;
            if (std::memcmp(data + at + 4, type, 4) == 0) {
                contentBegin = at + header;
                contentEnd = at + qsizetype(length);
                return true;
            }
            at += qsizetype(length);
        }
        return false;
    };
    qsizetype headerBegin = 0, headerEnd = 0, resBegin = 0, resEnd = 0, boxBegin = 0, boxEnd = 0;
    if (!find(0, head.size(), "jp2h", headerBegin, headerEnd) ||
        !find(headerBegin, headerEnd, "res ", resBegin, resEnd))
        return;
    if ((find(resBegin, resEnd, "resc", boxBegin, boxEnd) ||
         find(resBegin, resEnd, "resd", boxBegin, boxEnd)) &&
        boxEnd - boxBegin >= 10)
        readResolution(data + boxBegin, dpiX, dpiY);
}

// A 'res ' box holding a 'resc' box for the dots per inch: grid points per metre as
// dpi x 10000 / 254, written as (dpi x 100) / 254 x 10^2 (or x 10 / x 10^3 for larger values)
// so that the 16-bit numerator holds it and reading gives the same dots per inch back.
QByteArray resolutionBox(int dpiX, int dpiY)
{
    auto fraction = [](int dpi, quint16& numerator, quint16& denominator, qint8& exponent) {
        dpi = std::clamp(dpi, 0, 65535);
        denominator = 254;
        if (dpi <= 655) {
            numerator = quint16(dpi * 100);
            exponent = 2;
        } else if (dpi <= 6553) {
            numerator = quint16(dpi * 10);
            exponent = 3;
        } else {
            numerator = quint16(dpi);
            exponent = 4;
        }
    };
    quint16 vn, vd, hn, hd;
    qint8 ve, he;
    fraction(dpiY, vn, vd, ve);
    fraction(dpiX, hn, hd, he);
    QByteArray box(26, '\0');
    auto* b = reinterpret_cast<uchar*>(box.data());
    qToBigEndian<quint32>(26, b);
    std::memcpy(b + 4, "res ", 4);
    qToBigEndian<quint32>(18, b + 8);
    std::memcpy(b + 12, "resc", 4);
    qToBigEndian<quint16>(vn, b + 16);
    qToBigEndian<quint16>(vd, b + 18);
    qToBigEndian<quint16>(hn, b + 20);
    qToBigEndian<quint16>(hd, b + 22);
    b[24] = uchar(ve);
    b[25] = uchar(he);
    return box;
}

// ---- pixels ----

// A component's samples as 8 bits: signed samples shifted up, other precisions scaled.
struct Channel {
    const opj_image_comp_t* comp = nullptr;
    int offset = 0;
    std::int64_t maximum = 255;

    explicit Channel(const opj_image_comp_t* c) : comp(c)
    {
        const int precision = std::clamp(int(c->prec), 1, 31);
        offset = c->sgnd ? (1 << (precision - 1)) : 0;
        maximum = (std::int64_t(1) << precision) - 1;
    }

    uchar at(int x, int y) const
    {
        const int cx = std::min<int>(x / int(std::max(1u, comp->dx)), int(comp->w) - 1);
        const int cy = std::min<int>(y / int(std::max(1u, comp->dy)), int(comp->h) - 1);
        const std::int64_t v =
            std::int64_t(comp->data[std::size_t(cy) * comp->w + std::size_t(cx)]) + offset;
        if (maximum == 255)
            return uchar(std::clamp<std::int64_t>(v, 0, 255));
        return uchar(std::clamp<std::int64_t>((v * 255 + maximum / 2) / maximum, 0, 255));
    }
};

inline uchar clampByte(double v)
{
    return uchar(std::clamp(int(std::lround(v)), 0, 255));
}

}  // namespace

Decoded readJpeg2000(QIODevice& in)
{
    unsigned char start[12] = {};
    const qint64 got = in.peek(reinterpret_cast<char*>(start), 12);
    OPJ_CODEC_FORMAT format = OPJ_CODEC_UNKNOWN;
    if (got >= 12 && std::memcmp(start, kJp2Signature, 12) == 0)
        format = OPJ_CODEC_JP2;
    else if (got >= 4 && std::memcmp(start, kCodestreamStart, 4) == 0)
        format = OPJ_CODEC_J2K;
    else
        return Decoded::failure(reasons::notThisFormat("JPEG 2000"));
    int dpiX = 0, dpiY = 0;
    if (format == OPJ_CODEC_JP2)
        findResolution(in, dpiX, dpiY);

    StreamIo io;
    io.device = &in;
    OpenJpeg j;
    j.codec = opj_create_decompress(format);
    j.stream = makeStream(io, true);
    if (!j.codec || !j.stream)
        return Decoded::failure(reasons::outOfMemory());
    setHandlers(j.codec, io);
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    if (!opj_setup_decoder(j.codec, &parameters))
        return Decoded::failure(reasons::damaged());
    // A code stream cut short is an error, not a blurred picture.
    opj_decoder_set_strict_mode(j.codec, OPJ_TRUE);
    if (const int threads = decoderThreads())
        opj_codec_set_threads(j.codec, threads);
    if (!opj_read_header(j.stream, j.codec, &j.image) || !j.image)
        return Decoded::failure(readFailure(io));

    const opj_image_t& header = *j.image;
    const qint64 width = qint64(header.x1) - header.x0;
    const qint64 height = qint64(header.y1) - header.y0;
    if (header.numcomps < 1 || width < 1 || height < 1)
        return Decoded::failure(reasons::damaged());
    const int components = int(header.numcomps);
    const bool grey = components < 3;
    qint64 decoderBytes = 0;
    for (int i = 0; i < components; ++i) {
        const opj_image_comp_t& c = header.comps[i];
        if (c.dx == 0 || c.dy == 0 || c.prec == 0 || c.prec > 31)
            return Decoded::failure(reasons::damaged());
        decoderBytes += ((width + c.dx - 1) / c.dx) * ((height + c.dy - 1) / c.dy) * 4;
    }
    if (width > Image::kMaxSide || height > Image::kMaxSide ||
        !Image::sizeAllowed(int(width), int(height),
                            grey ? ColourCode::Grey256 : ColourCode::Rgb24) ||
        decoderBytes > kMaxDecoderBytes)
        return Decoded::failure(reasons::tooLarge(width, height));

    if (!opj_decode(j.codec, j.stream, j.image) || !opj_end_decompress(j.codec, j.stream))
        return Decoded::failure(readFailure(io));
    const opj_image_t& image = *j.image;
    for (int i = 0; i < components; ++i) {
        if (!image.comps[i].data || image.comps[i].w == 0 || image.comps[i].h == 0)
            return Decoded::failure(reasons::damaged());
    }

    // Three components in a bare code stream whose colour planes are subsampled are YCbCr.
    OPJ_COLOR_SPACE space = image.color_space;
    if (components == 3 && space != OPJ_CLRSPC_SYCC && space != OPJ_CLRSPC_EYCC &&
        image.comps[0].dx == 1 && image.comps[1].dx != 1)
        space = OPJ_CLRSPC_SYCC;
    // An alpha channel (the last component flagged as opacity) is composited on white.
    const int alphaIndex = image.comps[components - 1].alpha && components != 1 && components != 3
                               ? components - 1
                               : -1;

    QImage pixels(int(width), int(height),
                  grey ? QImage::Format_Grayscale8 : QImage::Format_BGR888);
    if (pixels.isNull())
        return Decoded::failure(reasons::outOfMemory());
    const Channel first(&image.comps[0]);
    const Channel second(&image.comps[grey ? 0 : 1]);
    const Channel third(&image.comps[grey ? 0 : 2]);
    const bool cmyk = space == OPJ_CLRSPC_CMYK && components >= 4;
    const Channel black(&image.comps[cmyk ? 3 : 0]);
    const Channel alpha(&image.comps[alphaIndex >= 0 ? alphaIndex : 0]);
    auto onWhite = [](int v, int a) { return v + ((255 - v) * (255 - a) + 127) / 255; };
    for (int y = 0; y < int(height); ++y) {
        uchar* out = pixels.scanLine(y);
        if (grey) {
            for (int x = 0; x < int(width); ++x)
                out[x] = uchar(alphaIndex >= 0 ? onWhite(first.at(x, y), alpha.at(x, y))
                                               : first.at(x, y));
            continue;
        }
        for (int x = 0; x < int(width); ++x, out += 3) {
            int r = first.at(x, y), g = second.at(x, y), b = third.at(x, y);
            if (space == OPJ_CLRSPC_SYCC || space == OPJ_CLRSPC_EYCC) {
                const double luma = r, cb = g - 128.0, cr = b - 128.0;
                r = clampByte(luma + 1.402 * cr);
                g = clampByte(luma - 0.344136 * cb - 0.714136 * cr);
                b = clampByte(luma + 1.772 * cb);
            } else if (cmyk) {
                const int k = 255 - black.at(x, y);
                r = (255 - r) * k / 255;
                g = (255 - g) * k / 255;
                b = (255 - b) * k / 255;
            }
            if (alphaIndex >= 0 && !cmyk) {
                const int a = alpha.at(x, y);
                r = onWhite(r, a);
                g = onWhite(g, a);
                b = onWhite(b, a);
            }
            out[0] = uchar(b);
            out[1] = uchar(g);
            out[2] = uchar(r);
        }
    }
    Image result =
        Image::fromStorage(std::move(pixels), grey ? ColourCode::Grey256 : ColourCode::Rgb24);
    if (result.isNull())
        return Decoded::failure(reasons::damaged());
    result.setDpi(dpiX, dpiY);
    return {result, QString()};
}

QString writeJpeg2000(const Image& image, QIODevice& out)
{
    if (image.isNull())
        return reasons::nullImage();
    const RowConverter converter(image);
    const bool grey = converter.greyOnly();
    const int components = grey ? 1 : 3;
    const int width = image.width();
    const int height = image.height();

    opj_image_cmptparm_t parameters[3];
    std::memset(parameters, 0, sizeof parameters);
    for (int i = 0; i < components; ++i) {
        parameters[i].dx = 1;
        parameters[i].dy = 1;
        parameters[i].w = OPJ_UINT32(width);
        parameters[i].h = OPJ_UINT32(height);
        parameters[i].prec = 8;
        parameters[i].sgnd = 0;
    }
    OpenJpeg j;
    j.image = opj_image_create(OPJ_UINT32(components), parameters,
                               grey ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB);
    if (!j.image)
        return reasons::outOfMemory();
    j.image->x0 = 0;
    j.image->y0 = 0;
    j.image->x1 = OPJ_UINT32(width);
    j.image->y1 = OPJ_UINT32(height);
    std::vector<uchar> row(size_t(width) * 3);
    for (int y = 0; y < height; ++y) {
        if (grey) {
            converter.grey(y, row.data());
            OPJ_INT32* out = j.image->comps[0].data + size_t(y) * size_t(width);
            for (int x = 0; x < width; ++x)
                out[x] = row[size_t(x)];
        } else {
            converter.rgb(y, row.data());
            for (int c = 0; c < 3; ++c) {
                OPJ_INT32* out = j.image->comps[c].data + size_t(y) * size_t(width);
                for (int x = 0; x < width; ++x)
                    out[x] = row[size_t(x) * 3 + size_t(c)];
            }
        }
    }

    opj_cparameters_t settings;
    opj_set_default_encoder_parameters(&settings);
    // Lossless: the reversible 5/3 wavelet, one quality layer at no rate limit.
    settings.irreversible = 0;
    settings.tcp_numlayers = 1;
    settings.tcp_rates[0] = 0;
    settings.cp_disto_alloc = 1;
    settings.tcp_mct = grey ? 0 : 1;
    // Each resolution level halves the picture; the smallest must keep at least one pixel.
    int levels = 1;
    while (levels < 6 && (std::min(width, height) >> levels) > 0)
        ++levels;
    settings.numresolution = levels;

    // OpenJPEG writes the file, then the resolution box goes into its header box.
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::ReadWrite);
    StreamIo io;
    io.device = &buffer;
    j.codec = opj_create_compress(OPJ_CODEC_JP2);
    j.stream = makeStream(io, false);
    if (!j.codec || !j.stream)
        return reasons::outOfMemory();
    setHandlers(j.codec, io);
    if (!opj_setup_encoder(j.codec, &settings, j.image) ||
        !opj_start_compress(j.codec, j.image, j.stream) || !opj_encode(j.codec, j.stream) ||
        !opj_end_compress(j.codec, j.stream))
        return reasons::encodeFailed("JPEG 2000");
    opj_stream_destroy(j.stream);
    j.stream = nullptr;
    buffer.close();

    if (image.dpiX() > 0 || image.dpiY() > 0) {
        // The header box follows the signature and file type boxes; growing it moves only what
        // follows, and nothing in a .jp2 refers to absolute positions.
        qsizetype at = 0;
        while (at + 8 <= encoded.size()) {
            const quint32 length = qFromBigEndian<quint32>(encoded.constData() + at);
            if (length < 8 || at + qsizetype(length) > encoded.size())
                return reasons::encodeFailed("JPEG 2000");
            if (std::memcmp(encoded.constData() + at + 4, "jp2h", 4) == 0) {
                const QByteArray box = resolutionBox(image.dpiX(), image.dpiY());
                encoded.insert(at + qsizetype(length), box);
                qToBigEndian<quint32>(length + quint32(box.size()), encoded.data() + at);
                break;
            }
            at += qsizetype(length);
        }
    }
    if (out.write(encoded) != encoded.size())
        return reasons::writeFailed();
    return QString();
}

}  // namespace tavlo::codecs
