#pragma once

#include <Qt>

namespace tavlo {

// The magnifier's step: a left (or any non-right) click zooms in by 1.5, a right click zooms out
// by 1.5. The factor is kept in single precision and stays within 1 % to 10,000 %, so repeated
// clicks can never drive the view into sizes it cannot lay out or paint quickly.
class Magnifier {
public:
    static constexpr float MinFactor = 0.01f;
    static constexpr float MaxFactor = 100.0f;

    static float nextFactor(double current, Qt::MouseButton button);
};

}  // namespace tavlo
