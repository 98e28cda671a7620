#pragma once

#include "imaging/image.h"

namespace tavlo::process {

// How convertColour() reduces colours.
struct ConvertOptions {
    // Error diffusion (Floyd-Steinberg, serpentine) where colours are lost; see convertColour().
    bool dither = false;
    // 1-bit results: a pixel whose luma is >= threshold becomes white, the others black. 0 makes
    // every pixel white, 256 and above every pixel black.
    int threshold = 128;
};

// The image at another colour-depth code. Dots per inch are kept. Converting to the image's own
// code returns it unchanged. Luma is BT.601 (0.299 R + 0.587 G + 0.114 B), exact for greys.
//
// To 24 and 32 (nothing is lost): palette and 1-bit images look their colours up, grey repeats its
// level in R, G and B, 16 widens each 5-bit channel by repeating its top bits; 24 <-> 32 copies.
// To 16 (5-5-5): 24 and 32 drop the low three bits of each channel (with dither: diffusion of
// what is dropped); 1-bit and palette colours are truncated the same way, never dithered, so the
// few colours stay few and come back when the image returns to its palette; grey 40 and 80 take,
// for each level, the nearest 5-5-5 colour whose luma is exactly that level (at most 12 off in
// one channel), so grey -> 16 -> grey is the identity. 16 -> 24 -> 16 is the identity.
// To 80 (256 greys): the luma of every pixel; nothing to dither.
// To 40 (16 even greys 0, 17, ..., 255): the nearest even grey to the luma, or diffusion of the
// difference with dither.
// To 1: black and white by luma against the threshold; with dither, diffusion with the threshold
// as the decision level.
// To 4 and 8: an image with at most 16 (or 256) colours keeps exactly those colours; otherwise
// libimagequant makes the best palette and every pixel takes its nearest entry, with dither by
// three-quarter strength diffusion (full strength doubles the noise on plain paper for no visible
// gain in pictures). The diffusion is ours rather than libimagequant's remapping, which runs on one
// thread and took four times longer on a 300 dpi page for the same mean error. Grey sources (40,
// 80) stay grey: 4 gives the 16 even greys as 40 does, 8 gives all their levels exactly (code 80).
// Any palette result whose entries are all grey gets the grey code (40 or 80), as every palette
// image does. A null image (unknown code, no pixels, or out of memory) when the conversion cannot
// be done.
Image convertColour(const Image& source, ColourCode target, const ConvertOptions& options = {});

}  // namespace tavlo::process
