#pragma once

#include <QListWidget>
#include <QStringList>

namespace tavlo {

// The work-folder list File1: the names of the files in one folder that match a pattern, sorted
// by name without regard to case. Like the file list boxes the program was designed with, the
// right button does not move the selection; it asks for the pop-up menu instead.
class FileListBox : public QListWidget {
    Q_OBJECT
public:
    explicit FileListBox(QWidget* parent = nullptr);

    // The list keeps its narrow design width whatever type the desktop uses; this makes the type
    // smaller (down to 9 pixels) until a sample name, such as a usual work-file name, fits whole.
    void fitTypeTo(int width, const QString& sample);

    // The folder shown (no trailing "/").
    QString path() const { return m_path; }
    void setPath(const QString& folder);

    // Patterns separated by ";", matched without regard to letter case. Blanks around a pattern
    // are not part of it, so "*.JPG; *.JPEG" shows both kinds.
    QString pattern() const { return m_pattern; }
    void setPattern(const QString& pattern);

    // Re-reads the folder. The selected name stays selected when it is still there; the
    // re-reading itself is never reported as a selection change.
    void Refresh();

    // The selected file name, "" when none is selected.
    QString fileName() const;
    int listCount() const { return count(); }
    QString entry(int i) const;
    int listIndex() const { return currentRow(); }
    // Selects an entry (-1 clears the selection); reported as a selection change.
    void setListIndex(int i);

    // The names of the folder's files that match the pattern, in list order.
    static QStringList matchingFiles(const QString& folder, const QString& pattern);

signals:
    // The selection moved to another entry (by the user or by setListIndex).
    void selectionChanged();
    void contextMenuRequested(const QPoint& globalPos);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QString m_path;
    QString m_pattern;
};

}  // namespace tavlo
