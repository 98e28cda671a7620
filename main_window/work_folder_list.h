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
    // "変更を保存しますか?" before the image is replaced; false when the user kept it
    // (UnsavedChangesQuestion).
    std::function<bool(bool saveElsewhere)> AskToSaveChanges;

    // The selection of the list changed: the chosen file is opened once the user has answered
    // about an unsaved image; ｷｬﾝｾﾙ opens nothing and puts the selection back on the current file.
    void File1_Click();
    // Opens a listed file: loaded, it becomes the current file, unchanged (document state 1). A
    // file that cannot be loaded (the file object has said why) changes neither the image, the
    // current file nor the document state, and the selection goes back to the current file.
    void OpenListedFile(const QString& path);
    // Re-reads the folder and selects the entry whose name equals the current file's name,
    // compared without regard to case; the selection made here opens nothing.
    void SyncListSelection();

private:
    // Selects the current file's entry, or none, without opening anything.
    void selectCurrentFile();

    FileListBox& m_list;
    MainWindowState& m_state;
    DocumentState& m_doc;
};

}  // namespace tavlo
