#include "main_window/work_folder_list.h"

#include "main_window/document_state.h"
#include "main_window/file_list_box.h"
#include "main_window/main_window_state.h"

#include <QFileInfo>

namespace tavlo {

QString WorkFolderList::imagePattern()
{
    return QStringLiteral("*.BMP;*.TIFF;*.TIF;*.JPG; *.JPEG; *.GIF");
}

WorkFolderList::WorkFolderList(FileListBox& list, MainWindowState& state, DocumentState& doc,
                               QObject* parent)
    : QObject(parent), m_list(list), m_state(state), m_doc(doc)
{
    CheckFileExists = [](const QString& path) {
        const QFileInfo info(path);
        return !path.isEmpty() && info.exists() && !info.isDir();
    };
    connect(&list, &FileListBox::selectionChanged, this, &WorkFolderList::File1_Click);
}

void WorkFolderList::File1_Click()
{
    if (m_state.bLstLock)
        return;
    const QString name = m_list.fileName();
    if (name.isEmpty())
        return;
    const QString path = m_list.path() + QLatin1Char('/') + name;
    if (!CheckFileExists || !CheckFileExists(path))
        return;
    if (AskToSaveChanges && !AskToSaveChanges(false)) {
        selectCurrentFile();
        return;
    }
    OpenListedFile(path);
}

void WorkFolderList::OpenListedFile(const QString& path)
{
    if (LoadImageFile && LoadImageFile(path)) {
        m_state.sCurFile = path;
        m_doc.ImageMatchesFile();
    } else {
        // The view still shows the image it had, edited or not, or nothing: its state stays.
        selectCurrentFile();
    }
}

void WorkFolderList::selectCurrentFile()
{
    const bool wasLocked = m_state.bLstLock;
    m_state.bLstLock = true;
    m_list.setListIndex(-1);
    SyncListSelection();
    m_state.bLstLock = wasLocked;
}

void WorkFolderList::SyncListSelection()
{
    m_list.Refresh();
    if (m_state.sCurFile.isEmpty())
        return;
    const QString name = m_state.sCurFile.section(QLatin1Char('/'), -1).toLower();
    const bool wasLocked = m_state.bLstLock;
    m_state.bLstLock = true;
    for (int i = 0; i < m_list.listCount(); ++i) {
        if (m_list.entry(i).toLower() == name) {
            m_list.setListIndex(i);
            break;
        }
    }
    m_state.bLstLock = wasLocked;
}

}  // namespace tavlo
