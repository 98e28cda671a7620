#pragma once

#include "environment/user_prompt.h"

#include <QString>
#include <QStringList>

namespace tavlo {

// Shows the open-file dialog, owned by the main window, and returns the chosen full path, or ""
// when the user cancelled (never the initial name).
//   title          the dialog's title
//   initialName    the file name shown at first; when it carries a folder ("/" in it) that folder
//                  is where the dialog opens
//   filter         description and pattern pairs, all separated by "|":
//                  "画像ﾌｧｲﾙ|*.BMP;*.JPG|全てのﾌｧｲﾙ|*"; the first entry is preselected
//   initialFolder  where the dialog opens when initialName is a bare name; ignored when empty
QString ShowOpenFileDialog(const QString& title, const QString& initialName, const QString& filter,
                           const QString& initialFolder);

// The request ShowOpenFileDialog hands to userPrompt().openFileName.
FileDialogRequest openFileDialogRequest(const QString& title, const QString& initialName,
                                        const QString& filter, const QString& initialFolder);

// "desc|pattern|desc|pattern" as dialog entries "desc|pattern". A description left without a
// pattern (as in the trailing "|" of "画像ﾌｧｲﾙ|*.BMP|") is dropped.
QStringList fileDialogFilters(const QString& filter);

}  // namespace tavlo
