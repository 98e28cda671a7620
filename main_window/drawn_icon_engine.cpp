#include "main_window/drawn_icon_engine.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>
#include <cmath>

namespace tavlo {

DrawnIconEngine::DrawnIconEngine(int units, Drawing draw) : m_units(units), m_draw(std::move(draw))
{
}

QPixmap DrawnIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State)
{
    // Square, as drawn; the longer side of the request decides.
    const int side = std::max(1, std::min(size.width(), size.height()));
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    {
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(double(side) / m_units, double(side) / m_units);
        m_draw(p);
    }
    if (mode == QIcon::Normal || mode == QIcon::Active ||
        !qobject_cast<QApplication*>(QCoreApplication::instance()))
        return pixmap;
    QStyleOption option;
    option.palette = QApplication::palette();
    return QApplication::style()->generatedIconPixmap(mode, pixmap, &option);
}

QPixmap DrawnIconEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                                      qreal scale)
{
    // Qt hands over the size in device pixels already.
    QPixmap sharp = pixmap(size, mode, state);
    sharp.setDevicePixelRatio(scale);
    return sharp;
}

void DrawnIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
                            QIcon::State state)
{
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QSize device(int(std::ceil(rect.width() * ratio)), int(std::ceil(rect.height() * ratio)));
    QPixmap sharp = pixmap(device, mode, state);
    sharp.setDevicePixelRatio(ratio);
    const QSizeF shown = QSizeF(sharp.size()) / ratio;
    painter->drawPixmap(QRectF(QPointF(rect.x() + (rect.width() - shown.width()) / 2,
                                       rect.y() + (rect.height() - shown.height()) / 2),
                               shown),
                        sharp, QRectF(sharp.rect()));
}

QIconEngine* DrawnIconEngine::clone() const
{
    return new DrawnIconEngine(m_units, m_draw);
}

QString DrawnIconEngine::key() const
{
    return QStringLiteral("tavlo-drawn");
}

}  // namespace tavlo
