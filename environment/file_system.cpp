#include "environment/file_system.h"

#include "environment/atomic_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>


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

bool FileSystem::createFolder(const QString& path)
{
    return !path.isEmpty() && QDir().mkdir(path);
}

std::optional<QByteArray> FileSystem::readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

bool FileSystem::createEmptyFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
}

bool FileSystem::writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    return !path.isEmpty() && AtomicFile::writeWhole(path, bytes);
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
