#pragma once

#include "imaging/image.h"
#include "imaging/shape/mark.h"

#include <QRect>

#include <vector>

namespace tavlo {

// Paints the marks into the image's pixels, in order, each over the image as the marks before it
// left it, and returns the rectangle of pixels that changed (empty when none did). The image keeps
// its colour-depth code, its palette and its dots per inch; a pixel changes only where a mark gives
// it a different colour, so nothing outside the marks moves and the rest of the image is never
// dithered or re-quantised.
//
// Per code, a pixel the marks recolour becomes:
//   24, 32  the colour as painted;
//   16      the colour cut to 5 bits per channel;
//   80      the luma of the colour;
//   1, 4, 40, 8  the nearest entry of the image's own palette (squared R, G, B distance), so a
//           1-bit page takes black or white and a grey palette its nearest grey.
// Only the pixels near a mark are painted (Mark::area: bands along strokes, rings of outlines),
// over one canvas per mark, or tile by tile for a mark that spans much of a large page, so a
// commit costs what the marks cover, not what their boxes span. Bands of rows of a fixed height
// are committed on the worker threads, each band taking every mark in order.
QRect commitMarks(Image& image, const std::vector<Mark>& marks);

}  // namespace tavlo
