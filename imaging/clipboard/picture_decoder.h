#pragma once

#include "imaging/image.h"

#include <QByteArray>
#include <QImage>

#include <optional>

namespace tavlo {

// Turns a picture that Qt decoded into an Image at the colour-depth code its file says (see
// PictureHeader), or, when the file does not say, at the code its pixels suggest: 1 for two-colour
// images, 8 (or 80 when grey) for palette images, 80 for grey, 16 for 5-5-5 and 24 for everything
// else. Transparency is laid on white, since the program keeps no alpha and pages are white. A null
// image when the pixels do not fit the size limits of Image.
Image imageFromDecoded(QImage decoded, std::optional<ColourCode> code);

// Decodes picture bytes in a format Qt reads ("bmp", "png", "jpeg", ...; empty lets Qt guess),
// keeping the code and dots per inch of BMP and PNG headers. Sizes beyond the limits of Image are
// refused before any pixel is decoded. A null image when the bytes cannot be read.
Image decodePicture(const QByteArray& bytes, const QByteArray& format);

}  // namespace tavlo
