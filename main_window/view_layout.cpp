#include "main_window/view_layout.h"

#include <algorithm>

namespace tavlo {

ViewLayout::Places ViewLayout::compute(const QSize& clientPixels, const TwipsScale& scale)
{
    const double w = scale.toTwips(clientPixels.width());
    const double h = scale.toTwips(clientPixels.height());
    const double below = std::max(0.0, h - StripHeightTwips);

    Places p;
    p.line1Width = clientPixels.width();
    p.list = QRect(0, scale.toPixels(StripHeightTwips), scale.toPixels(ListWidthTwips),
                   scale.toPixels(below));
    const double viewLeft = ListWidthTwips + 1;
    p.view = QRect(scale.toPixels(viewLeft), scale.toPixels(StripHeightTwips),
                   scale.toPixels(std::max(0.0, w - viewLeft)), scale.toPixels(below));
    return p;
}

}  // namespace tavlo
