#pragma once

#include "imaging/process/row_reader.h"

#include <QVector>

#include <optional>

namespace tavlo::process {

// The colours of an image, exactly, when it uses at most capacity of them (in order of first
// appearance); nothing when it uses more. Stops at the first colour beyond capacity, so a
// photograph costs a few pixels.
std::optional<QVector<QRgb>> exactPalette(const RowReader& source, int capacity);

// The best palette of at most colours entries (2..256) for the image, made by libimagequant from
// an even sample of about half a million pixels spread over every row (thin lines and small
// marks still count). Empty when libimagequant fails (out of memory).
QVector<QRgb> bestPalette(const RowReader& source, int colours);

}  // namespace tavlo::process
