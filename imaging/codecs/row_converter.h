#pragma once

#include "imaging/image.h"

#include <QtGlobal>

#include <array>

namespace tavlo::codecs {

// Hands out the rows of an image as plain colour or grey bytes, whatever its code, for encoders
// whose format cannot hold the code directly (16-bit colour in PNG, a palette in JPEG, ...).
// Colours are exactly those of Image::pixelColour(). The converter keeps a reference to the
// image, which must outlive it. Converting never allocates, so encoders may call it between
// library calls that report errors by longjmp.
class RowConverter {
public:
    explicit RowConverter(const Image& image);

    // Row y as width x 3 bytes in the order B, G, R.
    void bgr(int y, uchar* out) const;
    // Row y as width x 3 bytes in the order R, G, B.
    void rgb(int y, uchar* out) const;
    // Row y as width grey levels (the red channel of each colour; exact when greyOnly()).
    void grey(int y, uchar* out) const;

    // True when every colour the image holds is a grey: codes 40 and 80, and palette images
    // whose palette is all grey (a black-and-white 1-bit image).
    bool greyOnly() const { return m_greyOnly; }

private:
    template <bool Bgr> void colourRow(int y, uchar* out) const;

    const Image& m_image;
    std::array<QRgb, 256> m_palette{};
    bool m_greyOnly = false;
};

}  // namespace tavlo::codecs
