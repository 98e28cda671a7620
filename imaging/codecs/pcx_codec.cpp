#include "imaging/codecs/pcx_codec.h"

#include "imaging/codecs/byte_stream.h"
#include "imaging/codecs/indexed_target.h"
#include "imaging/codecs/little_endian.h"
#include "imaging/codecs/own_codec_reasons.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace tavlo::codecs {
namespace {

constexpr int kHeaderSize = 128;
constexpr int kVgaPaletteSize = 769;  // the marker byte 0x0C and 256 x R, G, B at the file's end
constexpr uchar kVgaPaletteMarker = 0x0C;
constexpr int kMaxRun = 63;

// The 16 colours PC Paintbrush 2.8 files without palette information (version 3) mean.
QVector<QRgb> egaPalette()
{
    return {qRgb(0, 0, 0),     qRgb(0, 0, 170),    qRgb(0, 170, 0),    qRgb(0, 170, 170),
            qRgb(170, 0, 0),   qRgb(170, 0, 170),  qRgb(170, 85, 0),   qRgb(170, 170, 170),
            qRgb(85, 85, 85),  qRgb(85, 85, 255),  qRgb(85, 255, 85),  qRgb(85, 255, 255),
            qRgb(255, 85, 85), qRgb(255, 85, 255), qRgb(255, 255, 85), qRgb(255, 255, 255)};
}

// The fixed 128-byte header, read once and checked before anything else.
struct PcxHeader {
    uchar version = 0;
    uchar encoding = 0;
    int bitsPerPlane = 0;
    int planes = 0;
    qint64 width = 0;
    qint64 height = 0;
    int bytesPerLine = 0;
    int dpiX = 0;
    int dpiY = 0;
    uchar colourMap[48] = {};

    explicit PcxHeader(const uchar* h)
    {
        version = h[1];
        encoding = h[2];
        bitsPerPlane = h[3];
        width = qint64(le16(h + 8)) - le16(h + 4) + 1;
        height = qint64(le16(h + 10)) - le16(h + 6) + 1;
        dpiX = le16(h + 12);
        dpiY = le16(h + 14);
        std::memcpy(colourMap, h + 16, sizeof colourMap);
        planes = h[65];
        bytesPerLine = le16(h + 66);
    }

    // Bits of one pixel over all planes.
    int pixelBits() const { return bitsPerPlane * planes; }

    // "" when we read this variant, else the reason.
    QString problem() const
    {
        if (encoding > 1)
            return reasons::damaged();
        if (width <= 0 || height <= 0)
            return reasons::badSize();
        const bool known = (bitsPerPlane == 1 && planes >= 1 && planes <= 4) ||
                           (bitsPerPlane == 2 && planes == 1) ||
                           (bitsPerPlane == 4 && planes == 1) ||
                           (bitsPerPlane == 8 && (planes == 1 || planes == 3 || planes == 4));
        if (!known)
            return reasons::unsupported(
                QStringLiteral("%1 ﾋﾞｯﾄ x %2 ﾌﾟﾚｰﾝの PCX").arg(bitsPerPlane).arg(planes));
        if (bytesPerLine < (width * bitsPerPlane + 7) / 8)
            return reasons::damaged();
        return QString();
    }

    QRgb mapEntry(int i) const
    {
        return qRgb(colourMap[3 * i], colourMap[3 * i + 1], colourMap[3 * i + 2]);
    }
};

// The decoded bytes of one scan line (all planes), from run-length or plain data. A run may go
// on into the next line, as some writers let it.
class LineDecoder {
public:
    LineDecoder(QIODevice& in, qint64 limit, bool runLength)
        : m_data(in, limit), m_runLength(runLength)
    {
    }

    bool next(uchar* line, int length)
    {
        int pos = 0;
        while (pos < length) {
            if (m_pending > 0) {
                const int n = std::min(m_pending, length - pos);
                std::memset(line + pos, m_value, std::size_t(n));
                pos += n;
                m_pending -= n;
                continue;
            }
            const int byte = m_data.get();
            if (byte < 0)
                return false;
            if (m_runLength && (byte & 0xC0) == 0xC0) {
                const int value = m_data.get();
                if (value < 0)
                    return false;
                m_pending = byte & 0x3F;
                m_value = uchar(value);
            } else {
                line[pos++] = uchar(byte);
            }
        }
        return true;
    }

private:
    ByteStream m_data;
    bool m_runLength;
    int m_pending = 0;
    uchar m_value = 0;
};

// Appends one plane line run-length encoded: runs of up to 63 equal bytes, and single bytes that
// would read as a run count (0xC0 and above) written as a run of one.
void encodeLine(const uchar* line, int length, std::vector<uchar>& out)
{
    int i = 0;
    while (i < length) {
        const uchar value = line[i];
        int run = 1;
        while (i + run < length && run < kMaxRun && line[i + run] == value)
            ++run;
        if (run > 1 || value >= 0xC0)
            out.push_back(uchar(0xC0 | run));
        out.push_back(value);
        i += run;
    }
}

}  // namespace

Decoded readPcx(QIODevice& in)
{
    uchar raw[kHeaderSize];
    const qint64 got = in.read(reinterpret_cast<char*>(raw), kHeaderSize);
    if (got < 1 || raw[0] != 0x0A)
        return Decoded::failure(reasons::notThisFormat("PCX"));
    if (got != kHeaderSize)
        return Decoded::failure(reasons::truncated());
    const PcxHeader header(raw);
    if (QString reason = header.problem(); !reason.isEmpty())
        return Decoded::failure(reason);

    const int bits = header.pixelBits();
    const qint64 fileSize = in.size();
    qint64 dataEnd = fileSize;
    QVector<QRgb> palette;
    if (bits == 1) {
        // Two-colour files mean black and white unless the header's first two entries differ.
        const QRgb first = header.mapEntry(0);
        const QRgb second = header.mapEntry(1);
        palette = first == second ? QVector<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)}
                                  : QVector<QRgb>{first, second};
    } else if (bits <= 4) {
        const int count = 1 << bits;
        if (header.version == 3) {
            palette = egaPalette().mid(0, count);
        } else {
            for (int i = 0; i < count; ++i)
                palette.append(header.mapEntry(i));
        }
    } else if (header.planes == 1) {
        // 256 colours follow the pixels, after the marker byte; without them the levels are grey.
        uchar tail[kVgaPaletteSize];
        if (fileSize >= kHeaderSize + kVgaPaletteSize && in.seek(fileSize - kVgaPaletteSize) &&
            in.read(reinterpret_cast<char*>(tail), kVgaPaletteSize) == kVgaPaletteSize &&
            tail[0] == kVgaPaletteMarker) {
            dataEnd = fileSize - kVgaPaletteSize;
            for (int i = 0; i < 256; ++i)
                palette.append(qRgb(tail[1 + 3 * i], tail[2 + 3 * i], tail[3 + 3 * i]));
        } else {
            for (int i = 0; i < 256; ++i)
                palette.append(qRgb(i, i, i));
        }
        if (!in.seek(kHeaderSize))
            return Decoded::failure(reasons::truncated());
    }

    const IndexedTarget target(bits <= 8 ? palette : QVector<QRgb>{qRgb(0, 0, 0)},
                               bits == 8 ? 8 : 4);
    const ColourCode code = bits == 1            ? ColourCode::Mono
                            : bits <= 8          ? target.code()
                            : header.planes == 3 ? ColourCode::Rgb24
                                                 : ColourCode::Rgb32;
    if (!Image::sizeAllowed(int(std::min<qint64>(header.width, Image::kMaxSide + 1)),
                            int(std::min<qint64>(header.height, Image::kMaxSide + 1)), code))
        return Decoded::failure(reasons::tooLarge(header.width, header.height));

    // Every byte of run-length data gives at most 63 pixel bytes, so a file too short for the
    // size it claims is refused before the image is allocated.
    const qint64 lineBytes = qint64(header.bytesPerLine) * header.planes;
    const qint64 needed = lineBytes * header.height;
    const qint64 available = dataEnd - kHeaderSize;
    if ((header.encoding == 1 && available * kMaxRun < needed) ||
        (header.encoding == 0 && available < needed))
        return Decoded::failure(reasons::truncated());

    const int width = int(header.width);
    const int height = int(header.height);
    QImage pixels(width, height, storageFormat(code));
    if (pixels.isNull())
        return Decoded::failure(reasons::outOfMemory());
    std::vector<uchar> line(static_cast<std::size_t>(lineBytes));
    LineDecoder decoder(in, available, header.encoding == 1);
    const int planeBytes = header.bytesPerLine;
    for (int y = 0; y < height; ++y) {
        if (!decoder.next(line.data(), int(lineBytes)))
            return Decoded::failure(reasons::truncated());
        uchar* row = pixels.scanLine(y);
        if (bits == 1) {
            std::memcpy(row, line.data(), std::size_t((width + 7) / 8));
        } else if (bits <= 4 && header.planes == 1) {  // packed 2- or 4-bit indices
            const int perByte = 8 / bits;
            const uchar mask = uchar((1 << bits) - 1);
            for (int x = 0; x < width; ++x)
                row[x] = uchar((line[std::size_t(x / perByte)] >> (8 - bits * (x % perByte + 1))) &
                               mask);
        } else if (bits <= 4) {  // one bit of each index per plane, plane 0 the lowest
            for (int x = 0; x < width; ++x) {
                const int byte = x / 8;
                const int shift = 7 - x % 8;
                int index = 0;
                for (int p = 0; p < header.planes; ++p)
                    index |= ((line[std::size_t(p * planeBytes + byte)] >> shift) & 1) << p;
                row[x] = uchar(index);
            }
        } else if (bits == 8) {
            std::memcpy(row, line.data(), std::size_t(width));
        } else {  // planes of red, green, blue (and a fourth that is not kept)
            const uchar* red = line.data();
            const uchar* green = red + planeBytes;
            const uchar* blue = green + planeBytes;
            const int step = header.planes == 3 ? 3 : 4;
            for (int x = 0; x < width; ++x) {
                uchar* out = row + x * step;
                out[0] = blue[x];
                out[1] = green[x];
                out[2] = red[x];
                if (step == 4)
                    out[3] = 0xFF;
            }
        }
        if (bits > 1 && bits <= 8 && !target.finishRow(row, width))
            return Decoded::failure(reasons::paletteIndexOutOfRange());
    }

    if (bits == 1)
        pixels.setColorTable(palette);
    Image image = bits > 1 && bits <= 8 ? target.make(std::move(pixels))
                                        : Image::fromStorage(std::move(pixels), code);
    if (image.isNull())
        return Decoded::failure(reasons::damaged());
    image.setDpi(header.dpiX, header.dpiY);
    return {std::move(image), QString()};
}

QString writePcx(const Image& image, QIODevice& out)
{
    if (image.isNull())
        return reasons::nullImage();
    const ColourCode code = image.code();
    const int width = image.width();
    const int height = image.height();
    // 1 as one 1-bit plane, 4 and 40 as four 1-bit planes (the classic 16-colour layout), 8 and 80
    // as one 8-bit plane with the 256 colours at the end, every direct-colour code as three 8-bit
    // planes (16 and 32 give the same colours at 24 bits).
    const int bitsPerPlane = (code == ColourCode::Mono || bitsPerPixel(code) == 4) ? 1 : 8;
    const int planes = code == ColourCode::Mono  ? 1
                       : bitsPerPixel(code) == 4 ? 4
                       : bitsPerPixel(code) == 8 ? 1
                                                 : 3;
    const int planeBytes = ((width * bitsPerPlane + 15) / 16) * 2;  // even, as the format asks
    const QVector<QRgb> palette = image.palette();

    uchar header[kHeaderSize] = {};
    header[0] = 0x0A;
    header[1] = 5;
    header[2] = 1;
    header[3] = uchar(bitsPerPlane);
    putLe16(header + 8, quint16(width - 1));
    putLe16(header + 10, quint16(height - 1));
    putLe16(header + 12, quint16(std::min(image.dpiX(), 65535)));
    putLe16(header + 14, quint16(std::min(image.dpiY(), 65535)));
    if (bitsPerPixel(code) <= 4) {
        for (int i = 0; i < palette.size() && i < 16; ++i) {
            header[16 + 3 * i] = uchar(qRed(palette[i]));
            header[17 + 3 * i] = uchar(qGreen(palette[i]));
            header[18 + 3 * i] = uchar(qBlue(palette[i]));
        }
    }
    header[65] = uchar(planes);
    putLe16(header + 66, quint16(planeBytes));
    putLe16(header + 68, image.isGrey() ? 2 : 1);
    if (out.write(reinterpret_cast<const char*>(header), kHeaderSize) != kHeaderSize)
        return reasons::writeFailed();

    const std::size_t chunkLimit = std::size_t(1) << 20;
    std::vector<uchar> encoded;
    encoded.reserve(chunkLimit + std::size_t(planeBytes) * planes * 2);
    std::vector<uchar> line(std::size_t(planeBytes) * planes);
    auto flush = [&] {
        const qint64 size = qint64(encoded.size());
        const bool ok = out.write(reinterpret_cast<const char*>(encoded.data()), size) == size;
        encoded.clear();
        return ok;
    };
    for (int y = 0; y < height; ++y) {
        std::fill(line.begin(), line.end(), uchar(0));
        const uchar* row = image.scanLine(y);
        if (code == ColourCode::Mono) {
            std::memcpy(line.data(), row, std::size_t((width + 7) / 8));
            if (width % 8)
                line[std::size_t(width / 8)] &= uchar(0xFF00 >> (width % 8));
        } else if (planes == 4) {
            for (int x = 0; x < width; ++x) {
                const uchar bit = uchar(0x80 >> (x % 8));
                for (int p = 0; p < 4; ++p) {
                    if ((row[x] >> p) & 1)
                        line[std::size_t(p * planeBytes + x / 8)] |= bit;
                }
            }
        } else if (planes == 1) {
            std::memcpy(line.data(), row, std::size_t(width));
        } else {
            uchar* red = line.data();
            uchar* green = red + planeBytes;
            uchar* blue = green + planeBytes;
            for (int x = 0; x < width; ++x) {
                const QRgb c = code == ColourCode::Rgb24
                                   ? qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x])
                                   : image.pixelColour(x, y);
                red[x] = uchar(qRed(c));
                green[x] = uchar(qGreen(c));
                blue[x] = uchar(qBlue(c));
            }
        }
        for (int p = 0; p < planes; ++p)
            encodeLine(line.data() + std::size_t(p) * planeBytes, planeBytes, encoded);
        if (encoded.size() >= chunkLimit && !flush())
            return reasons::writeFailed();
    }
    if (bitsPerPixel(code) == 8) {
        encoded.push_back(kVgaPaletteMarker);
        for (int i = 0; i < 256; ++i) {
            const QRgb c = code == ColourCode::Grey256 ? qRgb(i, i, i)
                           : i < palette.size()        ? palette[i]
                                                       : qRgb(0, 0, 0);
            encoded.push_back(uchar(qRed(c)));
            encoded.push_back(uchar(qGreen(c)));
            encoded.push_back(uchar(qBlue(c)));
        }
    }
    if (!flush())
        return reasons::writeFailed();
    return QString();
}

}  // namespace tavlo::codecs
