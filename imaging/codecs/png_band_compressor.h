#pragma once

#include <QIODevice>
#include <QtGlobal>

#include <functional>

namespace tavlo::codecs {

// Writes the image data of a PNG (its IDAT chunks) for rows of 8-bit samples, compressed on
// several threads. The rows are filtered with the adaptive choice libpng makes (per row the filter
// whose output has the smallest sum of absolute signed values), cut into bands of about 1 MiB, and
// each band is deflated on its own thread with the last 32 KiB of the band before it as preset
// dictionary, ending on a byte boundary (a sync flush); the bands are joined into one zlib stream
// with the combined checksum. The file is the same PNG a single deflate stream gives, a few bytes
// longer, made in a fraction of the time on a multi-core machine.
//
// rows(y, out) must put row y's samples in PNG order (R, G, B or grey) into out (rowBytes long);
// it is called from several threads at once. Returns false when the device refuses a write or
// memory runs out. Memory: about 2 MiB per thread beside the image.
bool writePngImageData(QIODevice& out, int height, int rowBytes, int bytesPerPixel, int level, int strategy,
                       const std::function<void(int, uchar*)>& rows);

}  // namespace tavlo::codecs
