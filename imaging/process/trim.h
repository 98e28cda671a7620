#pragma once

#include "imaging/image.h"
#include "imaging/process/pixel_rect.h"

namespace tavlo::process {

// The part of the image inside the rectangle (clipped to the image), exactly, at the same code,
// palette and dots per inch; 1-bit rows are re-aligned bit by bit when left is not a multiple of
// 8. A null image when the clipped rectangle is empty.
Image trimmed(const Image& image, const PixelRect& rect);

}  // namespace tavlo::process
