#pragma once

#include <QtGlobal>

namespace tavlo {

class CurrentImage;

// The control's vector object: turns the current vector picture (ImageKind 2, an SVG picture
// pasted from the clipboard and shown through its raster preview) into a plain bitmap.
//
// User-interface thread only.
class VectorObject {
public:
    explicit VectorObject(CurrentImage& current) : m_current(current) { }

    // Renders the vector picture over the background colour red, green, blue (each 0..255, values
    // outside are brought inside) and makes the result the current image, a plain bitmap (kind 1)
    // at 96 dots per inch.
    //   bits:  24 or 32, the colour-depth code of the result; other values are refused.
    //   width: 0 renders the picture at its own size (the size of its preview); a positive value
    //          renders it that many pixels wide with the height following the aspect ratio.
    // False, with nothing changed, when the current image is not a vector picture or an argument
    // is refused.
    bool RenderToBitmap(int bits, int width, int red, int green, int blue);

private:
    CurrentImage& m_current;
};

}  // namespace tavlo
