#include "app/command_line.h"
#include "app/main_window_factory.h"
#include "app/program.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

namespace {

int answer(const tavlo::CommandLine& line)
{
    std::fputs(line.standardOutput.toLocal8Bit().constData(), stdout);
    std::fputs(line.standardError.toLocal8Bit().constData(), stderr);
    return line.exitCode;
}

}  // namespace

int main(int argc, char** argv)
{
    // --help and --version answer before Qt looks for a display, so they work on any terminal.
    QStringList raw;
    for (int i = 0; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    const QString version = QStringLiteral(TAVLO_VERSION);
    const tavlo::CommandLine early = tavlo::readCommandLine(raw, QDir::currentPath(), version);
    if (early.exitAtOnce && early.exitCode == 0)
        return answer(early);

    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(version);
    // Read again without the options Qt took for itself (-platform, -style, ...).
    const tavlo::CommandLine line =
        tavlo::readCommandLine(QCoreApplication::arguments(), QDir::currentPath(), version);
    if (line.exitAtOnce)
        return answer(line);
    QWidget* window = tavlo::StartProgram(&tavlo::createMainWindow);
    if (window && !line.fileToOpen.isEmpty())
        tavlo::openInMainWindow(window, line.fileToOpen);
    return QApplication::exec();
}
