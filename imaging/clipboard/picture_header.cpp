#include "imaging/clipboard/picture_header.h"

#include "imaging/clipboard/dib_file_writer.h"

#include <cstring>

namespace tavlo {
namespace {

quint32 le16(const uchar* p) { return quint32(p[0]) | quint32(p[1]) << 8; }
quint32 le32(const uchar* p) { return le16(p) | le16(p + 2) << 16; }
quint32 be32(const uchar* p) { return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3]; }

PictureHeader peekBmp(const uchar* p, qint64 size)
{
    PictureHeader header;
    // File header (14 bytes), then the info header, whose first field is its own size.
    if (size < 14 + 16)
        return header;
    const quint32 infoSize = le32(p + 14);
    quint32 bits = 0;
    quint32 compression = 0;
    if (infoSize == 12) {  // BITMAPCOREHEADER: no compression, no resolution
        bits = le16(p + 14 + 10);
    } else if (infoSize >= 40 && size >= 14 + 40) {
        bits = le16(p + 14 + 14);
        compression = le32(p + 14 + 16);
        // Pixels per metre are signed in the format; negative values mean nothing.
        header.dpiX = dotsPerInch(qint32(le32(p + 14 + 24)));
        header.dpiY = dotsPerInch(qint32(le32(p + 14 + 28)));
    } else {
        return header;
    }
    // 0 BI_RGB, 1 BI_RLE8, 2 BI_RLE4, 3 BI_BITFIELDS, 6 BI_ALPHABITFIELDS; JPEG or PNG payloads
    // (4, 5) say nothing about their depth here.
    if (compression == 4 || compression == 5)
        return header;
    switch (bits) {
    case 1: header.code = ColourCode::Mono; break;
    case 4: header.code = ColourCode::Palette16; break;
    case 8: header.code = ColourCode::Palette256; break;
    case 16: header.code = ColourCode::Rgb555; break;
    case 24: header.code = ColourCode::Rgb24; break;
    case 32: header.code = ColourCode::Rgb32; break;
    default: break;
    }
    return header;
}

std::optional<ColourCode> pngCode(int colourType, int depth)
{
    switch (colourType) {
    case 0:  // grey
        if (depth == 1)
            return ColourCode::Mono;
        return depth <= 4 ? ColourCode::Grey16 : ColourCode::Grey256;
    case 3:  // palette
        if (depth == 1)
            return ColourCode::Mono;
        return depth <= 4 ? ColourCode::Palette16 : ColourCode::Palette256;
    case 4:  // grey with alpha: laid on white, still grey
        return ColourCode::Grey256;
    case 2:  // RGB
    case 6:  // RGB with alpha
        return ColourCode::Rgb24;
    default: return std::nullopt;
    }
}

PictureHeader peekPng(const uchar* p, qint64 size)
{
    PictureHeader header;
    // Signature (8), then IHDR: length (4), type (4), width, height, bit depth, colour type.
    if (size < 8 + 8 + 13 || std::memcmp(p + 12, "IHDR", 4) != 0)
        return header;
    header.code = pngCode(p[8 + 8 + 9], p[8 + 8 + 8]);
    // Chunks up to the first image data: length, type, data, CRC each.
    qint64 at = 8;
    while (at + 8 <= size) {
        const qint64 length = be32(p + at);
        const uchar* type = p + at + 4;
        if (std::memcmp(type, "IDAT", 4) == 0 || std::memcmp(type, "IEND", 4) == 0)
            break;
        if (std::memcmp(type, "pHYs", 4) == 0 && length == 9 && at + 8 + 9 <= size) {
            const uchar* data = p + at + 8;
            if (data[8] == 1) {  // unit: metre
                header.dpiX = dotsPerInch(be32(data));
                header.dpiY = dotsPerInch(be32(data + 4));
            }
            break;
        }
        at += 8 + length + 4;
    }
    return header;
}

}  // namespace

PictureHeader peekPictureHeader(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const qint64 size = bytes.size();
    if (size >= 2 && p[0] == 'B' && p[1] == 'M')
        return peekBmp(p, size);
    static const uchar kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (size >= 8 && std::memcmp(p, kPngSignature, 8) == 0)
        return peekPng(p, size);
    return PictureHeader();
}

}  // namespace tavlo
