#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QScreen;

namespace tavlo {

// Converts between twips (1/1440 inch), the unit of the window's design places and of its stored
// geometry, and device-independent pixels: twips per pixel = 1440 / the screen's logical dots per
// inch (15 at 96). Pixels are whole: a twips value becomes the nearest whole pixel.
class TwipsScale {
public:
    explicit TwipsScale(double twipsPerPixel = 15.0) : m_perPixel(twipsPerPixel) { }
    static TwipsScale of(const QScreen* screen);

    double perPixel() const { return m_perPixel; }
    int toPixels(double twips) const;
    double toTwips(int pixels) const { return pixels * m_perPixel; }
    QRect toPixels(double left, double top, double width, double height) const;

private:
    double m_perPixel;
};

}  // namespace tavlo
