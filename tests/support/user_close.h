#pragma once

#include <QCloseEvent>
#include <QWidget>
#include <QtTest/qtestspontaneevent.h>

namespace tavlo::test {

// A close asked for by the user through the window frame, delivered as the window system
// delivers it (sendEvent would clear the spontaneous mark).
inline void closeThroughTheFrame(QWidget& window)
{
    QCloseEvent close;
    QSpontaneKeyEvent::setSpontaneous(&close);
    static_cast<QObject&>(window).event(&close);
}

}  // namespace tavlo::test
