#include "main_window/busy_state.h"

#include "imaging/imaging_control.h"
#include "imaging/view/mouse_pointer.h"

#include <QCursor>
#include <QGuiApplication>

namespace tavlo {

BusyState::~BusyState()
{
    // The control goes with the window; only the application's pointer needs giving back.
    if (m_busy)
        QGuiApplication::restoreOverrideCursor();
}

void BusyState::SetBusy(bool on)
{
    if (on == m_busy)
        return;
    m_busy = on;
    if (on) {
        m_ikImg.setMousePointer(PointerShape::WindowBusy);
        QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    } else {
        m_ikImg.setMousePointer(PointerShape::ViewDefault);
        QGuiApplication::restoreOverrideCursor();
    }
}

}  // namespace tavlo
