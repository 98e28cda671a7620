#include "environment/qt_user_prompt.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace tavlo {
namespace {

// The program builds line breaks as a carriage return alone; widgets want a line feed.
QString shown(const QString& text)
{
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

QFileDialog* makeDialog(const FileDialogRequest& request)
{
    auto* dialog = new QFileDialog(request.parent ? request.parent : QApplication::activeWindow());
    // Qt's own dialog: it speaks the program's Japanese and matches the filters' patterns in any
    // letter case (the desktop's native dialog may do neither).
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setWindowTitle(request.title);
    // A file name that carries a folder decides the folder itself.
    const bool nameHasFolder = request.initialName.contains(QLatin1Char('/'));
    if (!nameHasFolder && !request.initialFolder.isEmpty())
        dialog->setDirectory(request.initialFolder);
    if (nameHasFolder)
        dialog->setDirectory(QFileInfo(request.initialName).absolutePath());
    const QStringList filters = QtUserPrompt::nameFilters(request.filters);
    if (!filters.isEmpty()) {
        dialog->setNameFilters(filters);
        dialog->selectNameFilter(filters.value(request.selectedFilter, filters.first()));
    }
    if (!request.initialName.isEmpty())
        dialog->selectFile(QFileInfo(request.initialName).fileName());
    return dialog;
}

}  // namespace

QStringList QtUserPrompt::nameFilters(const QStringList& filters)
{
    QStringList out;
    for (const QString& entry : filters) {
        const QString description = entry.section(QLatin1Char('|'), 0, 0);
        QString patterns = entry.section(QLatin1Char('|'), 1, 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        out.append(QStringLiteral("%1 (%2)").arg(description, patterns));
    }
    return out;
}

void QtUserPrompt::message(const QString& title, const QString& text)
{
    QMessageBox::information(QApplication::activeWindow(), title, shown(text), QMessageBox::Ok);
}

bool QtUserPrompt::confirm(const QString& title, const QString& text)
{
    return QMessageBox::question(QApplication::activeWindow(), title, shown(text),
                                 QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Cancel) == QMessageBox::Ok;
}

int QtUserPrompt::choose(const QString& title, const QString& text, const QStringList& buttons)
{
    QMessageBox box(QMessageBox::Question, title, shown(text), QMessageBox::NoButton,
                    QApplication::activeWindow());
    QList<QAbstractButton*> added;
    for (const QString& caption : buttons) {
        const bool last = added.size() == buttons.size() - 1;
        added.append(
            box.addButton(caption, last ? QMessageBox::RejectRole : QMessageBox::AcceptRole));
    }
    if (!added.isEmpty()) {
        box.setDefaultButton(qobject_cast<QPushButton*>(added.first()));
        box.setEscapeButton(added.last());
    }
    box.exec();
    const qsizetype chosen = added.indexOf(box.clickedButton());
    return int(chosen < 0 ? buttons.size() - 1 : chosen);
}

QString QtUserPrompt::openFileName(const FileDialogRequest& request)
{
    QFileDialog* dialog = makeDialog(request);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setOption(QFileDialog::ReadOnly, false);
    QString chosen;
    if (dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty())
        chosen = dialog->selectedFiles().first();
    delete dialog;
    return chosen;
}

QString QtUserPrompt::saveFileName(FileDialogRequest& request)
{
    QFileDialog* dialog = makeDialog(request);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    QString chosen;
    if (dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty()) {
        chosen = dialog->selectedFiles().first();
        const qsizetype type = nameFilters(request.filters).indexOf(dialog->selectedNameFilter());
        if (type >= 0)
            request.selectedFilter = int(type);
    }
    delete dialog;
    return chosen;
}

QString QtUserPrompt::folderName(const FileDialogRequest& request)
{
    QFileDialog* dialog = makeDialog(request);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly, true);
    QString chosen;
    if (dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty())
        chosen = dialog->selectedFiles().first();
    delete dialog;
    return chosen;
}

}  // namespace tavlo
