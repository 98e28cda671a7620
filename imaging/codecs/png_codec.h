#pragma once

#include "imaging/codecs/decoded.h"

#include <QIODevice>

namespace tavlo::codecs {

// PNG (libpng).
// Readers take a random-access device positioned at the start of the file (a QFile or a QBuffer)
// and check every read and every size before allocating. Writers write the whole file to a
// random-access device opened for reading and writing and return "" on success, otherwise the
// reason in Japanese.
Decoded readPng(QIODevice& in);
QString writePng(const Image& image, QIODevice& out);

}  // namespace tavlo::codecs
