#pragma once

#include "imaging/image.h"

#include <QByteArray>
#include <QImage>

#include <optional>

namespace tavlo {

// Turns a picture that Qt decoded into an Image at the given colour-depth code, or, without one, at
// the code its pixels suggest: 1 for two-colour images, 8 (or 80 when grey) for palette images, 80
// for grey, 16 for 5-5-5 and 24 for everything else. Transparency is laid on white, since the
// program keeps no alpha and pages are white. A null image when the pixels do not fit the size
// limits of Image.
Image imageFromDecoded(QImage decoded, std::optional<ColourCode> code);

// Decodes picture bytes: through the control's own decoders when the bytes are in a format they
// know (the exact code and dots per inch are kept; damaged data is refused), otherwise through Qt
// (format "png", "jpeg", ...; empty lets Qt guess) with the code the pixels suggest. Sizes beyond
// the limits of Image are refused before any pixel is decoded. A null image when the bytes cannot
// be read.
Image decodePicture(const QByteArray& bytes, const QByteArray& format);

}  // namespace tavlo
