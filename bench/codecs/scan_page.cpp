#include "bench/codecs/scan_page.h"

#include "tests/support/xorshift.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tavlo::bench {
namespace {

using Random = test::XorShift32;

// Ink coverage, 0..255 per pixel; rectangles get a half-covered rim, as a scanner's optics blur
// the edges of printed strokes.
class Ink {
public:
    Ink(int width, int height)
        : m_width(width), m_height(height), m_cover(std::size_t(width) * height)
    {
    }

    void box(int x0, int y0, int w, int h)
    {
        for (int y = y0 - 1; y <= y0 + h; ++y) {
            if (y < 0 || y >= m_height)
                continue;
            const bool rimRow = y == y0 - 1 || y == y0 + h;
            uchar* row = &m_cover[std::size_t(y) * m_width];
            for (int x = std::max(0, x0 - 1); x <= std::min(m_width - 1, x0 + w); ++x) {
                const bool rim = rimRow || x == x0 - 1 || x == x0 + w;
                row[x] = std::max<uchar>(row[x], rim ? 110 : 255);
            }
        }
    }

    uchar at(int x, int y) const { return m_cover[std::size_t(y) * m_width + x]; }

private:
    int m_width;
    int m_height;
    std::vector<uchar> m_cover;
};

// One line of text-like glyphs: stems, bars and bowls inside an x-height, with word gaps.
void textLine(Ink& ink, Random& random, int left, int right, int baseline, int xHeight, int stem)
{
    int x = left;
    while (x < right - 3 * xHeight) {
        const int letters = 2 + random.below(8);
        for (int i = 0; i < letters && x < right - xHeight; ++i) {
            const int width = xHeight * (5 + random.below(5)) / 10;
            const bool tall = random.below(4) == 0;
            const int top = baseline - xHeight - (tall ? xHeight / 2 : 0);
            ink.box(x, top, stem, baseline - top);
            switch (random.below(4)) {
            case 0: ink.box(x + width - stem, baseline - xHeight, stem, xHeight); break;
            case 1: ink.box(x, baseline - xHeight, width, stem); break;
            case 2: ink.box(x, baseline - stem, width, stem); break;
            default:
                ink.box(x + width - stem, baseline - xHeight, stem, xHeight);
                ink.box(x, baseline - xHeight / 2, width, stem);
                break;
            }
            x += width + stem * 2;
        }
        x += xHeight;  // word gap
    }
}

uchar clampByte(double v)
{
    return uchar(std::clamp(int(std::lround(v)), 0, 255));
}

}  // namespace

Image makeScanPage(int width, int height, int dpi, quint32 seed)
{
    Image page = Image::create(width, height, ColourCode::Rgb24);
    Random random{seed * 2654435761u + 1};
    const double scale = width / 2480.0;
    Ink ink(width, height);
    const int margin = int(180 * scale);
    const int photoTop = height * 45 / 100, photoBottom = height * 70 / 100;
    const int photoLeft = width * 15 / 100, photoRight = width * 85 / 100;

    // Heading, then body text above and below the photo.
    const int stem = std::max(1, int(std::lround(3 * scale)));
    for (int line = 0; line < 2; ++line)
        textLine(ink, random, margin, width / 2, margin + int((90 + line * 80) * scale),
                 int(48 * scale), stem * 3);
    for (int baseline = margin + int(300 * scale); baseline < height - margin;
         baseline += int(52 * scale)) {
        if (baseline > photoTop - int(40 * scale) && baseline < photoBottom + int(60 * scale))
            continue;
        textLine(ink, random, margin, width - margin, baseline, int(22 * scale), stem);
    }

    const double cx = width * 0.78, cy = height * 0.88, radius = 150 * scale;
    for (int y = 0; y < height; ++y) {
        uchar* row = page.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const int grain = random.below(7) - 3;
            double r = 247 + grain, g = 245 + grain, b = 238 + grain;  // paper
            if (y >= photoTop && y < photoBottom && x >= photoLeft && x < photoRight) {
                const double u = double(x - photoLeft) / (photoRight - photoLeft);
                const double v = double(y - photoTop) / (photoBottom - photoTop);
                r = 120 + 90 * std::sin(6.0 * u) * std::cos(4.0 * v) + 40 * v;
                g = 110 + 70 * std::cos(5.0 * u + 1.0) + 50 * std::sin(7.0 * v);
                b = 90 + 100 * v * u + 30 * std::sin(11.0 * u * v);
                const double dx = u - 0.35, dy = v - 0.45;
                if (dx * dx + dy * dy < 0.04) {  // a round object in the scene
                    r = 200 - 60 * (dx * dx + dy * dy) / 0.04;
                    g = 170;
                    b = 60;
                }
                const int noise = random.below(13) - 6;
                r += noise;
                g += noise + random.below(5) - 2;
                b += noise + random.below(5) - 2;
            }
            const double ring = std::hypot(x - cx, y - cy);
            if (ring > radius - 12 * scale && ring < radius) {  // a red stamp over the paper
                r = r * 0.35 + 200 * 0.65;
                g = g * 0.35 + 30 * 0.65;
                b = b * 0.35 + 40 * 0.65;
            }
            const double cover = ink.at(x, y) / 255.0;
            r = r * (1 - cover) + 28 * cover;
            g = g * (1 - cover) + 28 * cover;
            b = b * (1 - cover) + 36 * cover;
            row[3 * x] = clampByte(b);
            row[3 * x + 1] = clampByte(g);
            row[3 * x + 2] = clampByte(r);
        }
    }
    page.setDpi(dpi, dpi);
    return page;
}

Image greyPage(const Image& colour)
{
    Image grey = Image::create(colour.width(), colour.height(), ColourCode::Grey256);
    for (int y = 0; y < colour.height(); ++y) {
        const uchar* in = colour.scanLine(y);
        uchar* out = grey.scanLine(y);
        for (int x = 0; x < colour.width(); ++x)
            out[x] = uchar((in[3 * x] * 114 + in[3 * x + 1] * 587 + in[3 * x + 2] * 299) / 1000);
    }
    grey.setDpi(colour.dpiX(), colour.dpiY());
    return grey;
}

Image monoPage(const Image& colour)
{
    const Image grey = greyPage(colour);
    Image mono = Image::create(colour.width(), colour.height(), ColourCode::Mono);
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* in = grey.scanLine(y);
        uchar* out = mono.scanLine(y);
        for (int x = 0; x < grey.width(); ++x) {
            if (in[x] >= 160)
                out[x / 8] |= uchar(0x80 >> (x % 8));
        }
    }
    mono.setDpi(colour.dpiX(), colour.dpiY());
    return mono;
}

}  // namespace tavlo::bench
