#pragma once

#include "imaging/image.h"

#include <QByteArray>
#include <QRgb>
#include <QSize>

namespace tavlo {

// An SVG picture from the clipboard: the vector picture of this program (what a metafile is on
// other systems). Rendering uses Qt Svg; nothing outside the document is fetched.
class SvgPicture {
public:
    // Pictures larger than this on either side are rendered at this size, aspect kept, so a
    // document that claims an absurd size cannot make the program allocate gigabytes.
    static constexpr int kMaxSide = 4096;
    // SVG user units are CSS pixels, 96 to the inch.
    static constexpr int kDotsPerInch = 96;

    explicit SvgPicture(QByteArray document);

    bool isValid() const { return !m_size.isEmpty(); }

    // The picture's own size in pixels (its width and height, else its view box), within kMaxSide.
    QSize size() const { return m_size; }

    // The picture drawn over the background colour at size (its own size when empty), as a 24- or
    // 32-bit image at 96 dots per inch. Null when the picture is not valid, the size is not allowed
    // or code is neither Rgb24 nor Rgb32.
    Image render(QRgb background, QSize size = QSize(), ColourCode code = ColourCode::Rgb24) const;

private:
    QByteArray m_document;
    QSize m_size;
};

}  // namespace tavlo
