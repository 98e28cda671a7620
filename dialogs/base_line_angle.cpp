#include "dialogs/base_line_angle.h"

#include "environment/number_text.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tavlo {
namespace {

// 18000 / pi to three decimals: radians to hundredths of a degree.
constexpr double kHundredthsPerRadian = 5729.578;

}  // namespace

std::optional<int> horizontalTurn(int x1, int y1, int x2, int y2)
{
    const qint64 dx = qint64(x2) - x1;
    const qint64 dy = qint64(y2) - y1;
    if (dx == 0 || dy == 0)
        return std::nullopt;
    return roundHalfEven(std::atan(double(dy) / double(dx)) * kHundredthsPerRadian);
}

int verticalTurn(int horizontal)
{
    return horizontal < 0 ? horizontal + 9000 : horizontal - 9000;
}

BaseLine baseLineForSkew(double degrees, QSize imageSize)
{
    const int width = std::max(imageSize.width(), 2);
    const int height = std::max(imageSize.height(), 1);
    const double slope = std::tan(degrees * std::numbers::pi / 180.0);
    const int wanted = roundHalfEven(degrees * 100.0);
    const int midY = height / 2;

    // The widest run whose end stays inside the image: the steeper the line, the shorter it gets.
    int longest = width - 1;
    if (slope != 0.0)
        longest = std::min<double>(longest, std::floor((height / 2 - 1) / std::abs(slope)));
    longest = std::max(longest, 1);

    // Among runs from the longest down to half of it, the first whose whole-pixel rise gives the
    // wanted hundredths; otherwise the longest (the closest whole pixels can come).
    int bestRun = longest;
    for (int run = longest; run >= std::max(1, longest / 2); --run) {
        const int rise = roundHalfEven(slope * run);
        const int turn = rise == 0 ? 0 : *horizontalTurn(0, 0, run, rise);
        if (turn == wanted) {
            bestRun = run;
            break;
        }
    }
    const int rise = roundHalfEven(slope * bestRun);
    const int x1 = (width - 1 - bestRun) / 2;
    const int y1 = midY - rise / 2;
    return {QPoint(x1, y1), QPoint(x1 + bestRun, y1 + rise)};
}

}  // namespace tavlo
