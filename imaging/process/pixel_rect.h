#pragma once

#include <algorithm>

namespace tavlo::process {

// A rectangle of image pixels: left and top inclusive, right and bottom exclusive, so
// width = right - left. Pixel (x, y) is inside when left <= x < right and top <= y < bottom.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }

    // The part inside an image of width x height.
    PixelRect clipped(int imageWidth, int imageHeight) const
    {
        return {std::clamp(left, 0, imageWidth), std::clamp(top, 0, imageHeight),
                std::clamp(right, 0, imageWidth), std::clamp(bottom, 0, imageHeight)};
    }
};

}  // namespace tavlo::process
