#include "imaging/process/skew_finder.h"

#include "imaging/process/row_reader.h"

#include <leptonica/allheaders.h>

#include <array>
#include <cmath>
#include <memory>
#include <mutex>
#include <vector>

namespace tavlo::process {
namespace {

// Longest side the black-and-white copy keeps; larger pages are sampled.
constexpr int kLargestSide = 4000;
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
        const double spread = double(below) * double(above) * (lightMean - darkMean) *
                              (lightMean - darkMean);
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

// The black-and-white copy: pixels at or below the dark level are black (1), sampled every step.
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
    for (int row = 0; row < height; ++row) {
        const uchar* luma = reader.luma(row * step, buffer.data());
        l_uint32* line = data + qint64(row) * wordsPerLine;
        for (int column = 0; column < width; ++column) {
            if (luma[column * step] <= *dark)
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

    // Sweep at a quarter of the copy in whole degrees, then search at half of it down to
    // hundredths of a degree.
    l_float32 angle = 0, confidence = 0;
    const int reduceSweep = 4, reduceSearch = 2;
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
