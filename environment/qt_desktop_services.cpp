#include "environment/qt_desktop_services.h"

#include <QDesktopServices>
#include <QProcess>

namespace tavlo {

bool QtDesktopServices::openUrl(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

bool QtDesktopServices::startProgram(const QString& program, const QStringList& arguments)
{
    return QProcess::startDetached(program, arguments);
}

}  // namespace tavlo
