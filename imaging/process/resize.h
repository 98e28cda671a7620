#pragma once

#include "imaging/image.h"

namespace tavlo::process {

// How resized() samples.
enum class ResizeMethod {
    Smooth = -1,  // area averaging along an axis that shrinks, bilinear along one that grows
    Nearest = 0,  // the source pixel under each output pixel's centre, copied exactly
};

// The image scaled to width x height (each 1..65535), dots per inch kept.
// Smooth: grey 80, 24 and 32 are filtered at their own code; 16 is filtered on its widened
// channels and truncated back; 1-bit and palette images (1, 4, 40, 8) are filtered in colour and
// each pixel then takes the nearest entry of the image's own palette, so code and palette stay
// (a shrunk 1-bit page turns each area black or white by which colour it is nearer to).
// Nearest: indices or pixels are copied, exact at every code.
// A null image for a size outside the limits or when out of memory.
Image resized(const Image& image, int width, int height,
              ResizeMethod method = ResizeMethod::Smooth);

}  // namespace tavlo::process
