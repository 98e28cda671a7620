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

    // After the user confirmed, deletes every file of the work folder (sub folders and hidden
    // files stay; a file that cannot be deleted is passed over), refreshes the list and closes
    // the image. Cancel deletes nothing and keeps the image.
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
