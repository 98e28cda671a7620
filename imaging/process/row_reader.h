#pragma once

#include "imaging/image.h"

#include <array>

namespace tavlo::process {

// Reads rows of an image at any colour-depth code as plain colour or luma, so operations that work
// in colour need one loop instead of eight. Palette colours and their lumas are looked up once per
// image, not once per pixel.
//
// 1-bit and palette codes: each index becomes its palette colour. Grey 80: the level repeated in
// B, G and R. 16: each 5-bit channel widened by repeating its top bits. 24 and 32: the bytes as
// stored. Reading is thread-safe (const); buffers belong to the caller.
class RowReader {
public:
    explicit RowReader(const Image& image);

    // Row y as B, G, R bytes (3 x width). For a 24-bit image this is the image's own row and the
    // buffer is not touched; otherwise the buffer is filled and returned.
    const uchar* bgr(int y, uchar* buffer) const;

    // Row y as luma levels (width bytes). For a grey 80 image this is the image's own row.
    const uchar* luma(int y, uchar* buffer) const;

    // Row y as palette indices, one byte each (indexed codes 1, 4, 40 and 8 only; for 80 the grey
    // levels). For Indexed8 and Grayscale8 storage this is the image's own row.
    const uchar* indices(int y, uchar* buffer) const;

    // Colour and luma of a palette index (indexed codes); for 80 the grey level itself.
    QRgb paletteColour(int index) const { return m_palette[index]; }
    uchar paletteLuma(int index) const { return m_lumas[index]; }

    const Image& image() const { return m_image; }

private:
    const Image& m_image;
    std::array<QRgb, 256> m_palette{};
    std::array<uchar, 256> m_lumas{};
};

}  // namespace tavlo::process
