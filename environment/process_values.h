#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

namespace tavlo {

// The values every layer of the running program reads: who the program is, where it lives, where
// the user's data lives and which phase the process is in. One instance per process, created at
// process start and never copied. Start-up (app/program.h) fills the program's identity; the user
// data folder is set by SettingsStore::W_UserData. Single thread: the user-interface thread.
struct ProcessValues {
    // Base name of the executable without extension and without a trailing "_dv" (any case).
    // The user data folder, the tool path store key and the desktop entries are named after it.
    QString programName;

    // Folder of the real executable (symlinks resolved), ending in "/". Empty until start-up set
    // it; programFolder() then falls back to the running executable's folder.
    QString programFolderPath;

    // True from just before the main window is created; never cleared.
    bool started = false;

    // True once EndProgram began closing the windows: a close handler that sees it must not save.
    bool ending = false;

    // The main window, once created: parent of dialogs that have no other owner.
    QPointer<QWidget> mainWindow;

    // Per-user data folder ("User.xml", the work folder "Temp"), ending in "/".
    QString userDataFolder;

    // The program folder followed by "apData/": data files that come with the program.
    QString appDataFolder;
};

ProcessValues& processValues();

// The program folder: ProcessValues::programFolderPath, or the running executable's folder,
// always ending in "/".
QString programFolder();

// The program's title, shown on every message box.
QString programTitle();

}  // namespace tavlo
