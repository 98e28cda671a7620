#pragma once

#include "imaging/codecs/decoded.h"
#include "imaging/codecs/image_format.h"

#include <QIODevice>
#include <QString>

namespace tavlo::codecs {

// How a file is written.
struct WriteOptions {
    int jpegQuality = 80;  // 1..100, for JPEG and FlashPix tiles; values outside are clamped
};

// Reads an image file; its format is found from its content (format_sniffer.h), never from the
// name. format, when given, receives what the content says even when decoding fails (Unknown for
// a missing or unrecognised file). Errors are Japanese reasons: a missing file, one that cannot
// be opened, an empty file, an unknown format, or whatever
// the decoder found.
Decoded readImageFile(const QString& path, ImageFormat* format = nullptr);

// The same for a random-access device positioned at the start of the data (a QBuffer in tests
// and fuzzing).
Decoded readImage(QIODevice& in, ImageFormat* format = nullptr);

// Writes the image in the format, converted first as image_format.h lists when the format cannot
// hold its code (the image itself is not changed). The file is written to a temporary file beside
// the target, synced and renamed over it, so the file that was there stays whole when anything
// fails. Returns "" on success, else the reason in Japanese.
QString writeImageFile(const Image& image, const QString& path, ImageFormat format,
                       const WriteOptions& options = {});

// The file object's save: the format of the save format code (image_format.h), JPEG 2000
// included, written as writeImageFile writes. Returns "" on success, else the reason in Japanese.
QString saveImageFile(const Image& image, const QString& path, int saveCode,
                      const WriteOptions& options = {});

// The encoding step alone, into a random-access device opened for reading and writing.
QString writeImage(const Image& image, QIODevice& out, ImageFormat format,
                   const WriteOptions& options = {});

}  // namespace tavlo::codecs
