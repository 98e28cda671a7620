#pragma once

#include "imaging/codecs/decoded.h"

#include <QIODevice>

namespace tavlo::codecs {

// FlashPix (.fpx): an OLE2 compound file (libgsf) holding an image view whose one image object
// has a resolution hierarchy of 64 x 64 tiles, each uncompressed, of a single colour or JPEG
// (libjpeg-turbo), described by the image contents property set.
// The reader takes a random-access device positioned at the start of the file; the writer writes
// the whole file to a device opened for writing and returns "" on success, otherwise the reason
// in Japanese. Both may be called from any thread, one call per device at a time.
//
// Reading: the highest resolution of the first image object (or of a bare image object file).
// Channels NIF RGB or PhotoYCC (code 24) or monochrome (code 80), each with or without an opacity
// channel, which is composited on white. PhotoYCC's extended highlight range is scaled linearly
// into 0..255. Dots per inch come from the default display size, else from the scanner pixel
// size of the image info property set. Sizes, tile tables and every tile are checked against the
// streams before anything large is allocated.
//
// Writing: 80, and 40 and 1 with grey palettes, as monochrome; every other code as NIF RGB. The
// hierarchy halves the image (2 x 2 averages) down to one tile; every tile is JPEG at the quality
// (1..100, clamped) with one shared table set, and tiles of one colour (white paper) are stored
// once per colour and size and shared by every tile like them. Dots per inch go into the default
// display size (inches) and the scanner pixel size; the summary information names the program and
// the time of writing.
Decoded readFlashPix(QIODevice& in);
QString writeFlashPix(const Image& image, QIODevice& out, int quality);

}  // namespace tavlo::codecs
