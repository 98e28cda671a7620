#include "tests/imaging/codecs/codec_test_support.h"

#include <QBuffer>

#include <algorithm>
#include <cstdlib>
#include <random>

namespace tavlo::codecs::test {
namespace {

QRgb randomColour(std::mt19937& random, bool grey)
{
    const int r = int(random() % 256);
    if (grey)
        return qRgb(r, r, r);
    return qRgb(r, int(random() % 256), int(random() % 256));
}

QVector<QRgb> makePalette(ColourCode code, PaletteKind kind, std::mt19937& random)
{
    if (code == ColourCode::Mono) {
        if (kind == PaletteKind::ColourPair)
            return {qRgb(200, 30, 40), qRgb(10, 90, 250)};
        if (kind == PaletteKind::WhiteBlack)
            return {qRgb(255, 255, 255), qRgb(0, 0, 0)};
        return {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    }
    const bool grey = isGreyCode(code);
    int count = paletteCapacity(code);
    if (kind == PaletteKind::Short)
        count = bitsPerPixel(code) == 4 ? 3 : 10;
    QVector<QRgb> palette;
    if (kind == PaletteKind::EvenGreys) {
        for (int i = 0; i < 16; ++i)
            palette.append(qRgb(i * 17, i * 17, i * 17));
        return palette;
    }
    for (int i = 0; i < count; ++i)
        palette.append(randomColour(random, grey));
    if (!grey)
        palette[0] = qRgb(255, 0, 0);  // never all grey by chance
    else if (count > 1)
        palette[1] = qRgb(5, 5, 5);  // a level that no even grey matches
    return palette;
}

}  // namespace

Image patternImage(int width, int height, ColourCode code, PaletteKind kind, std::uint32_t seed)
{
    std::mt19937 random(seed * 7919u + std::uint32_t(code));
    Image image = Image::create(width, height, code);
    QImage& pixels = image.pixels();
    if (isIndexedCode(code) && code != ColourCode::Grey256) {
        const QVector<QRgb> palette = makePalette(code, kind, random);
        pixels.setColorTable(palette);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                // The first pixels walk through the palette, so every entry is used.
                const int i = y * width + x;
                const int index = i < palette.size() ? i : int(random() % palette.size());
                if (code == ColourCode::Mono)
                    pixels.setPixel(x, y, uint(index));
                else
                    pixels.scanLine(y)[x] = uchar(index);
            }
        }
        return image;
    }
    for (int y = 0; y < height; ++y) {
        uchar* row = pixels.scanLine(y);
        const int bytes = width * (pixels.depth() / 8);
        for (int i = 0; i < bytes; ++i)
            row[i] = uchar(random());
        if (code == ColourCode::Rgb555) {
            for (int x = 0; x < width; ++x)
                row[2 * x + 1] &= 0x7f;
        }
        if (code == ColourCode::Rgb32) {
            for (int x = 0; x < width; ++x)
                row[4 * x + 3] = 0xff;
        }
    }
    return image;
}

QByteArray encode(Writer writer, const Image& image, QString* error)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadWrite);
    const QString reason = writer(image, buffer);
    if (error)
        *error = reason;
    buffer.close();
    return bytes;
}

Decoded decode(Reader reader, const QByteArray& bytes)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return reader(buffer);
}

int maxChannelDifference(const Image& a, const Image& b)
{
    int worst = 0;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y) {
        for (int x = 0; x < std::min(a.width(), b.width()); ++x) {
            const QRgb p = a.pixelColour(x, y);
            const QRgb q = b.pixelColour(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))});
        }
    }
    return worst;
}

const char* codeName(ColourCode code)
{
    switch (code) {
    case ColourCode::Mono: return "1";
    case ColourCode::Palette16: return "4";
    case ColourCode::Grey16: return "40";
    case ColourCode::Palette256: return "8";
    case ColourCode::Grey256: return "80";
    case ColourCode::Rgb555: return "16";
    case ColourCode::Rgb24: return "24";
    case ColourCode::Rgb32: return "32";
    }
    return "?";
}

}  // namespace tavlo::codecs::test
