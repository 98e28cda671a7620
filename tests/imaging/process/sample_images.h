#pragma once

#include "imaging/image.h"

namespace tavlo::test {

// Images with varied, reproducible pixels at every colour-depth code, for the pixel operation
// tests: random bits with a black-and-white palette (1), random indices into 16 colours (4), the
// 16 even greys (40), 200 colours (8), random levels (80), random 5-5-5 words (16) and random
// bytes (24, 32). Dots per inch 200 x 300, so a swap shows.
Image sampleImage(ColourCode code, int width, int height, unsigned seed = 7);

// A 1-bit image whose two colours are not black and white.
Image colouredMonoImage(int width, int height);

// A direct-colour image of one colour.
Image plainImage(ColourCode code, int width, int height, QRgb colour);

// Largest difference of any channel between two images of the same size (any codes).
int largestDifference(const Image& a, const Image& b);

}  // namespace tavlo::test
