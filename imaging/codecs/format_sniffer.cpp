#include "imaging/codecs/format_sniffer.h"

#include "imaging/codecs/little_endian.h"

#include <cstring>

namespace tavlo::codecs {
namespace {

bool startsWith(const QByteArray& head, const char* magic, std::size_t length)
{
    return std::size_t(head.size()) >= length && std::memcmp(head.constData(), magic, length) == 0;
}

// "BM" is two common letters, so a BMP must also name a header size some writer uses: 12 (OS/2
// 1.x), 16 to 64 (OS/2 2.x and the Windows 40, 52, 56), 108 (V4) or 124 (V5).
bool looksLikeBmp(const QByteArray& head)
{
    if (!startsWith(head, "BM", 2) || head.size() < 18)
        return false;
    const quint32 headerSize = le32(head.constData() + 14);
    return headerSize == 12 || (headerSize >= 16 && headerSize <= 64) || headerSize == 108 ||
           headerSize == 124;
}

bool looksLikePcx(const QByteArray& head)
{
    if (head.size() < 4 || uchar(head[0]) != 0x0A)
        return false;
    const uchar version = uchar(head[1]);
    const uchar encoding = uchar(head[2]);
    const uchar bits = uchar(head[3]);
    return (version == 0 || version == 2 || version == 3 || version == 4 || version == 5) &&
           encoding <= 1 && (bits == 1 || bits == 2 || bits == 4 || bits == 8);
}

}  // namespace

ImageFormat sniffFormat(const QByteArray& head)
{
    if (startsWith(head, "\x89PNG\r\n\x1a\n", 8))
        return ImageFormat::Png;
    if (startsWith(head, "\xff\xd8\xff", 3))
        return ImageFormat::Jpeg;
    if (startsWith(head, "GIF87a", 6) || startsWith(head, "GIF89a", 6))
        return ImageFormat::Gif;
    if (startsWith(head, "II*\0", 4) || startsWith(head, "MM\0*", 4) ||
        startsWith(head, "II+\0", 4) || startsWith(head, "MM\0+", 4))
        return ImageFormat::Tiff;
    if (startsWith(head, "\0\0\0\x0cjP  \r\n\x87\n", 12) || startsWith(head, "\xff\x4f\xff\x51", 4))
        return ImageFormat::Jpeg2000;
    if (startsWith(head, "\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1", 8))
        return ImageFormat::FlashPix;
    if (looksLikeBmp(head))
        return ImageFormat::Bmp;
    if (looksLikePcx(head))
        return ImageFormat::Pcx;
    return ImageFormat::Unknown;
}

}  // namespace tavlo::codecs
