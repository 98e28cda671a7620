#include "imaging/process/document_finder.h"

#include "imaging/process/row_reader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace tavlo::process {
namespace {

constexpr double kMmPerInch = 25.4;

// The median of each channel (B, G, R) over the image's outermost rows and columns.
std::array<int, 3> lidColour(const RowReader& reader, int width, int height)
{
    std::array<std::array<int, 256>, 3> histogram{};
    std::vector<uchar> buffer(size_t(width) * 3);
    const auto count = [&](int x, const uchar* row) {
        for (int c = 0; c < 3; ++c)
            ++histogram[c][row[x * 3 + c]];
    };
    for (int y = 0; y < height; ++y) {
        const uchar* row = reader.bgr(y, buffer.data());
        if (y == 0 || y == height - 1) {
            for (int x = 0; x < width; ++x)
                count(x, row);
        } else {
            count(0, row);
            if (width > 1)
                count(width - 1, row);
        }
    }
    std::array<int, 3> median{};
    for (int c = 0; c < 3; ++c) {
        int total = 0;
        for (int v : histogram[c])
            total += v;
        int seen = 0;
        for (int v = 0; v < 256; ++v) {
            seen += histogram[c][v];
            if (seen * 2 >= total) {
                median[c] = v;
                break;
            }
        }
    }
    return median;
}

// The first and one-past-last index whose count reaches the least; {0, 0} when none does.
std::pair<int, int> span(const std::vector<int>& counts, int least)
{
    const auto reaches = [least](int n) { return n >= least; };
    const auto first = std::find_if(counts.begin(), counts.end(), reaches);
    if (first == counts.end())
        return {0, 0};
    const auto last = std::find_if(counts.rbegin(), counts.rend(), reaches);
    return {int(first - counts.begin()), int(counts.rend() - last)};
}

}  // namespace

std::optional<QRectF> findDocument(const Image& preview, double marginMm)
{
    if (preview.isNull() || preview.dpiX() <= 0 || preview.dpiY() <= 0)
        return std::nullopt;
    const int width = preview.width();
    const int height = preview.height();
    const RowReader reader(preview);
    const std::array<int, 3> lid = lidColour(reader, width, height);

    // Which pixels of a row differ from the lid.
    std::vector<uchar> buffer(size_t(width) * 3);
    const auto differing = [&](int y, std::vector<char>& mask) {
        const uchar* row = reader.bgr(y, buffer.data());
        for (int x = 0; x < width; ++x) {
            const uchar* p = row + x * 3;
            mask[size_t(x)] = std::abs(p[0] - lid[0]) > kLidTolerance ||
                              std::abs(p[1] - lid[1]) > kLidTolerance ||
                              std::abs(p[2] - lid[2]) > kLidTolerance;
        }
    };
    // Differing 2 x 2 blocks, counted for each of their columns and rows: a single speck of dust
    // or a noisy pixel makes no block.
    std::vector<int> columns(size_t(width), 0);
    std::vector<int> rows(size_t(height), 0);
    std::vector<char> above(static_cast<size_t>(width));
    std::vector<char> current(static_cast<size_t>(width));
    differing(0, above);
    for (int y = 1; y < height; ++y) {
        differing(y, current);
        for (int x = 0; x + 1 < width; ++x) {
            if (above[size_t(x)] && above[size_t(x) + 1] && current[size_t(x)] &&
                current[size_t(x) + 1]) {
                ++columns[size_t(x)], ++columns[size_t(x) + 1];
                ++rows[size_t(y) - 1], ++rows[size_t(y)];
            }
        }
        std::swap(above, current);
    }
    // A millimetre of pixels, at least two.
    const int leastInRow = std::max(2, int(std::lround(preview.dpiX() / kMmPerInch)));
    const int leastInColumn = std::max(2, int(std::lround(preview.dpiY() / kMmPerInch)));
    const auto [x0, x1] = span(columns, leastInColumn);
    const auto [y0, y1] = span(rows, leastInRow);
    if (x1 <= x0 || y1 <= y0)
        return std::nullopt;

    const double mmX = kMmPerInch / preview.dpiX();
    const double mmY = kMmPerInch / preview.dpiY();
    const double left = std::max(0.0, x0 * mmX - marginMm);
    const double top = std::max(0.0, y0 * mmY - marginMm);
    const double right = std::min(width * mmX, x1 * mmX + marginMm);
    const double bottom = std::min(height * mmY, y1 * mmY + marginMm);
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

}  // namespace tavlo::process
