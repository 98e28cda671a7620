#pragma once

#include "imaging/image.h"

namespace tavlo::bench {

// A colour A4 page as a 300 dpi scanner delivers it (2480 x 3508, 24 bits): off-white paper with
// grain, lines of dark text-like strokes with soft edges, a red stamp, a blue rule, and a
// photo-like area of smooth colour gradients, shapes and sensor noise. The same seed gives the same
// page, so runs and tools compare like with like. Other sizes scale the layout.
Image makeTestPage(int width = 2480, int height = 3508, unsigned seed = 1);

}  // namespace tavlo::bench
