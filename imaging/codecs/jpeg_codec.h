#pragma once

#include "imaging/codecs/decoded.h"

#include <QIODevice>

namespace tavlo::codecs {

// JPEG (libjpeg-turbo).
// Readers take a random-access device positioned at the start of the file (a QFile or a QBuffer)
// and check every read and every size before allocating. Writers write the whole file to a
// random-access device opened for reading and writing and return "" on success, otherwise the
// reason in Japanese. Both may be called from any thread, one call per device at a time.
//
// Reading: grey files give code 80, colour (YCbCr or RGB) and CMYK files (plain or Adobe's
// inverted CMYK) 24. The JFIF density gives dots per inch (dots per centimetre converted); when
// JFIF gives no unit, the EXIF resolution does. The EXIF orientation is applied, so the image is
// upright (width, height and dots per inch swapped for quarter turns). A file that ends before its
// last row is refused; one that lacks only its end marker is read.
//
// Writing: quality 1..100 (clamped), 4:2:0 chroma below 90 and 4:4:4 from 90. JPEG holds grey and
// colour: 80 is written as grey and 24 as colour straight from the image rows; 40 and 1 with a
// grey palette as grey; 4, 8, 16, 32 and 1 with a colour palette as colour. Dots per inch go into
// the JFIF density (up to 65535).
Decoded readJpeg(QIODevice& in);
QString writeJpeg(const Image& image, QIODevice& out, int quality);

}  // namespace tavlo::codecs
