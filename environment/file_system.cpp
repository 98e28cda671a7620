#include "environment/file_system.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
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
    // Not QSaveFile: Qt 6.4 renames a truncated temporary file over the target when the final
    // flush fails part-way (a short write followed by "disk full" or "file too large").
    if (path.isEmpty())
        return false;
    QFileInfo info(path);
    if (info.isSymLink() && info.exists())
        info = QFileInfo(info.canonicalFilePath());  // replace the file, not the link
    if (info.isDir())
        return false;
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    QByteArray temp = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") +
                                        info.fileName() + QStringLiteral(".XXXXXX"));
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    bool written = true;
    for (qsizetype done = 0; written && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (n < 0 && errno == EINTR)
            continue;
        else
            written = false;
    }
    // A replaced file keeps its permissions; a new one gets 0666 less the umask.
    struct stat existing {};
    mode_t mode = 0;
    if (::stat(target.constData(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    written = written && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    written = ::close(fd) == 0 && written;
    if (written && ::rename(temp.constData(), target.constData()) == 0)
        return true;
    ::unlink(temp.constData());
    return false;
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
