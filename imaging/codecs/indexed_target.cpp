#include "imaging/codecs/indexed_target.h"

#include <algorithm>

namespace tavlo::codecs {

IndexedTarget::IndexedTarget(const QVector<QRgb>& palette, int bits) : m_palette(palette)
{
    const bool grey = std::all_of(palette.begin(), palette.end(), [](QRgb c) {
        return qRed(c) == qGreen(c) && qGreen(c) == qBlue(c);
    });
    if (bits == 4)
        m_code = grey ? ColourCode::Grey16 : ColourCode::Palette16;
    else
        m_code = grey ? ColourCode::Grey256 : ColourCode::Palette256;
    for (int i = 0; i < palette.size() && i < 256; ++i)
        m_levels[std::size_t(i)] = uchar(qRed(palette[i]));
}

bool IndexedTarget::finishRow(uchar* row, int width) const
{
    const int count = int(m_palette.size());
    if (count < 256) {
        uchar highest = 0;
        for (int x = 0; x < width; ++x)
            highest = std::max(highest, row[x]);
        if (highest >= count)
            return false;
    }
    if (m_code == ColourCode::Grey256) {
        for (int x = 0; x < width; ++x)
            row[x] = m_levels[row[x]];
    }
    return true;
}

Image IndexedTarget::make(QImage pixels) const
{
    if (m_code != ColourCode::Grey256)
        pixels.setColorTable(m_palette);
    return Image::fromStorage(std::move(pixels), m_code);
}

}  // namespace tavlo::codecs
