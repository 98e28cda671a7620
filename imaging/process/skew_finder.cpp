#include "imaging/process/skew_finder.h"

#include "imaging/process/row_reader.h"

#include <leptonica/allheaders.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <mutex>
#include <vector>

namespace tavlo::process {
namespace {

// Longest side of the black-and-white copy: a page is reduced to about 150 dots per inch, where
// lines of text still stand apart and the search costs a quarter of what it does at 300.
constexpr int kLargestSide = 2000;
// Dark and light tones must differ at least this much for the page to hold anything.
constexpr double kLeastContrast = 48.0;
// Leptonica's own measure: the best sweep score over the worst. Below this the direction is a
// guess (its own deskewing refuses below 3 as well).
constexpr float kLeastConfidence = 3.0f;

struct PixDeleter {
    void operator()(PIX* pix) const { pixDestroy(&pix); }
};
using PixPtr = std::unique_ptr<PIX, PixDeleter>;

// Leptonica reports a page it cannot judge on stderr; for us that is an ordinary outcome.
void quietLeptonica()
{
    static std::once_flag once;
    std::call_once(once, [] { setMsgSeverity(L_SEVERITY_NONE); });
}

// The level that separates the dark and the light tones best (Otsu's between-class variance);
// no level when the two tones are too close to tell apart (a blank or one-tone page).
std::optional<int> darkLevel(const std::array<qint64, 256>& histogram)
{
    qint64 total = 0;
    double sum = 0;
    for (int level = 0; level < 256; ++level) {
        total += histogram[level];
        sum += double(level) * double(histogram[level]);
    }
    if (total == 0)
        return std::nullopt;
    qint64 below = 0;
    double sumBelow = 0;
    double bestSpread = -1;
    int best = 0;
    double bestDarkMean = 0, bestLightMean = 0;
    for (int level = 0; level < 255; ++level) {
        below += histogram[level];
        sumBelow += double(level) * double(histogram[level]);
        const qint64 above = total - below;
        if (below == 0 || above == 0)
            continue;
        const double darkMean = sumBelow / double(below);
        const double lightMean = (sum - sumBelow) / double(above);
        const double spread =
            double(below) * double(above) * (lightMean - darkMean) * (lightMean - darkMean);
        if (spread > bestSpread) {
            bestSpread = spread;
            best = level;
            bestDarkMean = darkMean;
            bestLightMean = lightMean;
        }
    }
    if (bestSpread < 0 || bestLightMean - bestDarkMean < kLeastContrast)
        return std::nullopt;
    return best;
}

// The black-and-white copy, reduced by step across and down: a copy pixel is black (1) when any
// page pixel of its step x step block is at or below the dark level, so thin strokes survive the
// reduction. The dark level comes from a histogram of every step-th pixel.
PixPtr blackAndWhite(const Image& page, int step)
{
    const RowReader reader(page);
    std::vector<uchar> buffer(size_t(page.width()));
    const int width = (page.width() + step - 1) / step;
    const int height = (page.height() + step - 1) / step;

    std::array<qint64, 256> histogram{};
    for (int y = 0; y < page.height(); y += step) {
        const uchar* luma = reader.luma(y, buffer.data());
        for (int x = 0; x < page.width(); x += step)
            ++histogram[luma[x]];
    }
    const std::optional<int> dark = darkLevel(histogram);
    if (!dark)
        return nullptr;

    PixPtr pix(pixCreate(width, height, 1));
    if (!pix)
        return nullptr;
    l_uint32* data = pixGetData(pix.get());
    const int wordsPerLine = pixGetWpl(pix.get());
    std::vector<uchar> darkest(static_cast<size_t>(width));
    for (int row = 0; row < height; ++row) {
        std::fill(darkest.begin(), darkest.end(), uchar(255));
        for (int y = row * step; y < std::min(page.height(), (row + 1) * step); ++y) {
            const uchar* luma = reader.luma(y, buffer.data());
            for (int column = 0, x = 0; column < width; ++column) {
                uchar least = darkest[size_t(column)];
                for (const int end = std::min(page.width(), x + step); x < end; ++x)
                    least = std::min(least, luma[x]);
                darkest[size_t(column)] = least;
            }
        }
        l_uint32* line = data + qint64(row) * wordsPerLine;
        for (int column = 0; column < width; ++column) {
            if (darkest[size_t(column)] <= *dark)
                line[column >> 5] |= 0x80000000u >> (column & 31);
        }
    }
    return pix;
}

}  // namespace

std::optional<double> findSkew(const Image& page)
{
    if (page.isNull())
        return std::nullopt;
    quietLeptonica();
    const int longest = std::max(page.width(), page.height());
    const int step = (longest + kLargestSide - 1) / kLargestSide;
    const PixPtr pix = blackAndWhite(page, step);
    if (!pix)
        return std::nullopt;

    // Sweep at half the copy in whole degrees, then search the copy itself down to hundredths of
    // a degree.
    l_float32 angle = 0, confidence = 0;
    const int reduceSweep = 2, reduceSearch = 1;
    if (pixFindSkewSweepAndSearch(pix.get(), &angle, &confidence, reduceSweep, reduceSearch,
                                  float(kSkewSearchRange), 1.0f, 0.01f) != 0)
        return std::nullopt;
    if (!(confidence >= kLeastConfidence) || !std::isfinite(angle) ||
        std::abs(angle) >= kSkewSearchRange)
        return std::nullopt;
    // Leptonica gives the turn that levels the lines, positive clockwise as seen; ours is
    // positive to the left.
    return -double(angle);
}

}  // namespace tavlo::process
