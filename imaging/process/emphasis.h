#pragma once

#include "imaging/image.h"

#include <QPolygon>

namespace tavlo::process {

// Emphasis of a region: each function changes only the pixels inside the polygon (pixel centres
// inside, even-odd rule; see polygon_region.h) by a colour map applied to each pixel's colour, and
// returns false, changing nothing, when the polygon holds no pixel of the image.
//
// How each code takes the new colours: 24 and 32 exactly; 16 on its widened channels, truncated
// back; grey 80 keeps the luma of the new colour (a grey image stays grey); 1-bit and palette
// images keep the indices outside and give the inside the new colours as new palette entries while
// the palette has room (16 entries for 4 and 40, 256 for 8), otherwise the nearest existing entry.
// A 40 image that gains coloured entries becomes 4, as every palette image whose entries are not
// all grey is. (The main window works on 16 bits, so these rules only matter for direct callers.)

// The relative fill: adds red, green and blue to the channels (clamped to 0..255). The main window
// lifts by 55 each, which lightens the region.
bool emphasizeRelativeFill(Image& image, const QPolygon& polygon, int red, int green, int blue);

// The relative adjustment: a contrast change about the middle level 128. contrast is -255..255
// (clamped): below 0 each channel moves towards 128 by the factor (255 + contrast) / 255, so -255
// flattens the region to mid grey; above 0 it moves away by 255 / (255 - contrast). The main window
// passes -100 (factor 0.61) after its lift of 55, so the region becomes a lighter, flatter
// panel: white paper turns light grey (205), black text dark grey (97), and it stands out from
// the page while staying readable.
bool emphasizeRelativeAdjust(Image& image, const QPolygon& polygon, int contrast);

// The marker: a highlighter pen, multiplying each channel by the marker colour's channel / 255,
// so white paper takes the marker colour and black text stays black. red, green, blue are the
// marker colour (each 0..255, clamped); a negative component asks for the standard highlighter
// yellow (255, 255, 0), which is what the main window's (0, 0, -1) means.
bool emphasizeMarker(Image& image, const QPolygon& polygon, int red, int green, int blue);

}  // namespace tavlo::process
