#include "imaging/view/pixel_reader.h"

namespace tavlo {

PixelReader::PixelReader(const Image& image) : m_image(image), m_code(image.code())
{
    m_lut.fill(pixel_fetch::kOpaque);
    if (m_code == ColourCode::Grey256) {
        for (quint32 i = 0; i < 256; ++i)
            m_lut[i] = pixel_fetch::kOpaque | (i << 16) | (i << 8) | i;
    } else if (isIndexedCode(m_code)) {
        const QVector<QRgb> palette = image.palette();
        for (int i = 0; i < palette.size() && i < 256; ++i)
            m_lut[i] = palette[i] | pixel_fetch::kOpaque;
    }
}

void PixelReader::gather(int y, const int* columns, int count, quint32* out) const
{
    const uchar* line = row(y);
    withFetcher([&](auto fetch) {
        for (int i = 0; i < count; ++i)
            out[i] = fetch(line, columns[i]);
    });
}

void PixelReader::span(int y, int x0, int count, quint32* out) const
{
    const uchar* line = row(y);
    withFetcher([&](auto fetch) {
        for (int i = 0; i < count; ++i)
            out[i] = fetch(line, x0 + i);
    });
}

}  // namespace tavlo
