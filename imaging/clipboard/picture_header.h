#pragma once

#include "imaging/colour_code.h"

#include <QByteArray>

#include <optional>

namespace tavlo {

// What the header of a BMP or PNG picture says about its pixels, read without decoding them.
struct PictureHeader {
    // The colour-depth code the stored pixels have: from the BMP bit count (1, 4, 8, 16, 24, 32;
    // 4 and 8 become grey codes later when the palette is grey), or from the PNG colour type and bit
    // depth. Empty when the bytes are neither format or the format does not say (compressed BMP
    // payloads, unusual bit counts).
    std::optional<ColourCode> code;
    // Dots per inch from the BMP pixels-per-metre fields or the PNG pHYs chunk; 0 when not stored.
    int dpiX = 0;
    int dpiY = 0;
};

// Reads the header; never reads past the end of bytes.
PictureHeader peekPictureHeader(const QByteArray& bytes);

}  // namespace tavlo
