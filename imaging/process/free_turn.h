#pragma once

#include "imaging/image.h"

namespace tavlo::process {

// How freelyTurned() fills and sizes its result.
struct FreeTurnOptions {
    bool smooth = true;               // bilinear interpolation; false: nearest pixel
    QRgb fill = qRgb(255, 255, 255);  // colour of the corners the turned image does not cover
    bool keepSize = false;            // false: grow the canvas to hold the whole turned image;
                                      // true: keep width and height, cut around the centre
};

// The image turned about its centre by centidegrees hundredths of a degree, positive to the left
// (anticlockwise as seen). The canvas grows to ceil(w |cos| + h |sin|) x ceil(w |sin| + h |cos|)
// unless keepSize. Dots per inch are kept (an exact quarter turn, which swaps them, is
// turnedQuarters()).
// Direct colour (16, 24, 32) and grey 80: bilinear when smooth, each output pixel blended from
// the four source pixels around its centre, the fill colour standing in for pixels outside the
// image so the edges are smooth; 16 is interpolated on its widened channels and truncated back.
// 1-bit and palette codes (1, 4, 40, 8): when smooth, interpolated in colour and each pixel then
// takes the nearest entry of the image's own palette, so code and palette stay; otherwise the
// nearest source pixel's index is copied. The fill is the nearest palette entry to the fill colour
// (the luma for 80).
// A null image when out of memory or beyond the size limits.
Image freelyTurned(const Image& image, int centidegrees, const FreeTurnOptions& options);

}  // namespace tavlo::process
