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

// What a JPEG file holds, for passing its bytes on unchanged (a page of a PDF document).
struct JpegFacts {
    int width = 0;  // as stored, before the orientation is applied
    int height = 0;
    int components = 3;      // 1 grey, 3 colour (YCbCr or RGB), 4 CMYK or YCCK
    bool adobeCmyk = false;  // CMYK stored inverted, as Adobe's encoders do
    int dpiX = 0;            // of the stored pixels, found as readJpeg finds them; 0 = none
    int dpiY = 0;
    int orientation = 1;  // EXIF orientation 1..8 (exif_facts.h)
};

// Reads the header and all the coded data (decoded at an eighth of the size, which is several
// times faster than readJpeg) and fills facts. "" when readJpeg would read the file, else the
// same reason readJpeg gives for a damaged, cut-short, unsupported or oversized file.
QString checkJpeg(QIODevice& in, JpegFacts& facts);
QString writeJpeg(const Image& image, QIODevice& out, int quality);

}  // namespace tavlo::codecs
