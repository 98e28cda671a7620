#include "imaging/process/row_reader.h"

#include "imaging/process/colour_math.h"

namespace tavlo::process {

RowReader::RowReader(const Image& image) : m_image(image)
{
    if (image.code() == ColourCode::Grey256) {
        for (int i = 0; i < 256; ++i)
            m_palette[i] = qRgb(i, i, i);
    } else if (isIndexedCode(image.code())) {
        const QVector<QRgb> palette = image.palette();
        for (int i = 0; i < int(palette.size()) && i < 256; ++i)
            m_palette[i] = palette[i] | 0xff000000u;
    }
    for (int i = 0; i < 256; ++i)
        m_lumas[i] =
            uchar(process::luma(qRed(m_palette[i]), qGreen(m_palette[i]), qBlue(m_palette[i])));
}

const uchar* RowReader::indices(int y, uchar* buffer) const
{
    const uchar* in = m_image.scanLine(y);
    if (m_image.code() != ColourCode::Mono)
        return in;
    const int width = m_image.width();
    for (int x = 0; x < width; ++x)
        buffer[x] = (in[x >> 3] >> (7 - (x & 7))) & 1;
    return buffer;
}

const uchar* RowReader::bgr(int y, uchar* buffer) const
{
    const int width = m_image.width();
    const uchar* in = m_image.scanLine(y);
    switch (m_image.code()) {
    case ColourCode::Rgb24: return in;
    case ColourCode::Rgb32:
        for (int x = 0; x < width; ++x) {
            buffer[3 * x] = in[4 * x];
            buffer[3 * x + 1] = in[4 * x + 1];
            buffer[3 * x + 2] = in[4 * x + 2];
        }
        return buffer;
    case ColourCode::Rgb555: {
        const quint16* words = reinterpret_cast<const quint16*>(in);
        for (int x = 0; x < width; ++x) {
            const int w = words[x];
            buffer[3 * x] = uchar(expand5(w & 31));
            buffer[3 * x + 1] = uchar(expand5((w >> 5) & 31));
            buffer[3 * x + 2] = uchar(expand5((w >> 10) & 31));
        }
        return buffer;
    }
    case ColourCode::Grey256:
        for (int x = 0; x < width; ++x)
            buffer[3 * x] = buffer[3 * x + 1] = buffer[3 * x + 2] = in[x];
        return buffer;
    case ColourCode::Mono:
    case ColourCode::Palette16:
    case ColourCode::Grey16:
    case ColourCode::Palette256: {
        // Unpack 1-bit indices into the tail of the buffer first (it has room for 3 x width).
        const uchar* index =
            m_image.code() == ColourCode::Mono ? indices(y, buffer + 2 * width) : in;
        for (int x = 0; x < width; ++x) {
            const QRgb c = m_palette[index[x]];
            buffer[3 * x] = uchar(qBlue(c));
            buffer[3 * x + 1] = uchar(qGreen(c));
            buffer[3 * x + 2] = uchar(qRed(c));
        }
        return buffer;
    }
    }
    return buffer;
}

const uchar* RowReader::luma(int y, uchar* buffer) const
{
    const int width = m_image.width();
    const uchar* in = m_image.scanLine(y);
    switch (m_image.code()) {
    case ColourCode::Grey256: return in;
    case ColourCode::Rgb24:
        for (int x = 0; x < width; ++x)
            buffer[x] = uchar(process::luma(in[3 * x + 2], in[3 * x + 1], in[3 * x]));
        return buffer;
    case ColourCode::Rgb32:
        for (int x = 0; x < width; ++x)
            buffer[x] = uchar(process::luma(in[4 * x + 2], in[4 * x + 1], in[4 * x]));
        return buffer;
    case ColourCode::Rgb555: {
        const quint16* words = reinterpret_cast<const quint16*>(in);
        for (int x = 0; x < width; ++x) {
            const int w = words[x];
            buffer[x] = uchar(
                process::luma(expand5((w >> 10) & 31), expand5((w >> 5) & 31), expand5(w & 31)));
        }
        return buffer;
    }
    case ColourCode::Mono:
    case ColourCode::Palette16:
    case ColourCode::Grey16:
    case ColourCode::Palette256: {
        // indices() writes at most width bytes, and the lookup can run in place.
        const uchar* index = indices(y, buffer);
        for (int x = 0; x < width; ++x)
            buffer[x] = m_lumas[index[x]];
        return buffer;
    }
    }
    return buffer;
}

}  // namespace tavlo::process
