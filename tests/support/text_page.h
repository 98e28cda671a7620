#pragma once

// Pages of printed text turned by a known angle, for the skew finder's tests and benchmark.

#include "imaging/image.h"

#include <QSize>

namespace tavlo::test {

// A white page of the size with lines of words in black (a Latin font, about 70 lines a page),
// turned about its centre by degrees (positive: the lines fall to the right, as y grows
// downwards), the uncovered corners white. Code 24, 80 or 1 (black and white by a threshold); the
// same seed gives the same words. dpi is stored across and down.
Image textPage(ColourCode code, QSize size, double degrees, int dpi = 150, unsigned seed = 1);

}  // namespace tavlo::test
