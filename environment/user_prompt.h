#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace tavlo {

// What an open or save dialog is asked to show.
struct FileDialogRequest {
    QString title;
    QString initialName;    // file name, possibly with a folder
    QString initialFolder;  // used only when not empty
    // Entries as "description|pattern;pattern", for example "画像ﾌｧｲﾙ|*.BMP;*.JPG".
    QStringList filters;
    // Index into filters: the one shown first; a save dialog sets it to the one the user chose.
    int selectedFilter = 0;
    QWidget* parent = nullptr;
};

// Every question or message to the user goes through this seam, so tests can read each text and
// answer each dialog without a person. Texts are passed exactly as the program builds them (line
// breaks inside messages are a carriage return alone); the Qt implementation turns them into what
// the desktop shows.
class UserPrompt {
public:
    virtual ~UserPrompt() = default;

    // A message box with an OK button only.
    virtual void message(const QString& title, const QString& text) = 0;

    // A message box with OK and Cancel; true when the user chose OK.
    virtual bool confirm(const QString& title, const QString& text) = 0;

    // A question answered by one of the buttons (captions as given, the first the default); the
    // last one is the cancel, which Escape and the close box choose too. Returns the index of
    // the chosen button in buttons.
    virtual int choose(const QString& title, const QString& text, const QStringList& buttons) = 0;

    // A file dialog; the chosen full path, or "" when the user cancelled. The save dialog also
    // reports the file type chosen, in request.selectedFilter.
    virtual QString openFileName(const FileDialogRequest& request) = 0;
    virtual QString saveFileName(FileDialogRequest& request) = 0;

    // A folder dialog (request.title, initialFolder and parent are used); the chosen folder, or
    // "" when the user cancelled. A prompt that cannot ask answers "".
    virtual QString folderName(const FileDialogRequest& request)
    {
        Q_UNUSED(request);
        return QString();
    }
};

// The process-wide prompt: the Qt implementation unless a test installed its own.
UserPrompt& userPrompt();

// Installs a prompt (tests) or, with nullptr, goes back to the Qt implementation. The caller keeps
// ownership and must outlive its installation.
void setUserPrompt(UserPrompt* prompt);

}  // namespace tavlo
