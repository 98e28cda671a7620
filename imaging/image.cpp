#include "imaging/image.h"

#include <algorithm>

namespace tavlo {
namespace {

bool allGrey(const QVector<QRgb>& palette)
{
    return std::all_of(palette.begin(), palette.end(),
                       [](QRgb c) { return qRed(c) == qGreen(c) && qGreen(c) == qBlue(c); });
}

// The 16 colours of the standard VGA palette: the start palette of a new 16-colour image.
QVector<QRgb> vgaPalette16()
{
    return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

// A 6 x 6 x 6 colour cube followed by 40 greys: the start palette of a new 256-colour image.
QVector<QRgb> cubePalette256()
{
    QVector<QRgb> palette;
    palette.reserve(256);
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                palette.append(qRgb(r * 51, g * 51, b * 51));
    for (int i = 0; i < 40; ++i) {
        const int level = (i * 255 + 19) / 39;
        palette.append(qRgb(level, level, level));
    }
    return palette;
}

QVector<QRgb> evenGreys16()
{
    QVector<QRgb> greys(16);
    for (int i = 0; i < 16; ++i)
        greys[i] = qRgb(i * 17, i * 17, i * 17);
    return greys;
}

bool indicesInside(const QImage& image, int count)
{
    for (int y = 0; y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            if (row[x] >= count)
                return false;
        }
    }
    return true;
}

}  // namespace

bool Image::sizeAllowed(int width, int height, ColourCode code)
{
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
        return false;
    // Storage bits per pixel: 4-bit codes are held one byte per pixel.
    const int storageBits = bitsPerPixel(code) == 4 ? 8 : bitsPerPixel(code);
    const qint64 rowBytes = ((qint64(width) * storageBits + 31) / 32) * 4;
    return rowBytes * height <= kMaxStorageBytes;
}

Image Image::create(int width, int height, ColourCode code)
{
    Image image;
    if (!sizeAllowed(width, height, code))
        return image;
    QImage pixels(width, height, storageFormat(code));
    if (pixels.isNull())
        return image;
    pixels.fill(0);
    switch (code) {
    case ColourCode::Mono: pixels.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)}); break;
    case ColourCode::Grey16: pixels.setColorTable(evenGreys16()); break;
    case ColourCode::Palette16: pixels.setColorTable(vgaPalette16()); break;
    case ColourCode::Palette256: pixels.setColorTable(cubePalette256()); break;
    default: break;
    }
    if (code == ColourCode::Rgb32)
        pixels.fill(qRgb(0, 0, 0));
    image.m_pixels = std::move(pixels);
    image.m_code = code;
    return image;
}

Image Image::fromIndexed(QImage indexed, int bits)
{
    Image image;
    if (indexed.isNull() || indexed.format() != QImage::Format_Indexed8 || (bits != 4 && bits != 8))
        return image;
    QVector<QRgb> palette = indexed.colorTable();
    const int capacity = bits == 4 ? 16 : 256;
    if (palette.isEmpty() || palette.size() > capacity)
        return image;
    if (!indicesInside(indexed, palette.size())) {
        const uchar last = uchar(palette.size() - 1);
        for (int y = 0; y < indexed.height(); ++y) {
            uchar* row = indexed.scanLine(y);
            for (int x = 0; x < indexed.width(); ++x)
                row[x] = std::min(row[x], last);
        }
    }
    const bool grey = allGrey(palette);
    if (bits == 4) {
        image.m_code = grey ? ColourCode::Grey16 : ColourCode::Palette16;
        image.m_pixels = std::move(indexed);
        return image;
    }
    if (!grey) {
        image.m_code = ColourCode::Palette256;
        image.m_pixels = std::move(indexed);
        return image;
    }
    QImage levels(indexed.width(), indexed.height(), QImage::Format_Grayscale8);
    if (levels.isNull())
        return image;
    uchar lut[256] = {};
    for (int i = 0; i < palette.size(); ++i)
        lut[i] = uchar(qRed(palette[i]));
    for (int y = 0; y < indexed.height(); ++y) {
        const uchar* in = indexed.constScanLine(y);
        uchar* out = levels.scanLine(y);
        for (int x = 0; x < indexed.width(); ++x)
            out[x] = lut[in[x]];
    }
    image.m_code = ColourCode::Grey256;
    image.m_pixels = std::move(levels);
    return image;
}

Image Image::fromStorage(QImage pixels, ColourCode code)
{
    Image image;
    image.m_pixels = std::move(pixels);
    image.m_code = code;
    if (!image.isValid())
        return Image();
    return image;
}

void Image::setDpi(int x, int y)
{
    m_dpiX = std::max(0, x);
    m_dpiY = std::max(0, y);
}

QRgb Image::pixelColour(int x, int y) const
{
    return m_pixels.pixel(x, y) | 0xff000000u;
}

qint64 Image::dibDataSize() const
{
    if (isNull())
        return 0;
    const qint64 rowBytes = ((qint64(width()) * bitCount() + 31) / 32) * 4;
    return rowBytes * height();
}

bool Image::isValid() const
{
    if (isNull() || !sizeAllowed(width(), height(), m_code) ||
        m_pixels.format() != storageFormat(m_code))
        return false;
    const QVector<QRgb> palette = m_pixels.colorTable();
    switch (m_code) {
    case ColourCode::Mono: return palette.size() == 2;
    case ColourCode::Palette16:
    case ColourCode::Grey16:
        return !palette.isEmpty() && palette.size() <= 16 &&
               allGrey(palette) == (m_code == ColourCode::Grey16) &&
               indicesInside(m_pixels, palette.size());
    case ColourCode::Palette256:
        return !palette.isEmpty() && palette.size() <= 256 && !allGrey(palette) &&
               indicesInside(m_pixels, palette.size());
    default: return true;
    }
}

bool samePixels(const Image& a, const Image& b)
{
    if (a.code() != b.code() || a.width() != b.width() || a.height() != b.height())
        return false;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixelColour(x, y) != b.pixelColour(x, y))
                return false;
        }
    }
    return true;
}

}  // namespace tavlo
