#pragma once

#include "imaging/codecs/decoded.h"

#include <QBuffer>
#include <QByteArray>

#include <cstdint>
#include <cstdlib>

namespace tavlo::fuzz {

// Feeds the bytes to a decoder through a read-only buffer, as a file would come.
template <typename Reader>
codecs::Decoded decodeBytes(const uint8_t* data, size_t size, Reader reader)
{
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return reader(buffer);
}

// Whatever a decoder accepts must be a valid image that our own encoder writes and the decoder
// reads back with the same code, size and dots per inch, and for lossless formats the same
// pixels; anything else is a fault worth a crash here.
template <typename Reader, typename Writer>
void checkRoundTrip(const codecs::Decoded& decoded, Reader reader, Writer writer,
                    bool lossy = false)
{
    if (!decoded.ok())
        return;
    if (!decoded.image.isValid())
        std::abort();
    QByteArray encoded;
    QBuffer out(&encoded);
    out.open(QIODevice::ReadWrite);
    if (!writer(decoded.image, out).isEmpty())
        std::abort();
    out.seek(0);
    const codecs::Decoded again = reader(out);
    if (!again.ok() || again.image.code() != decoded.image.code() ||
        again.image.pixels().size() != decoded.image.pixels().size() ||
        (!lossy && !samePixels(again.image, decoded.image)) ||
        again.image.dpiX() != decoded.image.dpiX() || again.image.dpiY() != decoded.image.dpiY())
        std::abort();
}

}  // namespace tavlo::fuzz
