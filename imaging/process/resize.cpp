#include "imaging/process/resize.h"

#include "imaging/process/colour_conversion.h"
#include "imaging/process/palette_mapping.h"
#include "imaging/process/parallel_rows.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace tavlo::process {
namespace {

// The source pixels that make one output pixel along one axis, and their weights (summing to 1).
struct Taps {
    std::vector<int> first;
    std::vector<int> count;
    std::vector<int> offset;  // into weights
    std::vector<float> weights;
    int widest = 0;
};

// Shrinking: each output pixel averages the source interval it covers, partial pixels by their
// covered part. Growing (or the same size): bilinear between the two source pixels around the
// output pixel's centre, the edge pixels repeated beyond the image.
Taps tapsFor(int in, int out)
{
    Taps taps;
    taps.first.resize(out);
    taps.count.resize(out);
    taps.offset.resize(out);
    const double scale = double(in) / out;
    for (int o = 0; o < out; ++o) {
        taps.offset[o] = int(taps.weights.size());
        if (out < in) {
            const double start = o * scale, end = (o + 1) * scale;
            const int first = int(std::floor(start));
            const int last = std::min(in - 1, int(std::ceil(end)) - 1);
            taps.first[o] = first;
            for (int i = first; i <= last; ++i) {
                const double covered = std::min(end, i + 1.0) - std::max(start, double(i));
                taps.weights.push_back(float(covered / scale));
            }
            taps.count[o] = last - first + 1;
        } else {
            const double centre = (o + 0.5) * scale - 0.5;
            const int left = int(std::floor(centre));
            const float right = float(centre - left);
            const int a = std::clamp(left, 0, in - 1), b = std::clamp(left + 1, 0, in - 1);
            taps.first[o] = a;
            if (a == b || right == 0.0f) {
                taps.weights.push_back(1.0f);
                taps.count[o] = 1;
            } else {
                taps.weights.push_back(1.0f - right);
                taps.weights.push_back(right);
                taps.count[o] = 2;
            }
        }
        taps.widest = std::max(taps.widest, taps.count[o]);
    }
    return taps;
}

// Separable filtering of 8-bit channels (Channels per pixel: 1 grey, 3 B-G-R, 4 B-G-R-X).
template <int Channels>
void filterBand(const QImage& in, const WritableRows& out, int outWidth, const Taps& across,
                const Taps& down, int begin, int end)
{
    const int n = outWidth * Channels;
    // Horizontally filtered source rows, kept while the next output row may still need them:
    // consecutive output rows share at most their boundary row when shrinking and both rows when
    // growing, so three are enough, however many rows one output row averages.
    const int slotCount = std::min(down.widest + 1, 3);
    std::vector<std::vector<float>> cache(slotCount, std::vector<float>(std::size_t(n)));
    std::vector<int> cachedRow(slotCount, -1);
    int nextSlot = 0;
    auto filteredRow = [&](int row) -> const float* {
        for (int s = 0; s < slotCount; ++s) {
            if (cachedRow[s] == row)
                return cache[s].data();
        }
        const int s = nextSlot;
        nextSlot = (nextSlot + 1) % slotCount;
        cachedRow[s] = row;
        float* f = cache[s].data();
        const uchar* src = in.constScanLine(row);
        for (int o = 0; o < outWidth; ++o) {
            const uchar* p = src + std::size_t(across.first[o]) * Channels;
            const float* w = across.weights.data() + across.offset[o];
            float sum[Channels] = {};
            for (int i = 0; i < across.count[o]; ++i)
                for (int c = 0; c < Channels; ++c)
                    sum[c] += w[i] * p[i * Channels + c];
            for (int c = 0; c < Channels; ++c)
                f[o * Channels + c] = sum[c];
        }
        return f;
    };
    std::vector<float> acc(static_cast<std::size_t>(n));
    for (int y = begin; y < end; ++y) {
        std::fill(acc.begin(), acc.end(), 0.0f);
        const float* w = down.weights.data() + down.offset[y];
        for (int i = 0; i < down.count[y]; ++i) {
            const float* f = filteredRow(down.first[y] + i);
            const float weight = w[i];
            for (int k = 0; k < n; ++k)
                acc[k] += weight * f[k];
        }
        uchar* o = out[y];
        for (int k = 0; k < n; ++k)
            o[k] = uchar(std::clamp(int(acc[k] + 0.5f), 0, 255));
    }
}

Image filtered(const Image& image, int width, int height)
{
    const QImage& in = image.pixels();
    QImage out(width, height, in.format());
    if (out.isNull())
        return {};
    const Taps across = tapsFor(image.width(), width);
    const Taps down = tapsFor(image.height(), height);
    const WritableRows rows(out);
    const ColourCode code = image.code();
    parallelRows(height, 32, [&](int begin, int end) {
        if (code == ColourCode::Grey256)
            filterBand<1>(in, rows, width, across, down, begin, end);
        else if (code == ColourCode::Rgb32)
            filterBand<4>(in, rows, width, across, down, begin, end);
        else
            filterBand<3>(in, rows, width, across, down, begin, end);
    });
    return Image::fromStorage(std::move(out), code);
}

Image nearest(const Image& image, int width, int height)
{
    const QImage& in = image.pixels();
    QImage out(width, height, in.format());
    if (out.isNull())
        return {};
    out.setColorTable(in.colorTable());
    std::vector<int> columns(width);
    for (int x = 0; x < width; ++x)
        columns[x] = int((qint64(2 * x + 1) * image.width()) / (2 * qint64(width)));
    const int depth = in.depth();
    const int bytes = depth / 8;
    const WritableRows rows(out);
    parallelRows(height, 64, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const int sy = int((qint64(2 * y + 1) * image.height()) / (2 * qint64(height)));
            const uchar* s = in.constScanLine(sy);
            uchar* o = rows[y];
            if (depth == 1) {
                std::memset(o, 0, std::size_t(rows.stride));
                for (int x = 0; x < width; ++x) {
                    const int sx = columns[x];
                    if ((s[sx >> 3] >> (7 - (sx & 7))) & 1)
                        o[x >> 3] |= uchar(0x80 >> (x & 7));
                }
            } else {
                for (int x = 0; x < width; ++x)
                    std::memcpy(o + std::size_t(x) * bytes, s + std::size_t(columns[x]) * bytes,
                                std::size_t(bytes));
            }
        }
    });
    return Image::fromStorage(std::move(out), image.code());
}

}  // namespace

Image resized(const Image& image, int width, int height, ResizeMethod method)
{
    if (image.isNull() || !Image::sizeAllowed(width, height, image.code()))
        return {};
    Image result;
    const ColourCode code = image.code();
    if (method == ResizeMethod::Nearest) {
        result = nearest(image, width, height);
    } else if (code == ColourCode::Rgb24 || code == ColourCode::Rgb32 ||
               code == ColourCode::Grey256) {
        result = filtered(image, width, height);
    } else {
        const Image colour = convertColour(image, ColourCode::Rgb24);
        if (colour.isNull())
            return {};
        result = backToCodeOf(filtered(colour, width, height), image);
    }
    if (!result.isNull())
        result.setDpi(image.dpiX(), image.dpiY());
    return result;
}

}  // namespace tavlo::process
