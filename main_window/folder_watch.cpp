#include "main_window/folder_watch.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace tavlo {

FolderWatch::FolderWatch(QObject* parent) : QObject(parent)
{
    Timer1.setInterval(5000);
    connect(&Timer1, &QTimer::timeout, this, &FolderWatch::Timer1_Timer);
    m_settle.setSingleShot(true);
    m_settle.setInterval(150);
    connect(&m_settle, &QTimer::timeout, this, &FolderWatch::folderChanged);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { m_settle.start(); });
}

void FolderWatch::setFolder(const QString& folder)
{
    if (!m_folder.isEmpty() && m_watcher.directories().contains(m_folder))
        m_watcher.removePath(m_folder);
    m_folder = folder;
    m_stamp = {};
    if (Timer1.isActive())
        watchFolder();
}

void FolderWatch::start()
{
    if (!Timer1.isActive())
        Timer1.start();
    watchFolder();
}

void FolderWatch::watchFolder()
{
    // A folder that was removed and made again drops out of the watcher; it is added back here.
    if (!m_folder.isEmpty() && !m_watcher.directories().contains(m_folder) &&
        QFileInfo(m_folder).isDir())
        m_watcher.addPath(m_folder);
}

FolderWatch::FolderStamp FolderWatch::stampOf(const QString& folder)
{
    FolderStamp s;
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir())
        return s;  // a missing or unreadable folder reads as 0, 0
    s.time = static_cast<double>(info.lastModified().toMSecsSinceEpoch());
    s.count =
        static_cast<int>(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System).size());
    return s;
}

void FolderWatch::Timer1_Timer()
{
    watchFolder();
    const FolderStamp now = stampOf(m_folder);
    const bool changed = now.time > m_stamp.time || now.count != m_stamp.count;
    m_stamp = now;
    if (changed && onChange)
        onChange();
}

void FolderWatch::folderChanged()
{
    watchFolder();
    m_stamp = stampOf(m_folder);
    if (onChange)
        onChange();
}

}  // namespace tavlo
