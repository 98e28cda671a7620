#include "imaging/print/print_size.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace tavlo {
namespace {

// numerator / denominator to the nearest integer, halves to the even neighbour (both positive).
int roundedQuotient(std::int64_t numerator, std::int64_t denominator)
{
    const std::int64_t quotient = numerator / denominator;
    const std::int64_t twiceRemainder = 2 * (numerator % denominator);
    if (twiceRemainder > denominator || (twiceRemainder == denominator && quotient % 2 != 0))
        return int(quotient + 1);
    return int(quotient);
}

int tenthsOfMillimetre(int pixels, int dpi)
{
    if (dpi <= 0)
        dpi = 72;
    return std::max(1, roundedQuotient(std::int64_t(std::max(0, pixels)) * 254, dpi));
}

int scaled(float ratio, int side)
{
    // nearbyint rounds halves to the even neighbour in the default rounding mode.
    return std::max(1, int(std::nearbyint(ratio * float(side))));
}

}  // namespace

PrintSize physicalPrintSize(int width, int height, int dpiX, int dpiY)
{
    return {tenthsOfMillimetre(width, dpiX), tenthsOfMillimetre(height, dpiY)};
}

PrintSize fitPrintSize(PrintSize size, int areaWidth, int areaHeight, PrintFit fit)
{
    if (size.width <= 0 || size.height <= 0 || areaWidth <= 0 || areaHeight <= 0)
        return size;
    float ratio = float(areaWidth) / float(size.width);
    ratio = std::min(ratio, float(areaHeight) / float(size.height));
    const bool apply = fit == PrintFit::PaperSize ? ratio > 0.0f : (ratio > 0.0f && ratio < 1.0f);
    if (!apply)
        return size;
    return {scaled(ratio, size.width), scaled(ratio, size.height)};
}

}  // namespace tavlo
