#pragma once

#include "imaging/image.h"

#include <optional>

namespace tavlo::process {

// Finds how much a scanned page is turned: the dominant direction of its text lines or, on a page
// without text, of its strongest straight edges. The page is reduced to a black-and-white copy
// (dark pixels against the page's own light level, found from its histogram) and Leptonica's skew
// finder sweeps and then searches the angle at which the rows of that copy differ most.
//
// Works at every colour-depth code (1, 4, 40, 8, 80, 16, 24, 32): palette colours count by their
// luma. The copy is reduced to at most 2,000 pixels on a side (a block of pixels is black when any
// of them is dark), so a 600 dpi page costs little more than a 300 dpi page.
//
// Result: degrees, positive when the lines fall to the right (y growing downwards), so turning the
// page to the left by that much makes them level; within +-kSearchRange. No result when the page is
// blank or of one tone, or when no direction stands out with confidence.
//
// Pure and thread-safe; the image is only read.
std::optional<double> findSkew(const Image& page);

// The largest turn searched either way, in degrees.
inline constexpr double kSkewSearchRange = 12.0;

}  // namespace tavlo::process
