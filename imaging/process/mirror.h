#pragma once

#include "imaging/image.h"

namespace tavlo::process {

// Mirrors an image left to right and/or top to bottom, exactly, at every code: 1-bit, palette and
// grey images keep their indices and palette, direct colour its pixels. Size, code and dots per
// inch stay. mirrorInPlace() works on the image's own pixels (copying them first only when
// another image shares them), so no new buffer is needed.
void mirrorInPlace(Image& image, bool leftRight, bool topBottom);
Image mirrored(const Image& image, bool leftRight, bool topBottom);

}  // namespace tavlo::process
