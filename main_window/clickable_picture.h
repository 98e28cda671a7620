#pragma once

#include <QLabel>

namespace tavlo {

// A picture that reports which mouse button was pressed on it (the magnifier imZoom).
class ClickablePicture : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void pressed(Qt::MouseButton button);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace tavlo
