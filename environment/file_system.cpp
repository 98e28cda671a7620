#include "environment/file_system.h"

#include "environment/atomic_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavlo {
namespace {

std::unique_ptr<FileSystem>& service()
{
    static std::unique_ptr<FileSystem> instance;
    return instance;
}

}  // namespace

bool FileSystem::fileExists(const QString& path) const
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

bool FileSystem::folderExists(const QString& path) const
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

bool FileSystem::folderWritable(const QString& path) const
{
    return !path.isEmpty() && ::access(QFile::encodeName(path).constData(), W_OK | X_OK) == 0;
}

bool FileSystem::createFolder(const QString& path)
{
    return !path.isEmpty() && QDir().mkdir(path);
}

bool FileSystem::anythingAt(const QString& path) const
{
    struct stat st { };
    return !path.isEmpty() && ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

std::optional<QByteArray> FileSystem::readFile(const QString& path, qint64 limit)
{
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = limit < 0 ? file.readAll() : file.read(limit + 1);
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

bool FileSystem::createEmptyFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
}

bool FileSystem::writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error)
{
    return !path.isEmpty() && AtomicFile::writeWhole(path, bytes, error);
}

bool FileSystem::keepAs(const QString& from, const QString& to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    // A link is followed: the name kept must hold the old bytes after the file behind the link
    // is replaced.
    if (::linkat(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), AT_SYMLINK_FOLLOW) ==
        0)
        return true;
    if (errno == EEXIST)
        return false;
    // No hard links here (some removable-disk file systems): move it; renameat2 refuses to
    // replace a file at the new name.
    return ::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(),
                       RENAME_NOREPLACE) == 0;
}

void EnsureFileSystem()
{
    if (!service())
        service() = std::make_unique<FileSystem>();
}

FileSystem& fileSystem()
{
    EnsureFileSystem();
    return *service();
}

bool CheckFileExists(const QString& path)
{
    return fileSystem().fileExists(path);
}

void releaseFileSystem()
{
    service().reset();
}

bool fileSystemExists()
{
    return service() != nullptr;
}

void installFileSystem(std::unique_ptr<FileSystem> replacement)
{
    service() = std::move(replacement);
}

}  // namespace tavlo
