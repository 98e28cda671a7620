#pragma once

#include <QObject>

#include <functional>

namespace tavlo {

class DocumentState;
class FileListBox;
struct MainWindowState;

// The work-folder list's behaviour: choosing a file opens it (unless the program itself is moving
// the selection, bLstLock), and SyncListSelection re-reads the folder and selects the current
// file's entry.
class WorkFolderList : public QObject {
    Q_OBJECT
public:
    // The list's folder gets the work folder and the image-file pattern of the main window.
    static QString imagePattern();

    WorkFolderList(FileListBox& list, MainWindowState& state, DocumentState& doc,
                   QObject* parent = nullptr);

    // Loads an image file into the view; true when it was loaded and drawn (LoadImageFile).
    std::function<bool(const QString& path)> LoadImageFile;
    // Whether a file (not a folder) exists at a path.
    std::function<bool(const QString& path)> CheckFileExists;

    // The selection of the list changed.
    void File1_Click();
    // Opens a listed file: loaded, it becomes the current file; the document state is 1 whatever
    // the load reported.
    void OpenListedFile(const QString& path);
    // Re-reads the folder and selects the entry whose name equals the current file's name,
    // compared without regard to case; the selection made here opens nothing.
    void SyncListSelection();

private:
    FileListBox& m_list;
    MainWindowState& m_state;
    DocumentState& m_doc;
};

}  // namespace tavlo
