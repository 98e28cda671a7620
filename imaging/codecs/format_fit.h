#pragma once

#include "imaging/codecs/image_format.h"
#include "imaging/image.h"

namespace tavlo::codecs {

// The image as the format will hold it: the image itself (sharing its pixels, no copy) when the
// format holds its code, otherwise a converted copy at the nearest code the format holds, as the
// table in image_format.h lists. The image passed in is never changed. A null image when memory
// runs out.
Image fitForFormat(const Image& image, ImageFormat format);

// The same colours at 24 bits (every code; exact).
Image toRgb24(const Image& image);

// The same greys at code 80. Only for images whose colours are all grey (codes 40 and 80, and
// 1 with a grey palette); other images give a null image.
Image toGrey256(const Image& image);

// Direct colour as a 256-entry palette: exact when the image holds at most 256 colours (code 80
// when they are all grey, else 8); otherwise 256 colours chosen for the image with error-diffusion
// dithering (libimagequant). Palette codes are returned unchanged.
Image toPalette256(const Image& image);

}  // namespace tavlo::codecs
