#pragma once

#include "environment/user_prompt.h"

namespace tavlo {

// The real dialogs: QMessageBox and QFileDialog, owned by the active window.
class QtUserPrompt : public UserPrompt {
public:
    void message(const QString& title, const QString& text) override;
    bool confirm(const QString& title, const QString& text) override;
    int choose(const QString& title, const QString& text, const QStringList& buttons) override;
    QString openFileName(const FileDialogRequest& request) override;
    QString saveFileName(FileDialogRequest& request) override;
    QString folderName(const FileDialogRequest& request) override;

    // "desc|pattern;pattern" entries as QFileDialog name filters ("desc (pattern pattern)").
    static QStringList nameFilters(const QStringList& filters);
};

}  // namespace tavlo
