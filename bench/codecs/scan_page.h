#pragma once

#include "imaging/image.h"

namespace tavlo::bench {

// A colour page as a scanner delivers it, for measuring the codecs on realistic content: slightly
// tinted paper with grain, a heading and lines of small dark text with soft edges, a photo-like
// area (smooth colour fields, shapes, sensor noise), a red stamp. 2480 x 3508 is A4 at 300 dpi,
// 4960 x 7016 its 600 dpi twin (the layout scales). The same seed gives the same page.
Image makeScanPage(int width = 2480, int height = 3508, int dpi = 300, quint32 seed = 7);

// The page as 8-bit grey (luma) and as 1-bit black and white (grey below 160 is black).
Image greyPage(const Image& colour);
Image monoPage(const Image& colour);

}  // namespace tavlo::bench
