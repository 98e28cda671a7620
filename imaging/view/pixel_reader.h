#pragma once

#include "imaging/image.h"

#include <QtGlobal>

#include <array>
#include <cstring>

namespace tavlo {

// Fetchers of one pixel of a stored row as 0xffRRGGBB, one per storage layout of image.h.
namespace pixel_fetch {

inline constexpr quint32 kOpaque = 0xff000000u;

struct Mono {
    const quint32* lut;
    quint32 operator()(const uchar* row, int x) const
    {
        return lut[(row[x >> 3] >> (7 - (x & 7))) & 1];
    }
};

struct Byte {  // a palette index (1 byte per pixel) or a grey level
    const quint32* lut;
    quint32 operator()(const uchar* row, int x) const { return lut[row[x]]; }
};

struct Rgb555 {
    quint32 operator()(const uchar* row, int x) const
    {
        quint16 v;
        std::memcpy(&v, row + 2 * x, sizeof v);  // little-endian words on little-endian hosts
        const quint32 r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
        return kOpaque | (((r << 3) | (r >> 2)) << 16) | (((g << 3) | (g >> 2)) << 8) |
               ((b << 3) | (b >> 2));
    }
};

struct Bgr888 {
    quint32 operator()(const uchar* row, int x) const
    {
        const uchar* p = row + 3 * x;
        return kOpaque | (quint32(p[2]) << 16) | (quint32(p[1]) << 8) | p[0];
    }
};

struct Rgb32 {
    quint32 operator()(const uchar* row, int x) const
    {
        quint32 v;
        std::memcpy(&v, row + 4 * x, sizeof v);
        return v | kOpaque;
    }
};

}  // namespace pixel_fetch

// Reads pixels of an image of any colour-depth code as 0xffRRGGBB, a row at a time, without
// converting the whole image. Colours are exactly those of Image::pixelColour(): palette entries
// for 1, 4, 40 and 8, the grey level for 80, 5-bit channels widened as (v << 3) | (v >> 2) for 16,
// and the stored bytes for 24 and 32.
//
// The reader keeps a pointer to the image's pixels: the image must stay alive and unchanged while
// the reader is used. User-interface thread only, like the image it reads.
class PixelReader {
public:
    explicit PixelReader(const Image& image);

    const uchar* row(int y) const { return m_image.scanLine(y); }

    // Calls visit(fetch) with the pixel fetcher of the image's layout, so loops written in visit
    // are compiled once per layout.
    template <typename Visit> void withFetcher(Visit&& visit) const
    {
        switch (m_code) {
        case ColourCode::Mono: visit(pixel_fetch::Mono{m_lut.data()}); break;
        case ColourCode::Palette16:
        case ColourCode::Grey16:
        case ColourCode::Palette256:
        case ColourCode::Grey256: visit(pixel_fetch::Byte{m_lut.data()}); break;
        case ColourCode::Rgb555: visit(pixel_fetch::Rgb555{}); break;
        case ColourCode::Rgb24: visit(pixel_fetch::Bgr888{}); break;
        case ColourCode::Rgb32: visit(pixel_fetch::Rgb32{}); break;
        }
    }

    // Colours of count pixels of row y, at the given columns (each inside the image).
    void gather(int y, const int* columns, int count, quint32* out) const;

    // Colours of count consecutive pixels of row y, starting at column x0 (all inside the image).
    void span(int y, int x0, int count, quint32* out) const;

private:
    const Image& m_image;
    ColourCode m_code;
    std::array<quint32, 256> m_lut{};  // palette or grey levels, for the indexed codes
};

}  // namespace tavlo
