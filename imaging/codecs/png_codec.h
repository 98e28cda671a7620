#pragma once

#include "imaging/codecs/decoded.h"

#include <QIODevice>

namespace tavlo::codecs {

// PNG (libpng).
// Readers take a random-access device positioned at the start of the file (a QFile or a QBuffer)
// and check every read and every size before allocating. Writers write the whole file to a
// random-access device opened for reading and writing and return "" on success, otherwise the
// reason in Japanese. Both may be called from any thread, one call per device at a time.
//
// Reading: every bit depth and colour type, interlaced or not. 1-bit files give code 1; 2 and
// 4-bit files 4 (40 for grey or a grey palette); 8-bit palette files 8 (80 for a grey palette);
// 8 and 16-bit grey 80; colour 24, 16 bits per channel rounded to 8. Transparency (alpha
// channels, tRNS) is composited on white. pHYs in dots per metre gives dots per inch, rounded.
//
// Writing keeps every code PNG holds, pixel for pixel: 1 (grey when its palette is black then
// white, else a two-colour palette), 4 and 8 with their palette, 40 as 4-bit grey when its levels
// are multiples of 17 (else as a grey palette), 80 as 8-bit grey, 24 as RGB. PNG has no 5-5-5 or
// padded pixels: 16 and 32 are written as 24 (the same colours). Dots per inch go into pHYs,
// rounded so that reading gives them back exactly. Grey and colour rows are deflated on worker
// threads (see BandedDeflate).
Decoded readPng(QIODevice& in);
QString writePng(const Image& image, QIODevice& out);

}  // namespace tavlo::codecs
