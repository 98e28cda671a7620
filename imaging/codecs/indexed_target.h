#pragma once

#include "imaging/image.h"

#include <QImage>
#include <QVector>

#include <array>

namespace tavlo::codecs {

// Where a decoder of 2-, 4- or 8-bit palette pixels puts them: decided once the palette is known,
// before any pixel is read, so the pixels are decoded straight into their final storage.
// A 4-bit (or 2-bit) file becomes code 4, or 40 when every palette entry is grey. An 8-bit file
// becomes code 8, or 80 when every entry is grey; for 80 the rows hold grey levels, reached through
// the palette as each row is finished, so no second copy of the image is ever made.
class IndexedTarget {
public:
    // palette: 1..16 entries for bits 4, 1..256 for bits 8.
    IndexedTarget(const QVector<QRgb>& palette, int bits);

    ColourCode code() const { return m_code; }
    QImage::Format format() const { return storageFormat(m_code); }

    // Checks one decoded row of width indices (one per byte) and, for code 80, replaces each index
    // by its grey level. False when an index lies outside the palette.
    bool finishRow(uchar* row, int width) const;

    // Wraps the finished pixels (in format()) as an Image with the palette; null when they are not
    // valid.
    Image make(QImage pixels) const;

private:
    QVector<QRgb> m_palette;
    ColourCode m_code;
    std::array<uchar, 256> m_levels{};
};

}  // namespace tavlo::codecs
