#pragma once

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>

namespace tavlo {

// Where an image lies in the view: view = image x scale + origin, per axis.
//
// Image coordinates are image pixels: pixel (x, y) covers [x, x + 1) x [y, y + 1). View coordinates
// are the viewport's pixels in the same sense. The origin is whole view pixels (the centring margin
// minus the scroll position), so a scroll moves the picture by whole pixels and a cached tile can
// be reused. toView() and toImage() are exact inverses of each other (up to the rounding of double
// arithmetic), and every conversion in the view goes through them: painting, clicks, the selection
// rubber band and the overlay.
class ViewGeometry {
public:
    // The scales the view accepts: 1/10000 to 100 (0.01 % to 10,000 %). Values outside are brought
    // inside; zero, negative and non-finite values count as 1.
    static constexpr double kMinScale = 1e-4;
    static constexpr double kMaxScale = 100.0;
    static double boundedScale(double scale);

    ViewGeometry() = default;
    ViewGeometry(QSize imageSize, double scaleX, double scaleY, QPoint origin);

    // The scale that shows the whole image inside the viewport with its aspect ratio kept.
    static double fitScale(QSize imageSize, QSize viewportSize);

    bool isNull() const { return m_imageSize.isEmpty(); }
    QSize imageSize() const { return m_imageSize; }
    double scaleX() const { return m_scaleX; }
    double scaleY() const { return m_scaleY; }
    QPoint origin() const { return m_origin; }

    // The image's size in view pixels (at least 1 x 1): the painted picture covers
    // origin() .. origin() + contentSize().
    QSize contentSize() const { return m_contentSize; }
    QRect contentRect() const { return QRect(m_origin, m_contentSize); }

    QPointF toView(QPointF imagePoint) const;
    QPointF toImage(QPointF viewPoint) const;
    QRectF toView(const QRectF& imageRect) const;

    // The same placement in device pixels, for a screen with `ratio` device pixels per view pixel:
    // scales and origin times the ratio (the origin rounded to whole device pixels). The zoom keeps
    // meaning image pixels per view pixel; the device geometry only paints more finely. Scales
    // are not bounded again, so 10,000 % on a dense screen stays exact.
    ViewGeometry onDevice(double ratio) const;

    // The image pixel shown at view pixel p (the one under the centre of p); it lies outside the
    // image when p is beside the picture.
    QPoint pixelAt(QPoint viewPixel) const;

    // The same pixel, brought inside the image.
    QPoint clampedPixelAt(QPoint viewPixel) const;

    bool operator==(const ViewGeometry& other) const = default;

private:
    QSize m_imageSize;
    double m_scaleX = 1.0;
    double m_scaleY = 1.0;
    QPoint m_origin;
    QSize m_contentSize;
};

}  // namespace tavlo
