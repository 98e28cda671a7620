// A stand-in for tavlo-scan-helper with a faulty driver: the real helper, whose driver stops
// answering or crashes once a given page has begun. TAVLO_TEST_DRIVER_FAULT says which:
//   hang:N    the driver blocks forever inside page N (a Cancel is never answered)
//   abort:N   the process aborts inside page N
//   ahead:N   a sound driver, but N pages are read ahead of the window instead of 2, so a test
//             can have every page of a run read before the first is handled
// Without it the stand-in is the real helper.
#include "imaging/scan/scan_helper_server.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdlib>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--fd"));
    const int fd = at >= 0 && at + 1 < args.size() ? args.at(at + 1).toInt() : 3;
    if (::fcntl(fd, F_GETFD) < 0)
        return 2;
    const QStringList fault = qEnvironmentVariable("TAVLO_TEST_DRIVER_FAULT").split(u':');
    const int page = fault.value(1).toInt();
    tavlo::scan::ScanHelperServer server(fd, fault.first() == QLatin1String("ahead")
                                                 ? page
                                                 : tavlo::scan::ScanHelperServer::kPagesInFlight);
    if (fault.first() == QLatin1String("hang")) {
        server.setProgressHook([page](int p, int) {
            while (p == page)
                ::pause();
        });
    } else if (fault.first() == QLatin1String("abort")) {
        server.setProgressHook([page](int p, int) {
            if (p != page)
                return;
            const rlimit noCore{0, 0};  // no core file left in the test's folder
            ::setrlimit(RLIMIT_CORE, &noCore);
            std::abort();
        });
    }
    QObject::connect(&server, &tavlo::scan::ScanHelperServer::finished, &app,
                     &QCoreApplication::quit);
    server.start();
    return app.exec();
}
