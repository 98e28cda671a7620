#pragma once

#include "imaging/view/image_view.h"

#include <QApplication>
#include <QMouseEvent>

#include <cmath>
#include <vector>

namespace tavlo::test {

// The view pixel that shows the centre of an image pixel at the view's present geometry.
inline QPoint viewPointOf(const ImageView& view, QPoint pixel)
{
    const QPointF p = view.viewGeometry().toView(QPointF(pixel) + QPointF(0.5, 0.5));
    return QPoint(int(std::floor(p.x())), int(std::floor(p.y())));
}

// A left-button drag over the view through the image pixels, as the mouse delivers it: a press
// at the first, moves with the button held through the others, the release at the last.
inline void dragThrough(ImageView& view, const std::vector<QPoint>& pixels)
{
    QWidget* target = view.viewport();
    auto send = [target](QEvent::Type type, QPoint at, Qt::MouseButton button,
                         Qt::MouseButtons held) {
        QMouseEvent event(type, QPointF(at), QPointF(target->mapToGlobal(at)), button, held,
                          Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    };
    send(QEvent::MouseButtonPress, viewPointOf(view, pixels.front()), Qt::LeftButton,
         Qt::LeftButton);
    for (std::size_t i = 1; i < pixels.size(); ++i)
        send(QEvent::MouseMove, viewPointOf(view, pixels[i]), Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, viewPointOf(view, pixels.back()), Qt::LeftButton,
         Qt::NoButton);
}

inline void clickAt(ImageView& view, QPoint pixel)
{
    dragThrough(view, {pixel});
}

}  // namespace tavlo::test
