#pragma once

// A made-up preview of a scanner's glass: a light lid with a little sensor noise, and a darker
// document lying on it, for the document finder and the settings dialog's preview tests.

#include "imaging/image.h"

#include <QRectF>
#include <QSizeF>

namespace tavlo::test {

// A 24-bit image of glassMm at dpi, lid colour about (236, 234, 228) +-6 per channel, with the
// document (millimetres from the top-left corner) filled with a darker, noisy colour and a few
// single-pixel specks of dust on the lid. The same seed gives the same image.
Image glassPreview(QSizeF glassMm, int dpi, QRectF documentMm, unsigned seed = 5);

}  // namespace tavlo::test
