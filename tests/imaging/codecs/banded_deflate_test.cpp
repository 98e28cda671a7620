#include "imaging/codecs/banded_deflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <random>
#include <vector>

namespace tavlo::codecs {
namespace {

// Rows with smooth runs and noise, so that every filter type wins somewhere.
std::vector<std::vector<uchar>> testRows(int width, int height, int bpp)
{
    std::mt19937 random(17);
    std::vector<std::vector<uchar>> rows(size_t(height), std::vector<uchar>(size_t(width * bpp)));
    for (int y = 0; y < height; ++y) {
        for (int i = 0; i < width * bpp; ++i) {
            const int kind = (y / 5) % 4;
            const int smooth = (i * 3 + y * 7) & 255;
            rows[size_t(y)][size_t(i)] = uchar(kind == 0   ? smooth
                                               : kind == 1 ? random()
                                               : kind == 2 ? y
                                                           : smooth + random() % 4);
        }
    }
    return rows;
}

// Undoes the PNG filters (the decoder's side), for checking the filtered stream.
std::vector<std::vector<uchar>> unfilter(const std::vector<uchar>& filtered, int width, int height,
                                         int bpp)
{
    const int n = width * bpp;
    std::vector<std::vector<uchar>> rows(static_cast<size_t>(height),
                                         std::vector<uchar>(static_cast<size_t>(n)));
    std::vector<uchar> zeros(static_cast<size_t>(n), 0);
    for (int y = 0; y < height; ++y) {
        const uchar* in = filtered.data() + size_t(y) * size_t(n + 1);
        const std::vector<uchar>& up = y > 0 ? rows[size_t(y - 1)] : zeros;
        std::vector<uchar>& out = rows[size_t(y)];
        for (int i = 0; i < n; ++i) {
            const int a = i >= bpp ? out[size_t(i - bpp)] : 0;
            const int b = up[size_t(i)];
            const int c = i >= bpp ? up[size_t(i - bpp)] : 0;
            int predictor = 0;
            switch (in[0]) {
            case 1: predictor = a; break;
            case 2: predictor = b; break;
            case 3: predictor = (a + b) / 2; break;
            case 4: {
                const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b),
                          pc = std::abs(p - c);
                predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
                break;
            }
            default: break;
            }
            out[size_t(i)] = uchar(in[1 + i] + predictor);
        }
    }
    return rows;
}

TEST(BandedDeflate, BandsJoinIntoOneValidStreamOfTheFilteredRows)
{
    const struct {
        int width, height, bpp, bandBytes, threads;
    } cases[] = {
        {37, 50, 3, 100, 3},    // a band per row, on three threads
        {37, 50, 3, 1000, 2},   // several rows per band
        {200, 90, 1, 2000, 4},  // grey, bands longer than the 32 KB window apart
        {5, 7, 3, 1 << 20, 0},  // one band
        {64, 300, 1, 500, 1},   // no threads at all
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " bpp " << c.bpp
                                        << " band " << c.bandBytes << " threads " << c.threads);
        const auto rows = testRows(c.width, c.height, c.bpp);
        BandedDeflate::Settings settings;
        settings.bandBytes = c.bandBytes;
        settings.threads = c.threads;
        settings.maxChain = 64;
        std::vector<uchar> stream;
        const bool ok = BandedDeflate::compress(
            c.width, c.height, c.bpp,
            [&](int y, uchar* out) {
                std::copy(rows[size_t(y)].begin(), rows[size_t(y)].end(), out);
            },
            settings,
            [&](const uchar* data, size_t size) {
                stream.insert(stream.end(), data, data + size);
                return true;
            });
        ASSERT_TRUE(ok);
        // zlib checks the header and the Adler-32 of the whole.
        std::vector<uchar> filtered(size_t(c.height) * size_t(c.width * c.bpp + 1) + 1);
        uLongf size = uLongf(filtered.size());
        ASSERT_EQ(uncompress(filtered.data(), &size, stream.data(), uLong(stream.size())), Z_OK);
        ASSERT_EQ(size, filtered.size() - 1);
        EXPECT_EQ(unfilter(filtered, c.width, c.height, c.bpp), rows);
    }
}

TEST(BandedDeflate, ARefusingSinkStopsTheWork)
{
    const auto rows = testRows(100, 400, 3);
    BandedDeflate::Settings settings;
    settings.bandBytes = 3000;
    settings.threads = 3;
    int calls = 0;
    const bool ok = BandedDeflate::compress(
        100, 400, 3,
        [&](int y, uchar* out) { std::copy(rows[size_t(y)].begin(), rows[size_t(y)].end(), out); },
        settings, [&](const uchar*, size_t) { return ++calls < 3; });
    EXPECT_FALSE(ok);
    EXPECT_EQ(calls, 3);
}

}  // namespace
}  // namespace tavlo::codecs
