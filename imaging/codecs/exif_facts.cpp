#include "imaging/codecs/exif_facts.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace tavlo::codecs {
namespace {

// Reads the TIFF structure in either byte order, refusing anything outside the block.
class TiffBytes {
public:
    TiffBytes(const unsigned char* data, std::size_t size) : m_data(data), m_size(size) { }

    bool setOrder()
    {
        if (m_size < 8)
            return false;
        if (m_data[0] == 'I' && m_data[1] == 'I')
            m_bigEndian = false;
        else if (m_data[0] == 'M' && m_data[1] == 'M')
            m_bigEndian = true;
        else
            return false;
        return u16(2) == 42;
    }

    bool has(std::size_t offset, std::size_t length) const
    {
        return offset <= m_size && length <= m_size - offset;
    }

    unsigned u16(std::size_t at) const
    {
        if (!has(at, 2))
            return 0;
        return m_bigEndian ? (unsigned(m_data[at]) << 8) | m_data[at + 1]
                           : (unsigned(m_data[at + 1]) << 8) | m_data[at];
    }

    std::uint32_t u32(std::size_t at) const
    {
        if (!has(at, 4))
            return 0;
        const std::uint32_t a = m_data[at], b = m_data[at + 1], c = m_data[at + 2],
                            d = m_data[at + 3];
        return m_bigEndian ? (a << 24) | (b << 16) | (c << 8) | d
                           : (d << 24) | (c << 16) | (b << 8) | a;
    }

    // A RATIONAL value stored at the offset the entry points to; 0 when out of the block.
    double rational(std::size_t entry) const
    {
        const std::size_t at = u32(entry + 8);
        if (!has(at, 8))
            return 0;
        const std::uint32_t numerator = u32(at);
        const std::uint32_t denominator = u32(at + 4);
        return denominator == 0 ? 0 : double(numerator) / double(denominator);
    }

private:
    const unsigned char* m_data;
    std::size_t m_size;
    bool m_bigEndian = false;
};

int toDpi(double value, int unit)
{
    const double dpi = unit == 3 ? value * 2.54 : value;
    if (!(dpi >= 1 && dpi <= 1e6))
        return 0;
    return int(std::lround(dpi));
}

}  // namespace

ExifFacts ExifFacts::parse(const unsigned char* data, std::size_t size)
{
    ExifFacts facts;
    static const unsigned char kHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (size < 6 + 8 || std::memcmp(data, kHeader, 6) != 0)
        return facts;
    TiffBytes tiff(data + 6, size - 6);
    if (!tiff.setOrder())
        return facts;
    const std::size_t ifd = tiff.u32(4);
    const unsigned count = tiff.u16(ifd);
    if (!tiff.has(ifd + 2, std::size_t(count) * 12))
        return facts;
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t entry = ifd + 2 + std::size_t(i) * 12;
        const unsigned tag = tiff.u16(entry);
        const unsigned type = tiff.u16(entry + 2);
        switch (tag) {
        case 0x0112:  // Orientation, SHORT
            if (type == 3) {
                const unsigned value = tiff.u16(entry + 8);
                facts.orientation = value >= 1 && value <= 8 ? int(value) : 1;
            }
            break;
        case 0x011a:  // XResolution, RATIONAL
            if (type == 5)
                facts.resolutionX = tiff.rational(entry);
            break;
        case 0x011b:  // YResolution, RATIONAL
            if (type == 5)
                facts.resolutionY = tiff.rational(entry);
            break;
        case 0x0128:  // ResolutionUnit, SHORT
            if (type == 3)
                facts.resolutionUnit = int(tiff.u16(entry + 8));
            break;
        default: break;
        }
    }
    return facts;
}

int ExifFacts::dpiX() const
{
    return resolutionUnit == 2 || resolutionUnit == 3 ? toDpi(resolutionX, resolutionUnit) : 0;
}

int ExifFacts::dpiY() const
{
    return resolutionUnit == 2 || resolutionUnit == 3 ? toDpi(resolutionY, resolutionUnit) : 0;
}

QImage orientUpright(const QImage& stored, int orientation)
{
    if (orientation <= 1 || orientation > 8)
        return stored;
    const int w = stored.width();
    const int h = stored.height();
    const bool swap = orientation >= 5;
    QImage upright(swap ? h : w, swap ? w : h, stored.format());
    if (upright.isNull())
        return upright;
    upright.setColorTable(stored.colorTable());
    const int bytes = stored.depth() / 8;
    const int outWidth = upright.width();
    const int outHeight = upright.height();
    // Source column and row of each upright pixel: x' = ax*x + bx*y + cx, y' = ay*x + by*y + cy.
    int ax = 1, bx = 0, cx = 0, ay = 0, by = 1, cy = 0;
    switch (orientation) {
    case 2:
        ax = -1;
        cx = w - 1;
        break;  // mirrored left-right
    case 3:
        ax = -1;
        cx = w - 1;
        by = -1;
        cy = h - 1;
        break;  // turned half round
    case 4:
        by = -1;
        cy = h - 1;
        break;  // mirrored top-bottom
    case 5:
        ax = 0;
        bx = 1;
        ay = 1;
        by = 0;
        break;  // transposed
    case 6:
        ax = 0;
        bx = 1;
        ay = -1;
        by = 0;
        cy = h - 1;
        break;  // needs a right turn
    case 7:
        ax = 0;
        bx = -1;
        cx = w - 1;
        ay = -1;
        by = 0;
        cy = h - 1;
        break;  // transversed
    case 8:
        ax = 0;
        bx = -1;
        cx = w - 1;
        ay = 1;
        by = 0;
        break;  // needs a left turn
    default: break;
    }
    const uchar* source = stored.constBits();
    const qsizetype sourceLine = stored.bytesPerLine();
    for (int y = 0; y < outHeight; ++y) {
        uchar* out = upright.scanLine(y);
        int sx = bx * y + cx;
        int sy = by * y + cy;
        for (int x = 0; x < outWidth; ++x, sx += ax, sy += ay, out += bytes)
            std::memcpy(out, source + sy * sourceLine + qsizetype(sx) * bytes, size_t(bytes));
    }
    return upright;
}

}  // namespace tavlo::codecs
