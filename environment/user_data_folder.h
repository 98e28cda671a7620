#pragma once

#include <QString>
#include <QStringList>

namespace tavlo {

// Where the user's data lives, and the folder services around it. SettingsStore offers these as
// W_UserData, FsGtSpFld, F_ChkSb and F_CreateFld.
class UserDataFolder {
public:
    // Registers the program's executable in the tool path store (only when the stored path
    // differs, letter case aside: first start, or the program moved), decides the user data folder
    // from "UserData.ini" in the program folder, creates it when missing and stores it, with the
    // application data folder, in processValues().
    //
    // "UserData.ini" (code page 932) is read up to its first 4 KB (one folder path); line breaks
    // and blanks at its end are dropped (`echo` and editors add them). Its lower-cased content
    // picks:
    //   "%app%"                    program folder + "usData/"
    //   "%usr%", "%applicaion data%", any other text beginning with "%"
    //                              the default folder: application data/Hollin/<program name>/
    //   "%doc", "%my document%"    documents/Hollin/<program name>/
    //   anything else              that folder, as typed, with "/" appended, when it exists; a
    //                              relative one is taken from the program folder
    // A missing or empty file, a folder that does not exist, an unreadable file and an unwritable
    // tool path store are each shown in a message; start-up goes on with the default folder. A
    // user data folder the program cannot write in is shown too.
    static void establish();

    // The default user data folder: application data/Hollin/<program name>/.
    static QString defaultFolder();

    // Special folder by its shell id, without a trailing "/"; "" for an unknown id.
    //   26  application data  QStandardPaths::GenericDataLocation (~/.local/share)
    //    5  documents         QStandardPaths::DocumentsLocation
    //    9  Send To           application data + "/applications"
    static QString specialFolder(int id);

    // Creates base + name for each missing name (one level each). False when any failed.
    static bool createSubFolders(const QString& base, const QStringList& names);

    // Creates every missing level of folder from the top down, passing over a level that fails.
    // True when folder exists afterwards.
    static bool createFolderPath(const QString& folder);
};

}  // namespace tavlo
