#pragma once

#include "imaging/image.h"

namespace tavlo::process {

// What rotated() does: mirrors first (left-right, then top-bottom), then the turn.
struct RotateOptions {
    int centidegrees = 0;  // hundredths of a degree, positive turns to the left (anticlockwise)
    bool mirrorLeftRight = false;
    bool mirrorTopBottom = false;
    bool smooth = true;               // interpolate turns that are not quarter turns
    QRgb fill = qRgb(255, 255, 255);  // colour of uncovered corners
    bool keepSize = false;  // keep width and height, cutting around the centre (not for quarters)
};

// The image mirrored and turned. Mirrors and turns by whole quarters (any multiple of 9000) are
// exact at every code and never cut or fill, keep-size or not: a quarter turn swaps width and
// height and the dots per inch. Other angles go through freelyTurned() (see free_turn.h for each
// code). The angle is taken modulo 36000. A null image when out of memory or beyond the limits.
Image rotated(Image image, const RotateOptions& options);

}  // namespace tavlo::process
