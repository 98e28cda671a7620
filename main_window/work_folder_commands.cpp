#include "main_window/work_folder_commands.h"

#include "environment/atomic_file.h"

#include "environment/companion_tools.h"
#include "environment/desktop_services.h"
#include "environment/process_values.h"
#include "environment/settings_store.h"
#include "environment/shell_helpers.h"
#include "environment/user_prompt.h"
#include "main_window/file_list_box.h"
#include "main_window/main_window_state.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>

namespace tavlo {

WorkFolderCommands::WorkFolderCommands(FileListBox& File1, MainWindowState& state)
    : m_list(File1), m_state(state)
{
}

QString WorkFolderCommands::emptyConfirmation()
{
    return QString::fromUtf8("作業ﾌｫﾙﾀﾞを空にして良いですが");
}

void WorkFolderCommands::EmptyWorkFolder()
{
    if (!userPrompt().confirm(programTitle(), emptyConfirmation()))
        return;
    const bool fileGoes =
        !m_state.sCurFile.isEmpty() &&
        QFileInfo(m_state.sCurFile).absolutePath() == QDir(m_state.sWrkFld).absolutePath();
    if (AskToSaveChanges && !AskToSaveChanges(fileGoes))
        return;
    const QDir work(processValues().userDataFolder + QStringLiteral("Temp"));
    if (!processValues().userDataFolder.isEmpty() && work.exists()) {
        for (const QString& name : work.entryList(QDir::Files))
            QFile::remove(work.filePath(name));
        // Hidden files stay, except what a killed save left behind.
        AtomicFile::removeStaleTemporaries(work.path());
    }
    m_list.Refresh();
    if (CloseImage)
        CloseImage();
}

void WorkFolderCommands::ExploreWorkFolder()
{
    yIni().W_ExpFd(m_state.sWrkFld, false);
}

void WorkFolderCommands::OpenWorkFolderInEditor()
{
    if (sEdtExe.isEmpty())
        zKtl().GetAppNm(0, sEdtExe);
    if (sEdtExe.isEmpty())
        return;
    QString argument = m_list.path();
    if (!m_list.fileName().isEmpty())
        argument += QLatin1Char('/') + m_list.fileName();
    if (!desktopServices().startProgram(sEdtExe, {argument}))
        tellNotOpened(QString::fromUtf8(m_list.fileName().isEmpty()
                                            ? "作業ﾌｫﾙﾀﾞを開けませんでした。"
                                            : "ﾌｧｲﾙを開けませんでした。"),
                      argument, sEdtExe + QLatin1Char(' '));
}

}  // namespace tavlo
