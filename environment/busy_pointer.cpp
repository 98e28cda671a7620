#include "environment/busy_pointer.h"

#include <QCursor>
#include <QGuiApplication>

namespace tavlo {

BusyPointer::BusyPointer()
{
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

BusyPointer::~BusyPointer()
{
    QGuiApplication::restoreOverrideCursor();
}

}  // namespace tavlo
