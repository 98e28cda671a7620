#pragma once

#include <QIconEngine>

#include <functional>

class QPainter;

namespace tavlo {

// An icon drawn in code on a square grid of `units`, rendered afresh at whatever size and device
// pixel ratio it is asked for, so it is sharp on every screen density (no stretched bitmap). The
// disabled look is the style's own, made from the sharp rendering.
class DrawnIconEngine : public QIconEngine {
public:
    using Drawing = std::function<void(QPainter&)>;

    DrawnIconEngine(int units, Drawing draw);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override;
    QIconEngine* clone() const override;
    QString key() const override;

private:
    int m_units;
    Drawing m_draw;
};

}  // namespace tavlo
