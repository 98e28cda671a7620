#include "main_window/file_list_box.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>

namespace tavlo {

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    // Like the file list boxes of old, a name too long for the width is cut (here with "…"); its
    // tooltip shows it whole.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextElideMode(Qt::ElideRight);
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            emit selectionChanged();
    });
}

void FileListBox::fitTypeTo(int width, const QString& sample)
{
    // Text stands inside the frame and the item's own margins on both sides.
    const int margins = 2 * frameWidth() +
                        2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
    QFont type = QApplication::font(this);
    int pixels = QFontInfo(type).pixelSize();
    type.setPixelSize(pixels);
    while (pixels > 9 && QFontMetrics(type).horizontalAdvance(sample) + margins > width)
        type.setPixelSize(--pixels);
    setFont(type);
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
    for (int i = 0; i < count(); ++i)
        item(i)->setToolTip(item(i)->text());
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
