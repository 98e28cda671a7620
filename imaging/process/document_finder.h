#pragma once

#include "imaging/image.h"

#include <QRectF>

#include <optional>

namespace tavlo::process {

// The margin added around the document on each side, in millimetres.
inline constexpr double kDocumentMarginMm = 2.0;

// How far (0..255, in any channel) a pixel may be from the lid's colour and still be lid.
inline constexpr int kLidTolerance = 40;

// Finds a document lying on a scanner's glass in a preview of the whole glass: the bounding box
// of what differs from the lid, widened by a margin. The lid's colour is the median of the
// image's outermost rows and columns (a photo in a corner covers less than half of them); a pixel
// differs when one of its channels is more than kLidTolerance away from it. Only 2 x 2 blocks of
// differing pixels count, and a row or column belongs to the document only when they cover at
// least a millimetre of it, so dust and the noise of a scanner's sensor do not widen the box.
//
// Works at every colour-depth code (1, 4, 40, 8, 80, 16, 24, 32): palette images by their
// colours, grey by its level. The image must carry its dots per inch (a scanned preview does).
//
// Result: the box in millimetres from the image's top-left corner, inside the image. No result
// when the image is null, has no dots per inch, or nothing on it differs from the lid.
//
// Pure and thread-safe; the image is only read.
std::optional<QRectF> findDocument(const Image& preview, double marginMm = kDocumentMarginMm);

}  // namespace tavlo::process
