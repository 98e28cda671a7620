// The shell helpers of the settings store: they hand work to the desktop through the
// DesktopServices seam and never wait for the program the desktop starts.
//
// Where the program once wrote a shell shortcut and asked the shell to open that shortcut, it
// writes a freedesktop desktop entry of the same name and target and then opens the target
// itself: a desktop opens a ".desktop" file in a text editor rather than following it.
#include "environment/shell_helpers.h"

#include "environment/desktop_entry.h"
#include "environment/desktop_services.h"
#include "environment/file_system.h"
#include "environment/process_values.h"
#include "environment/settings_store.h"
#include "environment/user_prompt.h"

#include <QDir>
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

void SettingsStore::W_Help(const QString& sJob)
{
    // A failing step ends the operation silently; nothing is opened after it.
    if (processValues().userDataFolder.isEmpty())
        return;
    const QString target = helpBaseUrl() + helpPageName(sJob);
    if (!DesktopEntry::writeLink(helpEntryPath(), processValues().programName + QStringLiteral("_help"), target))
        return;
    desktopServices().openUrl(QUrl(target));
}

void SettingsStore::W_HtmView(const QString& sUrl)
{
    // The sub folder "Wrk" is not made here: without it the entry cannot be written and nothing
    // opens.
    if (processValues().userDataFolder.isEmpty())
        return;
    if (!DesktopEntry::writeLink(htmViewEntryPath(), QStringLiteral("htm_view"), sUrl))
        return;
    desktopServices().openUrl(QUrl::fromUserInput(sUrl));
}

void SettingsStore::W_SendTo()
{
    const QString folder = FsGtSpFld(9);
    if (folder.isEmpty())
        return;
    // The desktop's own entry folder may not have been made yet on a fresh account.
    if (!QDir().mkpath(folder))
        return;
    const ProcessValues& pv = processValues();
    const QString executable = programFolder() + pv.programName;
    if (!DesktopEntry::writeApplication(sendToEntryPath(), pv.programName, executable))
        return;
    userPrompt().message(programTitle(), executable + QString::fromUtf8(" のｼｮｰﾄｶｯﾄを ") + folder +
                                             QString::fromUtf8(" に作成しました"));
}

void SettingsStore::W_ExpFd(const QString& sFld, bool bOpn)
{
    if (sFld.isEmpty())
        return;
    if (bOpn) {
        desktopServices().openUrl(QUrl::fromLocalFile(sFld));
        return;
    }
    EnsureFileSystem();
    if (fileSystem().folderExists(sFld))
        desktopServices().openUrl(QUrl::fromLocalFile(sFld));
}

}  // namespace tavlo
