#pragma once

#include "imaging/codecs/image_format.h"
#include "imaging/image.h"

#include <QString>

namespace tavlo {

// Writes one work file on a thread of its own while the user-interface thread goes on serving its
// events (paints, timers, the progress dialog's Cancel), so that a slow or busy disk never freezes
// the window while a scanned page is written and synced.
//
// For the caller it is an ordinary save: write() returns only when the file is complete under its
// name or has failed. The file is written as codecs::writeImageFile writes every file: into a
// temporary file beside the target, synced, and renamed over the name only when complete, so no
// work file is ever left half-written under its final name.
//
// The writing thread reads its own copy of the image (the pixels are shared, not copied; an edit of
// the view's image meanwhile copies them first), so nothing is shared between the two threads.
// Because events run during write(), whatever calls it must expect to be re-entered by them (the
// scan controller refuses a second work-file save while one is being written).
// User-interface thread only.
class WorkFileWriter {
public:
    // "" when the file was written, otherwise the reason in Japanese.
    static QString write(const Image& image, const QString& path, codecs::ImageFormat format);
};

}  // namespace tavlo
