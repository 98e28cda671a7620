#pragma once

#include "imaging/image.h"
#include "imaging/pdf/pdf_image.h"

#include <QString>

namespace tavlo::pdf {

// Codes an image losslessly for a PDF page, keeping its colour-depth code wherever PDF can:
//   1       CCITT Group 4; grey when the palette is black and white (either order), else a
//           two-entry indexed colour space, darker colour first
//   4, 8    indexed colour space over RGB at 4 or 8 bits, Flate
//   40      4-bit grey when the palette holds only the even levels (0, 17, ..., 255), else an
//           indexed colour space over grey, Flate
//   80      8-bit grey, Flate with the PNG predictors
//   16, 24, 32  8-bit RGB (16 widened as pixelColour() does), Flate with the PNG predictors
// Large pages are deflated in bands on several threads (codecs/banded_deflate.h). Dots per inch
// are copied. Returns "" on success, else the reason in Japanese (memory ran out).
QString encodePdfImage(const Image& image, PdfImage& out);

}  // namespace tavlo::pdf
