#include "main_window/twips_scale.h"

#include <QScreen>

#include <cmath>

namespace tavlo {

TwipsScale TwipsScale::of(const QScreen* screen)
{
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    return TwipsScale(dpi > 0 ? 1440.0 / dpi : 15.0);
}

int TwipsScale::toPixels(double twips) const
{
    return static_cast<int>(std::lround(twips / m_perPixel));
}

QRect TwipsScale::toPixels(double left, double top, double width, double height) const
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

}  // namespace tavlo
