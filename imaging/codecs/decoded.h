#pragma once

#include "imaging/image.h"

#include <QString>

namespace tavlo::codecs {

// What a decoder gives back: the image, or a reason in Japanese saying why the file could not be
// read ("ﾌｧｲﾙが途中で終わっています", ...). Decoders never throw and never crash on bad input.
struct Decoded {
    Image image;
    QString error;

    bool ok() const { return error.isEmpty() && !image.isNull(); }
    static Decoded failure(const QString& reason) { return {Image(), reason}; }
};

}  // namespace tavlo::codecs
