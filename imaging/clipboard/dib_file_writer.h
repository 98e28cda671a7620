#pragma once

#include "imaging/image.h"

#include <QByteArray>

namespace tavlo {

// The image as the bytes of a BMP file (BITMAPFILEHEADER + BITMAPINFOHEADER, uncompressed,
// bottom-up rows padded to 4 bytes), at the bit count of its colour-depth code: 1, 4 and 8 with
// the palette (the 256 grey levels for 80), 16 as 5-5-5, 24 and 32. Dots per inch go into the
// pixels-per-metre fields (0 when none are stored). Padding bits are zero, so equal images give
// equal bytes. Empty for a null image.
//
// This is what the clipboard offers as "image/bmp"; it keeps the exact code, which PNG cannot
// (a 16-colour image and a 16-bit one have no PNG form of their own).
QByteArray bmpFileBytes(const Image& image);

// Dots per inch as pixels per metre and back, rounded to the nearest whole number. Both
// directions agree for every dots-per-inch value a file can carry.
int pixelsPerMetre(int dotsPerInch);
int dotsPerInch(qint64 pixelsPerMetre);

}  // namespace tavlo
