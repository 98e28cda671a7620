#include "imaging/codecs/bmp_codec.h"

#include "imaging/codecs/byte_stream.h"
#include "imaging/codecs/indexed_target.h"
#include "imaging/codecs/little_endian.h"
#include "imaging/codecs/own_codec_reasons.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

// Rows of codes 1, 16, 24 and 32 are copied between the file and the image unchanged; that needs
// the image's 16-bit words in the file's byte order.
static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "the BMP codec copies little-endian rows directly");

namespace tavlo::codecs {
namespace {

// Compression values of the Windows headers (OS/2 2.x reuses 3 and 4 for Huffman and RLE24).
constexpr quint32 kRgb = 0;
constexpr quint32 kRle8 = 1;
constexpr quint32 kRle4 = 2;
constexpr quint32 kBitFields = 3;
constexpr quint32 kJpeg = 4;
constexpr quint32 kPng = 5;
constexpr quint32 kAlphaBitFields = 6;

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
constexpr double kMetresPerInch = 0.0254;
// Dots per inch beyond this are not a real resolution; they are clamped so that what is read can
// be written back (the header holds at most 2^31 - 1 pixels per metre, 54 million dots per inch).
constexpr int kMaxDpi = 1000000;
constexpr qint64 kMaxRlePixelsPerByte = 1024;

qint64 dibRowBytes(qint64 width, int bits)
{
    return ((width * bits + 31) / 32) * 4;
}

int dpiFromPixelsPerMetre(qint32 perMetre)
{
    return perMetre > 0 ? int(std::min<long>(std::lround(perMetre * kMetresPerInch), kMaxDpi)) : 0;
}

quint32 pixelsPerMetreFromDpi(int dpi)
{
    return dpi > 0 ? quint32(std::lround(std::min(dpi, kMaxDpi) / kMetresPerInch)) : 0;
}

// One colour channel of a bit-field pixel: where its bits lie and how they widen to 8 bits.
struct Channel {
    quint32 mask = 0;
    int shift = 0;
    int bits = 0;

    // Nothing when the mask's bits are not contiguous.
    static std::optional<Channel> of(quint32 mask)
    {
        Channel channel;
        channel.mask = mask;
        if (mask == 0)
            return channel;
        while (!((mask >> channel.shift) & 1u))
            ++channel.shift;
        const quint32 field = mask >> channel.shift;
        if ((field & (field + 1)) != 0)
            return std::nullopt;
        while (channel.bits < 32 && ((field >> channel.bits) & 1u))
            ++channel.bits;
        return channel;
    }

    // The channel as 8 bits: wider fields keep their top 8 bits, narrower ones repeat their bits
    // (5 bits v become v << 3 | v >> 2, as the 5-5-5 storage widens them).
    uchar value(quint32 pixel) const
    {
        if (bits == 0)
            return 0;
        const quint32 v = (pixel & mask) >> shift;
        if (bits >= 8)
            return uchar(v >> (bits - 8));
        quint32 out = v << (8 - bits);
        for (int filled = bits; filled < 8; filled *= 2)
            out |= out >> filled;
        return uchar(out);
    }
};

// Everything the headers say, gathered before any pixel is read.
struct BmpHeader {
    quint32 pixelOffset = 0;
    quint32 headerSize = 0;
    bool os2 = false;  // OS/2 1.x or 2.x header
    qint64 width = 0;
    qint64 height = 0;  // always positive; topDown says the row order
    bool topDown = false;
    int bitCount = 0;
    quint32 compression = kRgb;
    quint32 imageSize = 0;
    qint32 xPerMetre = 0;
    qint32 yPerMetre = 0;
    quint32 coloursUsed = 0;
    quint32 masks[3] = {};
    bool hasMasks = false;
    int paletteEntrySize = 4;

    // "" when the variant is one we read, else the reason.
    QString problem() const
    {
        if (width <= 0 || height <= 0)
            return reasons::badSize();
        switch (bitCount) {
        case 1:
        case 2:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32: break;
        default: return reasons::unsupported(QStringLiteral("%1 ﾋﾞｯﾄの BMP").arg(bitCount));
        }
        if (os2 && headerSize > 12 && (compression == 3 || compression == 4))
            return reasons::unsupported(QStringLiteral("OS/2 の圧縮 BMP"));
        switch (compression) {
        case kRgb: return QString();
        case kRle8: return bitCount == 8 ? QString() : reasons::damaged();
        case kRle4: return bitCount == 4 ? QString() : reasons::damaged();
        case kBitFields:
        case kAlphaBitFields:
            return bitCount == 16 || bitCount == 32 ? QString() : reasons::damaged();
        case kJpeg: return reasons::unsupported(QStringLiteral("JPEG を埋め込んだ BMP"));
        case kPng: return reasons::unsupported(QStringLiteral("PNG を埋め込んだ BMP"));
        default: return reasons::unsupported(QStringLiteral("BMP の圧縮方式 %1").arg(compression));
        }
    }

    bool compressed() const { return compression == kRle8 || compression == kRle4; }

    // True when 16- or 32-bit pixels need their bit fields taken apart (not plain 5-5-5 or
    // 8-8-8 as the image stores them).
    bool needsMasks() const
    {
        if (!hasMasks)
            return false;
        if (bitCount == 16)
            return !(masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F);
        return !(masks[0] == 0xFF0000 && masks[1] == 0x00FF00 && masks[2] == 0x0000FF);
    }

    // The code the pixels become: 16-bit bit fields other than 5-5-5 widen to 24 so no colour is
    // lost; palette files get their code from IndexedTarget.
    ColourCode directCode() const
    {
        if (bitCount == 16)
            return needsMasks() ? ColourCode::Rgb24 : ColourCode::Rgb555;
        return bitCount == 24 ? ColourCode::Rgb24 : ColourCode::Rgb32;
    }
};

bool readExactly(QIODevice& in, void* out, qint64 size)
{
    return in.read(static_cast<char*>(out), size) == size;
}

// Reads both headers and the bit-field masks, leaving the device just after them.
// Returns the reason on failure.
QString readHeader(QIODevice& in, BmpHeader& header)
{
    uchar file[kFileHeaderSize];
    const qint64 got = in.read(reinterpret_cast<char*>(file), kFileHeaderSize);
    if (got >= 2 && (file[0] != 'B' || file[1] != 'M'))
        return reasons::notThisFormat("BMP");
    if (got != kFileHeaderSize)
        return got < 2 ? reasons::notThisFormat("BMP") : reasons::truncated();
    header.pixelOffset = le32(file + 10);

    uchar info[124] = {};
    if (!readExactly(in, info, 4))
        return reasons::truncated();
    header.headerSize = le32(info);
    const quint32 size = header.headerSize;
    if (size != 12 && (size < 16 || size > 64) && size != 108 && size != 124 &&
        (size < 124 || size > 4096))
        return reasons::unsupported(QStringLiteral("BMP のﾍｯﾀﾞｰ (%1 ﾊﾞｲﾄ)").arg(size));
    const quint32 kept = std::min<quint32>(size, sizeof info);
    if (!readExactly(in, info + 4, kept - 4))
        return reasons::truncated();
    if (size > kept && !in.seek(in.pos() + (size - kept)))
        return reasons::truncated();

    if (size == 12) {  // OS/2 1.x: 16-bit unsigned sizes, 3-byte palette entries
        header.os2 = true;
        header.width = le16(info + 4);
        header.height = le16(info + 6);
        header.bitCount = le16(info + 10);
        header.paletteEntrySize = 3;
        return QString();
    }
    // Windows 40, 52, 56, 108, 124 and OS/2 2.x (16 to 64): the same fields at the same places;
    // fields a short OS/2 header leaves out read as 0.
    header.os2 = size != 40 && size != 52 && size != 56 && size < 108;
    header.width = le32s(info + 4);
    const qint32 height = le32s(info + 8);
    header.topDown = height < 0;
    header.height = std::abs(qint64(height));
    header.bitCount = le16(info + 14);
    header.compression = le32(info + 16);
    header.imageSize = le32(info + 20);
    header.xPerMetre = le32s(info + 24);
    header.yPerMetre = le32s(info + 28);
    header.coloursUsed = le32(info + 32);
    const bool bitFields =
        !header.os2 && (header.compression == kBitFields || header.compression == kAlphaBitFields);
    if (bitFields) {
        header.hasMasks = true;
        if (size >= 52) {
            for (int i = 0; i < 3; ++i)
                header.masks[i] = le32(info + 40 + 4 * i);
        } else {  // the masks follow a 40-byte header
            uchar masks[16];
            const int count = header.compression == kAlphaBitFields ? 4 : 3;
            if (!readExactly(in, masks, 4 * count))
                return reasons::truncated();
            for (int i = 0; i < 3; ++i)
                header.masks[i] = le32(masks + 4 * i);
        }
    }
    return QString();
}

// Reads the palette of a 1- to 8-bit file; the device stands just after the headers.
QString readPalette(QIODevice& in, const BmpHeader& header, QVector<QRgb>& palette)
{
    const qint64 start = in.pos();
    const quint32 capacity = 1u << header.bitCount;
    qint64 count = header.coloursUsed != 0 ? std::min(header.coloursUsed, capacity) : capacity;
    // Some writers store fewer entries than the depth allows and say so only through the offset
    // of the pixels.
    const qint64 room = (qint64(header.pixelOffset) - start) / header.paletteEntrySize;
    if (room > 0 && room < count)
        count = room;
    std::vector<uchar> bytes(std::size_t(count * header.paletteEntrySize));
    if (!readExactly(in, bytes.data(), qint64(bytes.size())))
        return reasons::truncated();
    palette.resize(count);
    for (qint64 i = 0; i < count; ++i) {
        const uchar* entry = bytes.data() + i * header.paletteEntrySize;
        palette[i] = qRgb(entry[2], entry[1], entry[0]);
    }
    return QString();
}

// Uncompressed rows, bottom-up or top-down, each read straight into its image row (or through a
// row buffer when it must be unpacked or widened). convertRow gets the file row and the image row
// and returns false when the row holds a palette index outside the palette.
template <typename Convert>
QString readRows(QIODevice& in, const BmpHeader& header, QImage& pixels, bool direct,
                 Convert convertRow)
{
    const qint64 fileRowBytes = dibRowBytes(header.width, header.bitCount);
    const qint64 usedRowBytes = (header.width * header.bitCount + 7) / 8;
    std::vector<uchar> buffer(direct ? 0 : std::size_t(fileRowBytes));
    const int height = int(header.height);
    for (int i = 0; i < height; ++i) {
        const int y = header.topDown ? i : height - 1 - i;
        uchar* row = pixels.scanLine(y);
        uchar* target = direct ? row : buffer.data();
        const qint64 wanted = i == height - 1 ? usedRowBytes : fileRowBytes;
        if (!readExactly(in, target, wanted))
            return reasons::truncated();
        if (i == height - 1 && wanted < fileRowBytes)
            in.read(reinterpret_cast<char*>(target) + wanted, fileRowBytes - wanted);
        if (!convertRow(target, row))
            return reasons::paletteIndexOutOfRange();
    }
    return QString();
}

// RLE8 and RLE4 data into a zeroed 8-bit image: pixels that runs, deltas and early line ends
// skip keep index 0. Runs that reach past the right edge are cut there.
QString decodeRle(QIODevice& in, const BmpHeader& header, QImage& pixels)
{
    const qint64 available = in.size() - in.pos();
    const qint64 limit =
        header.imageSize != 0 ? std::min<qint64>(header.imageSize, available) : available;
    ByteStream data(in, limit);
    const bool four = header.compression == kRle4;
    const qint64 width = header.width;
    const qint64 height = header.height;
    qint64 x = 0;
    qint64 line = 0;  // counted in file order, from the bottom unless top-down
    auto rowAt = [&](qint64 fileLine) {
        return pixels.scanLine(int(header.topDown ? fileLine : height - 1 - fileLine));
    };
    while (line < height) {
        const int count = data.get();
        const int value = data.get();
        if (value < 0)
            return reasons::truncated();
        if (count > 0) {  // a run of count pixels
            uchar* row = rowAt(line);
            const qint64 start = x;
            for (qint64 i = 0; i < count && start + i < width; ++i)
                row[start + i] =
                    four ? uchar((i & 1) ? (value & 0x0F) : (value >> 4)) : uchar(value);
            x = start + count;
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            ++line;
        } else if (value == 1) {  // end of bitmap
            break;
        } else if (value == 2) {  // delta: move right and up
            const int dx = data.get();
            const int dy = data.get();
            if (dy < 0)
                return reasons::truncated();
            x += dx;
            line += dy;
        } else {  // absolute: value literal pixels, padded to a 16-bit boundary
            const int bytes = four ? (value + 1) / 2 : value;
            uchar* row = rowAt(line);
            int pixel = 0;
            for (int b = 0; b < bytes; ++b) {
                const int byte = data.get();
                if (byte < 0)
                    return reasons::truncated();
                const int inByte = four ? 2 : 1;
                for (int k = 0; k < inByte && pixel < value; ++k, ++pixel) {
                    if (x < width)
                        row[x] = four ? uchar(k == 0 ? byte >> 4 : byte & 0x0F) : uchar(byte);
                    ++x;
                }
            }
            if (bytes & 1) {
                if (data.get() < 0)
                    return reasons::truncated();
            }
        }
    }
    return QString();
}

}  // namespace

Decoded readBmp(QIODevice& in)
{
    BmpHeader header;
    if (QString reason = readHeader(in, header); !reason.isEmpty())
        return Decoded::failure(reason);
    if (QString reason = header.problem(); !reason.isEmpty())
        return Decoded::failure(reason);

    std::optional<Channel> channels[3];
    if (header.needsMasks()) {
        for (int i = 0; i < 3; ++i) {
            channels[i] = Channel::of(header.masks[i]);
            if (!channels[i])
                return Decoded::failure(reasons::damaged());
        }
    }

    const bool indexed = header.bitCount <= 8;
    QVector<QRgb> palette;
    if (indexed) {
        if (QString reason = readPalette(in, header, palette); !reason.isEmpty())
            return Decoded::failure(reason);
        if (palette.isEmpty())
            return Decoded::failure(reasons::damaged());
    }
    const IndexedTarget target(palette, header.bitCount == 8 ? 8 : 4);
    const ColourCode code = header.bitCount == 1 ? ColourCode::Mono
                            : indexed            ? target.code()
                                                 : header.directCode();
    if (!Image::sizeAllowed(int(std::min<qint64>(header.width, Image::kMaxSide + 1)),
                            int(std::min<qint64>(header.height, Image::kMaxSide + 1)), code))
        return Decoded::failure(reasons::tooLarge(header.width, header.height));

    // Pixels start at the offset the file header gives; an offset pointing back into the headers
    // is a writer's slip, and the pixels then follow the palette.
    if (header.pixelOffset > in.size())
        return Decoded::failure(reasons::truncated());
    if (header.pixelOffset > in.pos() && !in.seek(header.pixelOffset))
        return Decoded::failure(reasons::truncated());

    // A forged height must not make us allocate for data that is not there: uncompressed rows are
    // checked against the file size first (the last row may lack its padding). Run-length data
    // cannot be checked that way; it is held to the image bounds.
    const qint64 fileRowBytes = dibRowBytes(header.width, header.bitCount);
    const qint64 usedRowBytes = (header.width * header.bitCount + 7) / 8;
    if (!header.compressed() &&
        in.size() - in.pos() < fileRowBytes * (header.height - 1) + usedRowBytes)
        return Decoded::failure(reasons::truncated());

    // Run-length data can skip any number of pixels, so a few bytes may claim a huge image: a
    // decompression bomb. Encoders write a run (2 bytes) per at most 255 pixels and end every line,
    // so real files stay below 130 pixels a byte; beyond kMaxRlePixelsPerByte the file is refused
    // before the image is allocated.
    if (header.compressed()) {
        const qint64 available = in.size() - in.pos();
        const qint64 data =
            header.imageSize != 0 ? std::min<qint64>(header.imageSize, available) : available;
        if (data * kMaxRlePixelsPerByte < header.width * header.height)
            return Decoded::failure(reasons::expandsTooFar());
    }

    const int width = int(header.width);
    const int height = int(header.height);
    QImage pixels(width, height, storageFormat(code));
    if (pixels.isNull())
        return Decoded::failure(reasons::outOfMemory());

    QString reason;
    if (header.compressed()) {
        pixels.fill(0);
        reason = decodeRle(in, header, pixels);
        for (int y = 0; reason.isEmpty() && y < height; ++y) {
            if (!target.finishRow(pixels.scanLine(y), width))
                reason = reasons::paletteIndexOutOfRange();
        }
    } else if (header.bitCount == 1) {
        // A one-entry palette leaves index 1 undefined: any set bit is out of range.
        const bool oneEntry = palette.size() == 1;
        const int fullBytes = width / 8;
        const uchar tailMask = uchar(0xFF00 >> (width % 8));
        reason = readRows(in, header, pixels, true, [&](uchar*, uchar* row) {
            if (!oneEntry)
                return true;
            for (int i = 0; i < fullBytes; ++i) {
                if (row[i])
                    return false;
            }
            return (width % 8) == 0 || (row[fullBytes] & tailMask) == 0;
        });
        if (palette.size() == 1)
            palette.append(palette[0] == qRgb(0, 0, 0) ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        pixels.setColorTable(palette);
    } else if (header.bitCount == 2 || header.bitCount == 4) {
        const int bits = header.bitCount;
        const int perByte = 8 / bits;
        const uchar mask = uchar((1 << bits) - 1);
        reason = readRows(in, header, pixels, false, [&](uchar* in, uchar* row) {
            for (int x = 0; x < width; ++x) {
                const int shift = 8 - bits * (x % perByte + 1);
                row[x] = uchar((in[x / perByte] >> shift) & mask);
            }
            return target.finishRow(row, width);
        });
    } else if (header.bitCount == 8) {
        reason = readRows(in, header, pixels, true,
                          [&](uchar*, uchar* row) { return target.finishRow(row, width); });
    } else if (header.needsMasks()) {
        const int bytes = header.bitCount / 8;
        const bool to32 = code == ColourCode::Rgb32;
        reason = readRows(in, header, pixels, false, [&](uchar* in, uchar* row) {
            for (int x = 0; x < width; ++x) {
                const quint32 pixel = bytes == 2 ? le16(in + 2 * x) : le32(in + 4 * x);
                uchar* out = row + x * (to32 ? 4 : 3);
                out[0] = channels[2]->value(pixel);
                out[1] = channels[1]->value(pixel);
                out[2] = channels[0]->value(pixel);
                if (to32)
                    out[3] = 0xFF;
            }
            return true;
        });
    } else if (header.bitCount == 16) {
        // 5-5-5 as stored; the unused top bit is cleared so every word is a clean 5-5-5 value.
        reason = readRows(in, header, pixels, true, [&](uchar*, uchar* row) {
            for (int x = 0; x < width; ++x)
                row[2 * x + 1] &= 0x7F;
            return true;
        });
    } else if (header.bitCount == 24) {
        reason = readRows(in, header, pixels, true, [](uchar*, uchar*) { return true; });
    } else {
        // 32 bits: B, G, R and a byte that is unused here (set to 0xFF as the storage wants).
        reason = readRows(in, header, pixels, true, [&](uchar*, uchar* row) {
            for (int x = 0; x < width; ++x)
                row[4 * x + 3] = 0xFF;
            return true;
        });
    }
    if (!reason.isEmpty())
        return Decoded::failure(reason);

    Image image = indexed && header.bitCount != 1 ? target.make(std::move(pixels))
                                                  : Image::fromStorage(std::move(pixels), code);
    if (image.isNull())
        return Decoded::failure(reasons::damaged());
    image.setDpi(dpiFromPixelsPerMetre(header.xPerMetre), dpiFromPixelsPerMetre(header.yPerMetre));
    return {std::move(image), QString()};
}

QString writeBmp(const Image& image, QIODevice& out)
{
    if (image.isNull())
        return reasons::nullImage();
    const ColourCode code = image.code();
    const int bits = image.bitCount();
    const int width = image.width();
    const int height = image.height();

    QVector<QRgb> palette;
    if (code == ColourCode::Grey256) {
        palette.resize(256);
        for (int i = 0; i < 256; ++i)
            palette[i] = qRgb(i, i, i);
    } else if (isIndexedCode(code)) {
        palette = image.palette();
    }

    const qint64 rowBytes = dibRowBytes(width, bits);
    const qint64 dataSize = rowBytes * height;
    const qint64 offset = kFileHeaderSize + kInfoHeaderSize + 4 * qint64(palette.size());
    if (offset + dataSize > qint64(0xFFFFFFFFu))
        return reasons::tooLarge(width, height);

    std::vector<uchar> head(std::size_t(offset), 0);
    head[0] = 'B';
    head[1] = 'M';
    putLe32(&head[2], quint32(offset + dataSize));
    putLe32(&head[10], quint32(offset));
    uchar* info = &head[kFileHeaderSize];
    putLe32(info, kInfoHeaderSize);
    putLe32(info + 4, quint32(width));
    putLe32(info + 8, quint32(height));  // positive: rows bottom-up, as every reader expects
    putLe16(info + 12, 1);
    putLe16(info + 14, quint16(bits));
    putLe32(info + 16, kRgb);
    putLe32(info + 20, quint32(dataSize));
    putLe32(info + 24, pixelsPerMetreFromDpi(image.dpiX()));
    putLe32(info + 28, pixelsPerMetreFromDpi(image.dpiY()));
    putLe32(info + 32, quint32(palette.size()));
    for (int i = 0; i < palette.size(); ++i) {
        uchar* entry = info + kInfoHeaderSize + 4 * i;
        entry[0] = uchar(qBlue(palette[i]));
        entry[1] = uchar(qGreen(palette[i]));
        entry[2] = uchar(qRed(palette[i]));
    }
    if (out.write(reinterpret_cast<const char*>(head.data()), qint64(head.size())) !=
        qint64(head.size()))
        return reasons::writeFailed();

    // Rows go out bottom-up through a buffer of about 1 MiB, so a page takes a few large writes.
    // 1, 8, 80, 16, 24 and 32 rows are the stored rows; 4 and 40 are packed two pixels a byte.
    // Bits and bytes past the right edge are written as 0 whatever the image holds there.
    const qint64 rowsPerChunk = std::max<qint64>(1, (qint64(1) << 20) / rowBytes);
    std::vector<uchar> chunk(std::size_t(rowsPerChunk * rowBytes));
    const qint64 usedBytes = (qint64(width) * bits + 7) / 8;
    const bool packNibbles = bits == 4;
    qint64 filled = 0;
    for (int y = height - 1; y >= 0; --y) {
        uchar* row = chunk.data() + filled * rowBytes;
        const uchar* source = image.scanLine(y);
        if (packNibbles) {
            for (int x = 0; x + 1 < width; x += 2)
                row[x / 2] = uchar((source[x] << 4) | (source[x + 1] & 0x0F));
            if (width & 1)
                row[width / 2] = uchar(source[width - 1] << 4);
        } else {
            std::memcpy(row, source, std::size_t(usedBytes));
            if (bits == 1 && (width % 8) != 0)
                row[usedBytes - 1] &= uchar(0xFF00 >> (width % 8));
        }
        std::memset(row + usedBytes, 0, std::size_t(rowBytes - usedBytes));
        if (++filled == rowsPerChunk || y == 0) {
            const qint64 size = filled * rowBytes;
            if (out.write(reinterpret_cast<const char*>(chunk.data()), size) != size)
                return reasons::writeFailed();
            filled = 0;
        }
    }
    return QString();
}

}  // namespace tavlo::codecs
