#include "main_window/magnifier.h"

#include <algorithm>
#include <cmath>

namespace tavlo {

float Magnifier::nextFactor(double current, Qt::MouseButton button)
{
    float factor = static_cast<float>(current);
    if (!std::isfinite(factor) || factor <= 0.0f)
        factor = 1.0f;
    factor = button == Qt::RightButton ? factor / 1.5f : factor * 1.5f;
    return std::clamp(factor, MinFactor, MaxFactor);
}

}  // namespace tavlo
