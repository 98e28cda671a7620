#include "bench/test_page.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tavlo::bench {
namespace {

// xorshift32: small, fast and the same on every machine.
struct Random {
    quint32 state;
    quint32 next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    int below(int n) { return int(next() % quint32(n)); }
    // Roughly normal noise in [-spread, spread] (sum of three uniforms).
    int noise(int spread)
    {
        const int span = 2 * spread + 1;
        return (below(span) + below(span) + below(span)) / 3 - spread;
    }
};

uchar clampByte(int v)
{
    return uchar(std::clamp(v, 0, 255));
}

// Ink coverage of the text area: 1 where a stroke is, 0 on paper.
void drawStrokes(std::vector<uchar>& ink, int width, int height, Random& random, double scale)
{
    auto box = [&](int x0, int y0, int w, int h) {
        for (int y = std::max(0, y0); y < std::min(height, y0 + h); ++y)
            std::fill(ink.begin() + qsizetype(y) * width + std::max(0, x0),
                      ink.begin() + qsizetype(y) * width + std::min(width, x0 + w), uchar(1));
    };
    const int margin = int(200 * scale);
    const int lineHeight = std::max(8, int(50 * scale));
    const int xHeight = std::max(4, int(24 * scale));
    const int stem = std::max(1, int(4 * scale));
    // Title: large strokes.
    for (int x = margin; x < width / 2; x += int(70 * scale))
        box(x, margin, int(48 * scale), int(80 * scale));
    for (int y = margin + int(160 * scale); y + lineHeight < height - margin; y += lineHeight) {
        // Leave room for the photo in the middle third of the page.
        if (y > height / 3 && y < height / 3 + int(1100 * scale))
            continue;
        int x = margin;
        const int lineEnd = width - margin - random.below(std::max(1, int(400 * scale)));
        while (x < lineEnd) {
            const int letters = 2 + random.below(8);
            for (int i = 0; i < letters && x < lineEnd; ++i) {
                const int w = std::max(2, int((14 + random.below(10)) * scale));
                const bool ascender = random.below(3) == 0;
                const int top = y + (ascender ? 0 : xHeight / 2);
                box(x, top, stem, y + xHeight + xHeight / 2 - top);       // stem
                box(x, y + xHeight / 2, w, stem);                           // top bar
                if (random.below(2))
                    box(x + w - stem, y + xHeight / 2, stem, xHeight);      // second stem
                if (random.below(2))
                    box(x, y + xHeight + xHeight / 2 - stem, w, stem);      // bottom bar
                x += w + std::max(2, int(6 * scale));
            }
            x += std::max(4, int(22 * scale));
        }
    }
}

}  // namespace

Image makeTestPage(int width, int height, unsigned seed)
{
    Image page = Image::create(width, height, ColourCode::Rgb24);
    if (page.isNull())
        return page;
    page.setDpi(300, 300);
    Random random{seed ? seed : 1u};
    const double scale = width / 2480.0;

    std::vector<uchar> ink(std::size_t(width) * height, 0);
    drawStrokes(ink, width, height, random, scale);

    const int photoLeft = int(540 * scale), photoTop = height / 3 + int(50 * scale);
    const int photoWidth = int(1400 * scale), photoHeight = int(1000 * scale);
    const int stampX = width - int(520 * scale), stampY = int(260 * scale);
    const int stampR = int(110 * scale);

    for (int y = 0; y < height; ++y) {
        uchar* row = page.scanLine(y);
        for (int x = 0; x < width; ++x) {
            int r = 250, g = 248, b = 243;
            // Soft ink edges: coverage of the 3 x 3 neighbourhood.
            int cover = 0;
            for (int dy = -1; dy <= 1; ++dy) {
                const int yy = std::clamp(y + dy, 0, height - 1);
                for (int dx = -1; dx <= 1; ++dx)
                    cover += ink[std::size_t(yy) * width + std::clamp(x + dx, 0, width - 1)];
            }
            if (cover) {
                r += (22 - r) * cover / 9;
                g += (24 - g) * cover / 9;
                b += (38 - b) * cover / 9;
            }
            const int px = x - photoLeft, py = y - photoTop;
            if (px >= 0 && py >= 0 && px < photoWidth && py < photoHeight) {
                // Sky-like gradient at the top, warm ground below, a sun and a few hills.
                const double u = double(px) / photoWidth, v = double(py) / photoHeight;
                r = int(60 + 150 * v + 40 * std::sin(u * 6.0));
                g = int(110 + 90 * (1 - v) + 30 * std::cos(u * 4.0 + v * 3.0));
                b = int(200 - 140 * v);
                const double hill = 0.55 + 0.1 * std::sin(u * 9.0);
                if (v > hill) {
                    r = int(70 + 60 * u);
                    g = int(120 + 50 * (v - hill));
                    b = int(40 + 20 * u);
                }
                const double sx = u - 0.72, sy = v - 0.25;
                const double sun = sx * sx + sy * sy;
                if (sun < 0.006) {
                    r = 255;
                    g = int(230 - 4000 * sun);
                    b = 120;
                }
                r += random.noise(6);
                g += random.noise(6);
                b += random.noise(6);
            } else {
                const int grain = random.noise(3);
                r += grain;
                g += grain;
                b += grain + random.noise(1);
            }
            const int sdx = x - stampX, sdy = y - stampY;
            const int d2 = sdx * sdx + sdy * sdy;
            if (d2 < stampR * stampR && d2 > (stampR - int(14 * scale) - 1) * (stampR - int(14 * scale) - 1)) {
                r = 205 + random.noise(8);
                g = 40 + random.noise(8);
                b = 45 + random.noise(8);
            }
            if (y >= int(420 * scale) && y < int(420 * scale) + std::max(1, int(5 * scale)) &&
                x >= int(200 * scale) && x < width - int(200 * scale)) {
                r = 30;
                g = 60;
                b = 170;
            }
            uchar* p = row + 3 * x;  // B, G, R
            p[0] = clampByte(b);
            p[1] = clampByte(g);
            p[2] = clampByte(r);
        }
    }
    return page;
}

}  // namespace tavlo::bench
