#pragma once

#include "imaging/codecs/decoded.h"

#include <QIODevice>

namespace tavlo::codecs {

// JPEG (libjpeg-turbo). quality is 1..100.
// Readers take a random-access device positioned at the start of the file (a QFile or a QBuffer)
// and check every read and every size before allocating. Writers write the whole file to a
// random-access device opened for reading and writing and return "" on success, otherwise the
// reason in Japanese.
Decoded readJpeg(QIODevice& in);
QString writeJpeg(const Image& image, QIODevice& out, int quality);

}  // namespace tavlo::codecs
