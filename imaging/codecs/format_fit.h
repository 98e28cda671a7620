#pragma once

#include "imaging/codecs/image_format.h"
#include "imaging/image.h"

namespace tavlo::codecs {

// The image as the format's writer takes it: for GIF, whose writer takes palette codes only, a
// direct-colour image (16, 24, 32) becomes a palette image, as image_format.h lists; every other
// image is returned as it is (sharing its pixels, no copy), since the other writers convert row
// by row as they write. The image passed in is never changed. A null image when memory runs out.
Image fitForFormat(const Image& image, ImageFormat format);

// Direct colour as a 256-entry palette: exact when the image holds at most 256 colours (code 80
// when they are all grey, else 8); otherwise 256 colours chosen for the image with error-diffusion
// dithering (libimagequant). Palette codes are returned unchanged.
Image toPalette256(const Image& image);

}  // namespace tavlo::codecs
