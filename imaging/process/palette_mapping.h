#pragma once

#include "imaging/image.h"

namespace tavlo::process {

// Returns a colour image (any code) to the code and palette of a model image, without making a new
// palette: 1-bit and palette models give every pixel the nearest entry of the model's palette
// (squared R, G, B distance), grey 80 the luma, 16, 24 and 32 the colour at that code (16
// truncates). Used after an operation worked in direct colour on a palette image, so the image
// keeps its code and its palette. Dots per inch come from the colour image.
Image backToCodeOf(const Image& colour, const Image& model);

}  // namespace tavlo::process
