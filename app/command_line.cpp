#include "app/command_line.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace tavlo {
namespace {

QString usage(const QString& program)
{
    return QString::fromUtf8("使い方: %1 [ﾌｧｲﾙ]\n"
                             "画像をｽｷｬﾅｰから連番のﾌｧｲﾙに取り込み、表示・編集・保存します。\n"
                             "ﾌｧｲﾙを指定すると、その画像を開いて起動します。\n"
                             "\n"
                             "  -h, --help     この説明を表示して終了します\n"
                             "  -v, --version  ﾊﾞｰｼﾞｮﾝを表示して終了します\n")
        .arg(program);
}

QString localPath(const QString& argument, const QString& workingFolder)
{
    if (argument.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
        const QUrl url(argument);
        if (url.isLocalFile())
            return url.toLocalFile();
    }
    return QDir::cleanPath(QFileInfo(QDir(workingFolder), argument).absoluteFilePath());
}

}  // namespace

CommandLine readCommandLine(const QStringList& arguments, const QString& workingFolder,
                            const QString& version)
{
    CommandLine line;
    const QString program =
        arguments.isEmpty() ? QStringLiteral("tavlo") : QFileInfo(arguments.first()).fileName();
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!optionsEnded && argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            if (argument == QLatin1String("--")) {
                optionsEnded = true;
                continue;
            }
            line.exitAtOnce = true;
            if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
                line.standardOutput = usage(program);
            } else if (argument == QLatin1String("-v") || argument == QLatin1String("--version")) {
                line.standardOutput = program + QLatin1Char(' ') + version + QLatin1Char('\n');
            } else {
                line.exitCode = 2;
                line.standardError =
                    QString::fromUtf8("%1: 不明なｵﾌﾟｼｮﾝ %2\n").arg(program, argument) +
                    usage(program);
            }
            return line;
        }
        if (line.fileToOpen.isEmpty())
            line.fileToOpen = localPath(argument, workingFolder);
    }
    return line;
}

}  // namespace tavlo
