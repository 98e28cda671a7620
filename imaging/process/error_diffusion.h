#pragma once

#include "imaging/process/colour_math.h"

#include <QtGlobal>

#include <algorithm>
#include <vector>

namespace tavlo::process {

// Floyd-Steinberg error diffusion over a band of rows, shared by every conversion that reduces
// colours (1 bit, 16 even greys, 5-5-5, palettes). Rows run in serpentine order (even image rows
// left to right, odd rows right to left) so the error does not drift to one side; the error of a
// pixel goes 7/16 ahead, 3/16 behind below, 5/16 below and 1/16 ahead below. strength scales the
// error in sixteenths (16 = classic Floyd-Steinberg, 0 = plain nearest mapping). The error starts
// at zero at the top of each band, so bands can run on separate threads with fixed results.
//
// Channels values per pixel (1 for luma, 3 for B, G, R). Source: const uchar* row(int y, uchar*
// buffer) giving Channels bytes per pixel. Quantiser: void beginRow(int y) and
// void put(int x, const int* value, int* chosen), which writes the output pixel for the clamped
// wanted value and reports the value it actually stored.
template <int Channels, class Source, class Quantiser>
void diffuseBand(int width, int begin, int end, Source& source, Quantiser& quantiser, int strength)
{
    std::vector<uchar> buffer(std::size_t(width) * 3 + 16);
    int value[Channels];
    int chosen[Channels];
    if (strength == 0) {
        for (int y = begin; y < end; ++y) {
            const uchar* in = source.row(y, buffer.data());
            quantiser.beginRow(y);
            for (int x = 0; x < width; ++x) {
                for (int c = 0; c < Channels; ++c)
                    value[c] = in[x * Channels + c];
                quantiser.put(x, value, chosen);
            }
        }
        return;
    }
    // Error accumulators in 1/256 of a level, one pixel of margin on both sides.
    std::vector<int> here(std::size_t(width + 2) * Channels, 0);
    std::vector<int> below(std::size_t(width + 2) * Channels, 0);
    for (int y = begin; y < end; ++y) {
        const uchar* in = source.row(y, buffer.data());
        quantiser.beginRow(y);
        std::fill(below.begin(), below.end(), 0);
        const bool forward = (y & 1) == 0;
        const int step = forward ? 1 : -1;
        for (int i = 0; i < width; ++i) {
            const int x = forward ? i : width - 1 - i;
            int* err = here.data() + (x + 1) * Channels;
            for (int c = 0; c < Channels; ++c)
                value[c] = std::clamp(in[x * Channels + c] + ((err[c] + 128) >> 8), 0, 255);
            quantiser.put(x, value, chosen);
            int* ahead = err + step * Channels;
            int* under = below.data() + (x + 1) * Channels;
            for (int c = 0; c < Channels; ++c) {
                const int e = (value[c] - chosen[c]) * strength;  // 1/16 of a level
                ahead[c] += 7 * e;
                under[c - step * Channels] += 3 * e;
                under[c] += 5 * e;
                under[c + step * Channels] += e;
            }
        }
        std::swap(here, below);
    }
}

}  // namespace tavlo::process
