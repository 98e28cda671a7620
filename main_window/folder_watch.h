#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <functional>

namespace tavlo {

// Keeps the work-folder list in step with changes other programs make to the folder. Every five
// seconds (Timer1) the folder's last-modification time and file count are compared with the last
// seen ones (FolderStamp); a later time or another count runs the synchronisation. In addition a
// file-system watcher reports a change at once, so a file saved by another program appears
// without waiting for the next tick.
class FolderWatch : public QObject {
    Q_OBJECT
public:
    struct FolderStamp {
        double time = 0;  // last modification, milliseconds since the epoch; 0 = never seen
        int count = 0;    // number of files
    };

    explicit FolderWatch(QObject* parent = nullptr);

    // The folder watched (the list's folder); the stamp starts at 0, so the first tick always
    // synchronises.
    void setFolder(const QString& folder);
    QString folder() const { return m_folder; }

    // What a change runs (SyncListSelection).
    std::function<void()> onChange;

    // Starts the timer and the watcher; running ones keep running.
    void start();
    bool isRunning() const { return Timer1.isActive(); }

    // One tick of the timer: compares and, on a change, synchronises.
    void Timer1_Timer();

    const FolderStamp& stamp() const { return m_stamp; }
    static FolderStamp stampOf(const QString& folder);

    QTimer Timer1;

private:
    void watchFolder();
    void folderChanged();

    QString m_folder;
    FolderStamp m_stamp;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;  // gathers a burst of changes (a scan writing pages) into one refresh
};

}  // namespace tavlo
