#include "tests/imaging/view/pattern_image.h"

namespace tavlo::test {
namespace {

int patternIndex(int x, int y, int count)
{
    return (x * 7 + y * 13 + (x * y) % 5) % count;
}

QRgb patternColour(int x, int y)
{
    return qRgb((x * 37 + y) & 255, (y * 59 + x * 3) & 255, (x * y + 11) & 255);
}

QVector<QRgb> distinctPalette(int count, bool grey)
{
    QVector<QRgb> palette;
    for (int i = 0; i < count; ++i) {
        const int level = count == 1 ? 0 : i * 255 / (count - 1);
        palette.append(grey ? qRgb(level, level, level) : qRgb(level, (i * 97) & 255, 255 - level));
    }
    return palette;
}

}  // namespace

Image patternImage(ColourCode code, int width, int height)
{
    Image image = Image::create(width, height, code);
    QImage& pixels = image.pixels();
    switch (code) {
    case ColourCode::Mono:
        pixels.setColorTable({qRgb(250, 240, 230), qRgb(10, 20, 30)});
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels.setPixel(x, y, uint(patternIndex(x, y, 2)));
        break;
    case ColourCode::Palette16:
    case ColourCode::Grey16:
    case ColourCode::Palette256: {
        const int count = paletteCapacity(code);
        pixels.setColorTable(distinctPalette(count, code == ColourCode::Grey16));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels.scanLine(y)[x] = uchar(patternIndex(x, y, count));
        break;
    }
    case ColourCode::Grey256:
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels.scanLine(y)[x] = uchar(patternIndex(x, y, 256));
        break;
    case ColourCode::Rgb555:
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<quint16*>(pixels.scanLine(y));
            for (int x = 0; x < width; ++x)
                row[x] = quint16(patternIndex(x, y, 32768));
        }
        break;
    case ColourCode::Rgb24:
    case ColourCode::Rgb32:
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels.setPixel(x, y, patternColour(x, y));
        break;
    }
    return image;
}

Image a4Page(ColourCode code)
{
    Image page = Image::create(4960, 7016, code);
    QImage& pixels = page.pixels();
    if (code == ColourCode::Mono) {
        pixels.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
        pixels.fill(0);
    } else {
        pixels.fill(QColor(255, 255, 250));
    }
    // Lines of "text": short dark strokes every 70 rows, like 12-point type at 600 dpi.
    for (int line = 300; line < 6700; line += 70) {
        for (int y = line; y < line + 40; ++y) {
            uchar* row = pixels.scanLine(y);
            for (int x = 400; x < 4560; ++x) {
                if ((x / 6 + y / 9) % 5 != 0 && (x % 53) < 38) {
                    if (code == ColourCode::Mono) {
                        row[x >> 3] |= uchar(0x80 >> (x & 7));
                    } else {  // Rgb24: bytes B, G, R
                        row[3 * x] = uchar(60 + y % 50);
                        row[3 * x + 1] = 30;
                        row[3 * x + 2] = uchar(20 + x % 40);
                    }
                }
            }
        }
    }
    page.setDpi(600, 600);
    return page;
}

}  // namespace tavlo::test
