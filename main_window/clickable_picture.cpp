#include "main_window/clickable_picture.h"

#include <QMouseEvent>

namespace tavlo {

void ClickablePicture::mousePressEvent(QMouseEvent* event)
{
    emit pressed(event->button());
    event->accept();
}

}  // namespace tavlo
