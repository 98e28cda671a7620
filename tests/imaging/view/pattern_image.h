#pragma once

#include "imaging/image.h"

namespace tavlo::test {

// An image of the code whose neighbouring pixels differ, so a pixel taken from the wrong place
// shows: indexed codes use their whole palette (distinct colours, or distinct greys for 40), 80
// uses every grey level, 16 every 5-bit value, 24 and 32 distinct colours. Dots per inch 0.
Image patternImage(ColourCode code, int width, int height);

// A 4960 x 7016 page (A4 at 600 dpi) at 24 (Rgb24) or 1 (Mono) bits with text-like strokes.
Image a4Page(ColourCode code);

}  // namespace tavlo::test
