#include "environment/open_file_dialog.h"

#include "environment/process_values.h"

namespace tavlo {

QStringList fileDialogFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty() && parts[i + 1].isEmpty())
            continue;
        entries.append(parts[i] + QLatin1Char('|') + parts[i + 1]);
    }
    return entries;
}

FileDialogRequest openFileDialogRequest(const QString& title, const QString& initialName,
                                        const QString& filter, const QString& initialFolder)
{
    FileDialogRequest request;
    request.title = title;
    request.initialName = initialName;
    // A file name that already carries a folder decides the folder itself.
    if (!initialName.contains(QLatin1Char('/')) && !initialFolder.isEmpty())
        request.initialFolder = initialFolder;
    request.filters = fileDialogFilters(filter);
    request.selectedFilter = 0;
    request.parent = processValues().mainWindow;
    return request;
}

QString ShowOpenFileDialog(const QString& title, const QString& initialName, const QString& filter,
                           const QString& initialFolder)
{
    return userPrompt().openFileName(
        openFileDialogRequest(title, initialName, filter, initialFolder));
}

}  // namespace tavlo
