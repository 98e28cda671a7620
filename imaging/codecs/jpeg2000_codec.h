#pragma once

#include "imaging/codecs/decoded.h"

#include <QIODevice>

namespace tavlo::codecs {

// JPEG 2000 (OpenJPEG): .jp2 boxes and bare .j2k / .jpc code streams.
// Readers take a random-access device positioned at the start of the file (a QFile or a QBuffer)
// and check every read and every size before allocating. Writers write the whole file to a
// random-access device opened for reading and writing and return "" on success, otherwise the
// reason in Japanese. Both may be called from any thread, one call per device at a time.
//
// Reading: one or two components (grey, grey with alpha) give code 80; three or more (sRGB,
// sYCC with subsampled planes, CMYK, alpha) 24; samples of any precision are scaled to 8 bits,
// signed ones shifted. A .jp2 capture (else display) resolution box gives dots per inch.
//
// Writing (.jp2, lossless with the reversible wavelet): 80, 40 and 1 with a grey palette as grey;
// every other code as colour; the same colours in every case. Dots per inch go into a capture
// resolution box. OpenJPEG holds four bytes per sample while coding.
Decoded readJpeg2000(QIODevice& in);
QString writeJpeg2000(const Image& image, QIODevice& out);

}  // namespace tavlo::codecs
