#pragma once

#include <QtGlobal>

namespace tavlo::codecs {

// Little-endian fields of file headers (BMP, PCX, ...), read from and written to byte buffers
// whatever the machine's byte order.
inline quint16 le16(const void* at)
{
    const auto* p = static_cast<const uchar*>(at);
    return quint16(p[0] | (p[1] << 8));
}

inline quint32 le32(const void* at)
{
    const auto* p = static_cast<const uchar*>(at);
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

inline qint32 le32s(const void* at)
{
    return qint32(le32(at));
}

inline void putLe16(void* at, quint16 value)
{
    auto* p = static_cast<uchar*>(at);
    p[0] = uchar(value);
    p[1] = uchar(value >> 8);
}

inline void putLe32(void* at, quint32 value)
{
    auto* p = static_cast<uchar*>(at);
    p[0] = uchar(value);
    p[1] = uchar(value >> 8);
    p[2] = uchar(value >> 16);
    p[3] = uchar(value >> 24);
}

}  // namespace tavlo::codecs
