#include "imaging/process/mirror.h"

#include "imaging/process/parallel_rows.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace tavlo::process {
namespace {

template <int Bytes> void reversePixels(uchar* row, int width)
{
    uchar* a = row;
    uchar* b = row + std::size_t(width - 1) * Bytes;
    uchar t[Bytes];
    while (a < b) {
        std::memcpy(t, a, Bytes);
        std::memcpy(a, b, Bytes);
        std::memcpy(b, t, Bytes);
        a += Bytes;
        b -= Bytes;
    }
}

// Reverses the first width bits of a 1-bit row (most significant bit first).
void reverseBits(uchar* row, int width, std::vector<uchar>& bits)
{
    if (width <= 0)
        return;
    bits.resize(std::size_t(width));
    for (int x = 0; x < width; ++x)
        bits[x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
    const int bytes = (width + 7) / 8;
    std::memset(row, 0, std::size_t(bytes));
    for (int x = 0; x < width; ++x)
        row[x >> 3] |= uchar(bits[width - 1 - x] << (7 - (x & 7)));
}

void mirrorRows(const WritableRows& rows, int depth, int width, int begin, int end)
{
    std::vector<uchar> bits;
    for (int y = begin; y < end; ++y) {
        uchar* row = rows[y];
        switch (depth) {
        case 1: reverseBits(row, width, bits); break;
        case 8: std::reverse(row, row + width); break;
        case 16: reversePixels<2>(row, width); break;
        case 24: reversePixels<3>(row, width); break;
        default: reversePixels<4>(row, width); break;
        }
    }
}

}  // namespace

void mirrorInPlace(Image& image, bool leftRight, bool topBottom)
{
    if (image.isNull() || (!leftRight && !topBottom))
        return;
    QImage& pixels = image.pixels();
    const WritableRows rows(pixels);  // detaches when shared
    if (!rows.bits)
        return;
    const qsizetype stride = rows.stride;
    const int height = pixels.height();
    const int width = pixels.width();
    const int depth = pixels.depth();
    if (leftRight) {
        parallelRows(height, 64,
                     [&](int begin, int end) { mirrorRows(rows, depth, width, begin, end); });
    }
    if (topBottom) {
        parallelRows(height / 2, 64, [&](int begin, int end) {
            std::vector<uchar> spare(static_cast<std::size_t>(stride));
            for (int y = begin; y < end; ++y) {
                uchar* a = rows[y];
                uchar* b = rows[height - 1 - y];
                std::memcpy(spare.data(), a, std::size_t(stride));
                std::memcpy(a, b, std::size_t(stride));
                std::memcpy(b, spare.data(), std::size_t(stride));
            }
        });
    }
}

Image mirrored(const Image& image, bool leftRight, bool topBottom)
{
    Image copy = image;
    mirrorInPlace(copy, leftRight, topBottom);
    return copy;
}

}  // namespace tavlo::process
