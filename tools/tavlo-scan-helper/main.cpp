// tavlo-scan-helper: the process in which Tavlo's scanner drivers run. Tavlo starts it with one
// end of a socket pair as descriptor 3 (or the one named by --fd) and talks to it through
// ScanMessage; a driver that hangs or crashes takes only this process with it.
#include "imaging/scan/scan_helper_server.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

#include <fcntl.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int fd = 3;
    const QStringList args = app.arguments();
    if (const qsizetype at = args.indexOf(QStringLiteral("--fd")); at >= 0 && at + 1 < args.size())
        fd = args.at(at + 1).toInt();
    if (::fcntl(fd, F_GETFD) < 0) {
        std::fprintf(stderr, "tavlo-scan-helper: started by Tavlo only (no channel on fd %d)\n",
                     fd);
        return 2;
    }
    tavlo::scan::ScanHelperServer server(fd);
    QObject::connect(&server, &tavlo::scan::ScanHelperServer::finished, &app,
                     &QCoreApplication::quit);
    server.start();
    return app.exec();
}
