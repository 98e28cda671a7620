#pragma once

#include "imaging/codecs/decoded.h"

#include <QIODevice>

namespace tavlo::codecs {

// TIFF (libtiff).
// Readers take a random-access device positioned at the start of the file (a QFile or a QBuffer)
// and check every read and every size before allocating. Writers write the whole file to a
// random-access device opened for reading and writing and return "" on success, otherwise the
// reason in Japanese. Both may be called from any thread, one call per device at a time.
//
// Reading the first page: bilevel files (uncompressed, PackBits, CCITT G3 and G4, LZW, either
// photometric) give code 1; 2 and 4-bit palette and grey 4 or 40; 8-bit palette 8 (80 when
// grey); 8 and 16-bit grey 80; 8 and 16-bit RGB, contiguous or in planes, stripped or tiled, 24.
// Anything else libtiff can read (YCbCr, CMYK, Lab, alpha, JPEG-in-TIFF) is read through its RGBA
// reader as 24, alpha composited on white. Resolution tags in inches or centimetres give dots
// per inch. A file cut short anywhere it points to is refused.
//
// Writing is lossless: 1 with a black-and-white palette (either order) as CCITT Group 4 in one
// strip; 1 with other colours as a 1-bit palette, 4 and 8 with their palette, 40 as 4-bit grey
// when its levels are multiples of 17 (else a grey palette), all LZW; 80 as 8-bit grey and 24 as
// RGB, LZW with the horizontal predictor. TIFF readers know no 5-5-5 or padded pixels: 16 and 32
// are written as 24 (the same colours). Dots per inch go into the resolution tags (inches).
// Strips of about 256 KB are coded on worker threads.
Decoded readTiff(QIODevice& in);
QString writeTiff(const Image& image, QIODevice& out);

// The pixels of a 1-bit image as one block of CCITT Group 4 (ITU-T T.6) code, bits most
// significant first, rows not byte-aligned, ending in the end-of-block code: what a PDF
// CCITTFaxDecode filter with K = -1 reads. Pixels whose palette index is blackIndex (0 or 1) are
// coded as black runs, the others as white. Empty when the image is not 1-bit or memory runs out.
QByteArray encodeGroup4(const Image& image, int blackIndex);

}  // namespace tavlo::codecs
