#include "imaging/view/view_geometry.h"

#include <algorithm>
#include <cmath>

namespace tavlo {
namespace {

// The picture's length in view pixels: the scaled length rounded, never less than one pixel.
int contentLength(int imageLength, double scale)
{
    const double length = std::round(imageLength * scale);
    return int(std::clamp(length, 1.0, double(1 << 30)));
}

}  // namespace

double ViewGeometry::boundedScale(double scale)
{
    if (!std::isfinite(scale) || scale <= 0.0)
        return 1.0;
    return std::clamp(scale, kMinScale, kMaxScale);
}

ViewGeometry::ViewGeometry(QSize imageSize, double scaleX, double scaleY, QPoint origin)
    : m_imageSize(imageSize), m_scaleX(boundedScale(scaleX)), m_scaleY(boundedScale(scaleY)),
      m_origin(origin)
{
    if (m_imageSize.isEmpty()) {
        m_imageSize = QSize();
        return;
    }
    m_contentSize = QSize(contentLength(m_imageSize.width(), m_scaleX),
                          contentLength(m_imageSize.height(), m_scaleY));
}

ViewGeometry ViewGeometry::onDevice(double ratio) const
{
    if (ratio == 1.0 || isNull() || !std::isfinite(ratio) || ratio <= 0.0)
        return *this;
    ViewGeometry device = *this;
    device.m_scaleX = m_scaleX * ratio;
    device.m_scaleY = m_scaleY * ratio;
    device.m_origin =
        QPoint(int(std::lround(m_origin.x() * ratio)), int(std::lround(m_origin.y() * ratio)));
    device.m_contentSize = QSize(contentLength(m_imageSize.width(), device.m_scaleX),
                                 contentLength(m_imageSize.height(), device.m_scaleY));
    return device;
}

double ViewGeometry::fitScale(QSize imageSize, QSize viewportSize)
{
    if (imageSize.isEmpty() || viewportSize.isEmpty())
        return 1.0;
    return boundedScale(std::min(double(viewportSize.width()) / imageSize.width(),
                                 double(viewportSize.height()) / imageSize.height()));
}

QPointF ViewGeometry::toView(QPointF imagePoint) const
{
    return QPointF(imagePoint.x() * m_scaleX + m_origin.x(),
                   imagePoint.y() * m_scaleY + m_origin.y());
}

QPointF ViewGeometry::toImage(QPointF viewPoint) const
{
    return QPointF((viewPoint.x() - m_origin.x()) / m_scaleX,
                   (viewPoint.y() - m_origin.y()) / m_scaleY);
}

QRectF ViewGeometry::toView(const QRectF& imageRect) const
{
    return QRectF(toView(imageRect.topLeft()), toView(imageRect.bottomRight()));
}

QPoint ViewGeometry::pixelAt(QPoint viewPixel) const
{
    const QPointF p = toImage(QPointF(viewPixel.x() + 0.5, viewPixel.y() + 0.5));
    // The last view pixel of a picture whose scaled length was rounded up may map just past the
    // image; the painter shows the last image pixel there, and so does this.
    const QPoint local = viewPixel - m_origin;
    int x = int(std::floor(p.x()));
    int y = int(std::floor(p.y()));
    if (local.x() >= 0 && local.x() < m_contentSize.width())
        x = std::min(x, m_imageSize.width() - 1);
    if (local.y() >= 0 && local.y() < m_contentSize.height())
        y = std::min(y, m_imageSize.height() - 1);
    return QPoint(x, y);
}

QPoint ViewGeometry::clampedPixelAt(QPoint viewPixel) const
{
    const QPoint p = pixelAt(viewPixel);
    return QPoint(std::clamp(p.x(), 0, std::max(0, m_imageSize.width() - 1)),
                  std::clamp(p.y(), 0, std::max(0, m_imageSize.height() - 1)));
}

}  // namespace tavlo
