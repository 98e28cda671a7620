#pragma once

#include "imaging/codecs/decoded.h"

#include <QIODevice>

namespace tavlo::codecs {

// GIF (giflib).
// Readers take a random-access device positioned at the start of the file (a QFile or a QBuffer)
// and check every read and every size before allocating. Writers write the whole file to a
// random-access device opened for reading and writing and return "" on success, otherwise the
// reason in Japanese. Both may be called from any thread, one call per device at a time.
//
// Reading: the first frame on its logical screen (interlaced or not, local or global colour
// table; the transparent index keeps its palette colour; outside the frame the transparent or
// background index). The table size gives the code: 2 entries 1, up to 16 4 (40 when grey), more
// 8 (80 when grey). GIF holds no resolution: dots per inch are 0.
//
// Writing: 1, 4, 40, 8 and 80, pixel for pixel; the colour table is padded with black to a power
// of two large enough that reading gives the same code back. Dots per inch are lost. Direct colour
// (16, 24, 32) is refused with a reason: the caller reduces it to 256 colours first.
Decoded readGif(QIODevice& in);
QString writeGif(const Image& image, QIODevice& out);

}  // namespace tavlo::codecs
