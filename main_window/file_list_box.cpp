#include "main_window/file_list_box.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalBlocker>

namespace tavlo {

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            emit selectionChanged();
    });
}

void FileListBox::setPath(const QString& folder)
{
    m_path = folder;
    while (m_path.size() > 1 && m_path.endsWith(QLatin1Char('/')))
        m_path.chop(1);
    Refresh();
}

void FileListBox::setPattern(const QString& pattern)
{
    m_pattern = pattern;
    Refresh();
}

QStringList FileListBox::matchingFiles(const QString& folder, const QString& pattern)
{
    if (folder.isEmpty())
        return {};
    QStringList filters;
    for (const QString& part : pattern.split(QLatin1Char(';'))) {
        const QString p = part.trimmed();
        if (!p.isEmpty())
            filters.append(p);
    }
    // Without QDir::CaseSensitive the name filters match without regard to letter case.
    return QDir(folder).entryList(filters, QDir::Files, QDir::Name | QDir::IgnoreCase);
}

void FileListBox::Refresh()
{
    const QString selected = fileName();
    const QStringList names = matchingFiles(m_path, m_pattern);
    const QSignalBlocker block(this);
    const int top = verticalScrollBar() ? verticalScrollBar()->value() : 0;
    clear();
    addItems(names);
    if (!selected.isEmpty()) {
        const int row = static_cast<int>(names.indexOf(selected));
        if (row >= 0)
            setCurrentRow(row);
    }
    if (verticalScrollBar())
        verticalScrollBar()->setValue(top);
}

QString FileListBox::fileName() const
{
    const QListWidgetItem* item = currentItem();
    return item ? item->text() : QString();
}

QString FileListBox::entry(int i) const
{
    const QListWidgetItem* it = item(i);
    return it ? it->text() : QString();
}

void FileListBox::setListIndex(int i)
{
    if (i < 0 || i >= count()) {
        setCurrentRow(-1);
        return;
    }
    setCurrentRow(i);
}

void FileListBox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QListWidget::mousePressEvent(event);
}

void FileListBox::contextMenuEvent(QContextMenuEvent* event)
{
    emit contextMenuRequested(event->globalPos());
    event->accept();
}

}  // namespace tavlo
