#pragma once

#include <QString>

#include <functional>

namespace tavlo {

class FileListBox;
struct MainWindowState;

// The File menu's work-folder commands: empty it, show it in the file manager, open it in the
// companion image editor.
class WorkFolderCommands {
public:
    WorkFolderCommands(FileListBox& File1, MainWindowState& state);

    // Empties the view (CloseImage).
    std::function<void()> CloseImage;
    // "変更を保存しますか?" before the image is closed; false when the user kept it
    // (UnsavedChangesQuestion; saveElsewhere: its own file is about to be deleted).
    std::function<bool(bool saveElsewhere)> AskToSaveChanges;

    // After the user confirmed, and answered about an unsaved image (保存 asks for a name when the
    // image's file lies in the work folder, which is about to be emptied), deletes every file of
    // the work folder (sub folders and hidden files stay, but not the temporary files of saves
    // that never finished; a file that cannot be deleted is passed over), refreshes the list and
    // closes the image. Cancel deletes nothing and keeps the image.
    void EmptyWorkFolder();

    // Shows the work folder in the file manager.
    void ExploreWorkFolder();

    // Starts the companion image editor (tool 0) on the list's folder, or on the selected file,
    // handed over as one argument whatever blanks it holds. The editor's path is looked up once
    // (it may ask the user) and kept in sEdtExe; without one nothing starts.
    void OpenWorkFolderInEditor();

    // The editor's executable; "" until it was found.
    QString sEdtExe;

    // The confirmation's text.
    static QString emptyConfirmation();

private:
    FileListBox& m_list;
    MainWindowState& m_state;
};

}  // namespace tavlo
