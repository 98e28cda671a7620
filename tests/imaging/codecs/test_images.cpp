#include "tests/imaging/codecs/test_images.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tavlo::test {
namespace {

struct Random {
    quint32 state;
    quint32 next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
};

}  // namespace

Image makeTestImage(ColourCode code, int width, int height, quint32 seed)
{
    Random random{seed * 2654435761u + 12345u};
    Image image = Image::create(width, height, code);
    const int entries = paletteCapacity(code);
    if (code == ColourCode::Palette16 || code == ColourCode::Palette256) {
        // Colours around a loop, so neighbouring indices (and the wrap from the last to the first)
        // are near colours and JPEG can be compared with a tolerance; never grey.
        QVector<QRgb> palette(entries);
        for (int i = 0; i < entries; ++i) {
            const double a = 6.283185307179586 * i / entries;
            palette[i] = qRgb(int(128 + 100 * std::cos(a)), int(128 + 100 * std::sin(a)),
                              int(128 + 60 * std::cos(2 * a)) ^ int(random.next() % 2));
        }
        image.pixels().setColorTable(palette);
    }
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const int noise = int(random.next() % 9) - 4;
            const int smooth = (x * 255) / std::max(1, width - 1);
            const int level = std::clamp(smooth / 2 + (y * 127) / std::max(1, height - 1) + noise, 0, 255);
            switch (code) {
            case ColourCode::Mono:
                if (((x / 3 + y / 2) % 2) ^ (random.next() % 7 == 0))
                    row[x / 8] |= uchar(0x80 >> (x % 8));
                break;
            case ColourCode::Palette16:
            case ColourCode::Grey16:
            case ColourCode::Palette256:
                row[x] = uchar((x / 2 + y + int(random.next() % 2)) % entries);
                break;
            case ColourCode::Grey256: row[x] = uchar(level); break;
            case ColourCode::Rgb555: {
                const int r = level >> 3, g = (255 - level) >> 3, b = (x * 31) / std::max(1, width - 1);
                const quint16 v = quint16((r << 10) | (g << 5) | b);
                row[2 * x] = uchar(v);
                row[2 * x + 1] = uchar(v >> 8);
                break;
            }
            case ColourCode::Rgb24:
            case ColourCode::Rgb32: {
                const int step = code == ColourCode::Rgb24 ? 3 : 4;
                row[step * x] = uchar(level);
                row[step * x + 1] = uchar(255 - level);
                row[step * x + 2] = uchar(std::clamp((y * 255) / std::max(1, height - 1) + noise, 0, 255));
                break;
            }
            }
        }
    }
    image.setDpi(300, 200);
    return image;
}

double meanDifference(const Image& a, const Image& b)
{
    if (a.width() != b.width() || a.height() != b.height())
        return 1e9;
    double total = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixelColour(x, y);
            const QRgb q = b.pixelColour(x, y);
            total += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                     std::abs(qBlue(p) - qBlue(q));
        }
    }
    return total / (3.0 * a.width() * a.height());
}

}  // namespace tavlo::test
