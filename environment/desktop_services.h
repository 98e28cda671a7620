#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

namespace tavlo {

// Everything the program hands to the desktop goes through this seam: opening a web page, a
// document or a folder in the program the desktop chooses for it (xdg-open), and starting another
// program without waiting for it. Tests install a recording double, so no test ever opens a
// browser or starts a program.
class DesktopServices {
public:
    virtual ~DesktopServices() = default;

    // Opens a URL (a web page, a local file or a local folder) with the desktop's handler. True
    // when the desktop accepted the request; nothing waits for the opened program.
    virtual bool openUrl(const QUrl& url) = 0;

    // Starts a program with its arguments, each handed over as one argument whatever blanks it
    // holds, without waiting for it. True when the program was started.
    virtual bool startProgram(const QString& program, const QStringList& arguments) = 0;
};

// The process-wide desktop services: the Qt implementation unless a test installed its own.
DesktopServices& desktopServices();

// Installs a double (tests) or, with nullptr, goes back to the Qt implementation. The caller keeps
// ownership and must outlive its installation.
void setDesktopServices(DesktopServices* services);

}  // namespace tavlo
