#include "environment/process_values.h"

#include <QCoreApplication>

namespace tavlo {

ProcessValues& processValues()
{
    static ProcessValues values;
    return values;
}

QString programFolder()
{
    QString folder = processValues().programFolderPath;
    if (folder.isEmpty())
        folder = QCoreApplication::applicationDirPath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

QString programTitle()
{
    return QStringLiteral("Tavlo");
}

}  // namespace tavlo
