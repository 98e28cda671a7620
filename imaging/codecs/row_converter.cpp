#include "imaging/codecs/row_converter.h"

#include <cstring>

namespace tavlo::codecs {
namespace {

// 5-bit channel to 8 bits by repeating its top bits, as QImage expands 5-5-5 pixels.
inline uchar expand5(unsigned v)
{
    return uchar((v << 3) | (v >> 2));
}

}  // namespace

RowConverter::RowConverter(const Image& image) : m_image(image)
{
    const QVector<QRgb> palette = image.palette();
    bool grey = true;
    for (int i = 0; i < palette.size() && i < 256; ++i) {
        m_palette[i] = palette[i];
        grey = grey && qRed(palette[i]) == qGreen(palette[i]) &&
               qGreen(palette[i]) == qBlue(palette[i]);
    }
    switch (image.code()) {
    case ColourCode::Grey16:
    case ColourCode::Grey256: m_greyOnly = true; break;
    case ColourCode::Mono:
    case ColourCode::Palette16:
    case ColourCode::Palette256: m_greyOnly = grey && !palette.isEmpty(); break;
    default: m_greyOnly = false; break;
    }
}

template <bool Bgr> void RowConverter::colourRow(int y, uchar* out) const
{
    constexpr int b = Bgr ? 0 : 2;
    constexpr int r = Bgr ? 2 : 0;
    const uchar* in = m_image.scanLine(y);
    const int width = m_image.width();
    switch (m_image.code()) {
    case ColourCode::Mono:
        for (int x = 0; x < width; ++x, out += 3) {
            const QRgb c = m_palette[(in[x >> 3] >> (7 - (x & 7))) & 1];
            out[b] = uchar(qBlue(c));
            out[1] = uchar(qGreen(c));
            out[r] = uchar(qRed(c));
        }
        break;
    case ColourCode::Palette16:
    case ColourCode::Grey16:
    case ColourCode::Palette256:
        for (int x = 0; x < width; ++x, out += 3) {
            const QRgb c = m_palette[in[x]];
            out[b] = uchar(qBlue(c));
            out[1] = uchar(qGreen(c));
            out[r] = uchar(qRed(c));
        }
        break;
    case ColourCode::Grey256:
        for (int x = 0; x < width; ++x, out += 3)
            out[0] = out[1] = out[2] = in[x];
        break;
    case ColourCode::Rgb555: {
        for (int x = 0; x < width; ++x, out += 3) {
            const unsigned v = unsigned(in[2 * x]) | (unsigned(in[2 * x + 1]) << 8);
            out[r] = expand5((v >> 10) & 31);
            out[1] = expand5((v >> 5) & 31);
            out[b] = expand5(v & 31);
        }
        break;
    }
    case ColourCode::Rgb24:
        if constexpr (Bgr) {
            std::memcpy(out, in, size_t(width) * 3);
        } else {
            for (int x = 0; x < width; ++x, in += 3, out += 3) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
            }
        }
        break;
    case ColourCode::Rgb32:
        for (int x = 0; x < width; ++x, in += 4, out += 3) {
            out[b] = in[0];
            out[1] = in[1];
            out[r] = in[2];
        }
        break;
    }
}

void RowConverter::bgr(int y, uchar* out) const
{
    colourRow<true>(y, out);
}

void RowConverter::rgb(int y, uchar* out) const
{
    colourRow<false>(y, out);
}

void RowConverter::grey(int y, uchar* out) const
{
    const uchar* in = m_image.scanLine(y);
    const int width = m_image.width();
    switch (m_image.code()) {
    case ColourCode::Mono:
        for (int x = 0; x < width; ++x)
            out[x] = uchar(qRed(m_palette[(in[x >> 3] >> (7 - (x & 7))) & 1]));
        break;
    case ColourCode::Palette16:
    case ColourCode::Grey16:
    case ColourCode::Palette256:
        for (int x = 0; x < width; ++x)
            out[x] = uchar(qRed(m_palette[in[x]]));
        break;
    case ColourCode::Grey256: std::memcpy(out, in, size_t(width)); break;
    case ColourCode::Rgb555:
        for (int x = 0; x < width; ++x)
            out[x] = expand5((unsigned(in[2 * x + 1]) >> 2) & 31);
        break;
    case ColourCode::Rgb24:
        for (int x = 0; x < width; ++x)
            out[x] = in[3 * x + 2];
        break;
    case ColourCode::Rgb32:
        for (int x = 0; x < width; ++x)
            out[x] = in[4 * x + 2];
        break;
    }
}

}  // namespace tavlo::codecs
