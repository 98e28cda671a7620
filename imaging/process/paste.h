#pragma once

#include "imaging/image.h"

namespace tavlo::process {

// Puts piece onto image so that the piece's top-left pixel lands on pixel (x, y) of image (x and
// y may be negative); what falls outside the image is cut off. The image keeps its size, code,
// palette and dots per inch. The piece is taken as it is when it has the image's code (and, for
// palette codes, the same palette); otherwise its colours are brought to the image's code: direct
// and grey 80 images by conversion (16 truncates, 80 takes the luma), 1-bit and palette images by
// the nearest entry of the image's own palette.
// Returns false, changing nothing, when no pixel of the piece lands inside the image or either
// image is empty.
bool pasteInPlace(Image& image, const Image& piece, int x, int y);

}  // namespace tavlo::process
