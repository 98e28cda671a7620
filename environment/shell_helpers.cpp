#include "environment/shell_helpers.h"

#include "environment/process_values.h"
#include "environment/settings_store.h"
#include "environment/user_prompt.h"

#include <QUrl>

namespace tavlo {

QString helpBaseUrl()
{
    return QUrl::fromLocalFile(programFolder() + QStringLiteral("help/")).toString();
}

QString helpPageName(const QString& sJob)
{
    QString page = sJob.toLower();
    if (!page.contains(QLatin1Char('.')))
        page += QStringLiteral(".htm");
    return page;
}

QString helpEntryPath()
{
    const ProcessValues& pv = processValues();
    return pv.userDataFolder + pv.programName + QStringLiteral("_help.desktop");
}

QString htmViewEntryPath()
{
    return processValues().userDataFolder + QStringLiteral("Wrk/htm_view.desktop");
}

QString sendToEntryPath()
{
    const QString folder = yIni().FsGtSpFld(9);
    if (folder.isEmpty())
        return QString();
    return folder + QLatin1Char('/') + processValues().programName + QStringLiteral(".desktop");
}

void tellNotOpened(const QString& what, const QString& target, const QString& program)
{
    userPrompt().message(programTitle(), what + QLatin1Char('\r') + target + QLatin1Char('\r') +
                                             program + QString::fromUtf8("を起動できませんでした"));
}

}  // namespace tavlo
