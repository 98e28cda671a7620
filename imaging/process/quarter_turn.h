#pragma once

#include "imaging/image.h"

namespace tavlo::process {

// The image turned by quarters x 90 degrees to the left (anticlockwise as seen; negative turns
// right), exactly and losslessly at every code: 1-bit, palette and grey images move their indices
// and keep their palette, direct colour moves its pixels. An odd number of quarters swaps width
// and height and the horizontal and vertical dots per inch. A null image when out of memory.
Image turnedQuarters(const Image& image, int quarters);

}  // namespace tavlo::process
