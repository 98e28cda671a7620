// tavlo-image: reads, converts and describes image files with the imaging control's own codecs,
// for scripts and measurements.
#include "tools/tavlo-image/convert_command.h"
#include "tools/tavlo-image/info_command.h"
#include "tools/tavlo-image/pdf_command.h"

#include <QStringList>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QString command = arguments.isEmpty() ? QString() : arguments.takeFirst();
    if (command == QLatin1String("info"))
        return tavlo::tools::runInfo(arguments, out, err);
    if (command == QLatin1String("convert"))
        return tavlo::tools::runConvert(arguments, err);
    if (command == QLatin1String("pdf"))
        return tavlo::tools::runPdf(arguments, err, isatty(STDERR_FILENO) == 1);
    err << "usage: tavlo-image info [--skew] FILE...\n"
           "       tavlo-image convert IN OUT --format FORMAT [--quality Q]\n"
           "       tavlo-image pdf OUT.pdf IN|FOLDER... [--paper NAME] [--title TEXT]\n";
    return 2;
}
