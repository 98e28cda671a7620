#include "environment/atomic_file.h"

#include "environment/disk_calls.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavlo {
namespace {

constexpr char kTemporaryPrefix[] = ".tavlo-";
constexpr int kTemporaryRandom = 6;  // the XXXXXX of mkostemp

QString systemReason(int error)
{
    switch (error) {
    case ENODEV: return AtomicFile::notRegularFileReason();
    case ENOSPC:
    case EDQUOT: return QStringLiteral("ﾃﾞｨｽｸの空き容量が足りません");
    case EACCES:
    case EPERM: return QStringLiteral("書き込みの権限がありません");
    case EROFS: return QStringLiteral("読み取り専用の場所です");
    case ENOENT:
    case ENOTDIR: return QStringLiteral("ﾌｫﾙﾀﾞがありません");
    case ENAMETOOLONG: return QStringLiteral("ﾌｧｲﾙ名が長すぎます");
    case EISDIR: return QStringLiteral("同じ名前のﾌｫﾙﾀﾞがあります");
    default: return QString::fromLocal8Bit(std::strerror(error));
    }
}

mode_t currentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// The temporary file. Every kWritebackStep bytes it asks the kernel to start writing what it holds
// so far to the disk, while the encoder goes on producing the rest: the sync in commit() then
// waits for the last few megabytes instead of the whole file (an A4 colour page of 26 MB syncs in
// about half the time). Only a hint: commit() still syncs the whole file before the rename, so
// what reaches the disk, and when the target is replaced, is unchanged.
class WritebackFile : public QFile {
public:
    static constexpr qint64 kWritebackStep = qint64(4) << 20;

protected:
    qint64 writeData(const char* data, qint64 length) override
    {
        const qint64 written = QFile::writeData(data, length);
        if (written > 0) {
            m_sinceHint += written;
            if (m_sinceHint >= kWritebackStep) {
                m_sinceHint = 0;
                // The whole file (length 0 = to its end): an encoder that went back to patch a
                // header dirtied that part again. Pages already on their way are skipped.
                ::sync_file_range(handle(), 0, 0, SYNC_FILE_RANGE_WRITE);
            }
        }
        return written;
    }

private:
    qint64 m_sinceHint = 0;
};

// The folder that holds path.
QByteArray folderOf(const QByteArray& path)
{
    const int slash = path.lastIndexOf('/');
    return slash > 0 ? path.left(slash) : QByteArray(slash == 0 ? "/" : ".");
}

// 0 when nothing is at path or a regular file is (a link followed); ENODEV for a device, pipe,
// socket or anything else that a rename would turn into a plain file; EISDIR for a folder.
int targetKind(const QByteArray& path)
{
    struct stat st { };
    if (::stat(path.constData(), &st) != 0)
        return 0;
    if (S_ISREG(st.st_mode))
        return 0;
    return S_ISDIR(st.st_mode) ? EISDIR : ENODEV;
}

}  // namespace

AtomicFile::AtomicFile(const QString& target) : m_target(target)
{
    // Replace the file a link points to, not the link.
    const QFileInfo info(target);
    if (info.isSymLink() && info.exists())
        m_target = info.canonicalFilePath();
}

bool AtomicFile::writeWhole(const QString& target, const QByteArray& bytes, QString* error)
{
    AtomicFile file(target);
    bool ok = file.open();
    if (ok && file.device().write(bytes) != bytes.size()) {
        if (error)
            *error = file.device().errorString();
        return false;
    }
    ok = ok && file.commit();
    if (!ok && error)
        *error = file.error();
    return ok;
}

AtomicFile::~AtomicFile()
{
    if (m_file && !m_committed) {
        m_file->close();
        ::unlink(m_tempPath.constData());
    }
}

QString AtomicFile::notRegularFileReason()
{
    return QStringLiteral("通常のﾌｧｲﾙではないため書き込めません");
}

bool AtomicFile::isTemporaryName(const QString& fileName)
{
    const QLatin1String prefix(kTemporaryPrefix);
    if (fileName.size() != prefix.size() + kTemporaryRandom || !fileName.startsWith(prefix))
        return false;
    for (qsizetype i = prefix.size(); i < fileName.size(); ++i) {
        const QChar c = fileName[i];
        if (!(c.isDigit() || (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
              (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))))
            return false;
    }
    return true;
}

int AtomicFile::removeStaleTemporaries(const QString& folder)
{
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists())
        return 0;
    int removed = 0;
    const QStringList names = dir.entryList({QLatin1String(kTemporaryPrefix) + QLatin1Char('*')},
                                            QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (!isTemporaryName(name))
            continue;
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        // O_NOFOLLOW: a link given our name is not ours; a device or pipe is never opened.
        const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st { };
        // The lock is free only when no writer holds the file any longer.
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::unlink(path.constData()) == 0)
            ++removed;
        ::close(fd);
    }
    return removed;
}

bool AtomicFile::open()
{
    const QFileInfo info(m_target);
    if (const int kind = targetKind(QFile::encodeName(info.absoluteFilePath())); kind != 0) {
        m_error = systemReason(kind);
        return false;
    }
    const QString folder = info.absolutePath();
    QByteArray path = QFile::encodeName(folder + QLatin1Char('/')) + kTemporaryPrefix +
                      QByteArray(kTemporaryRandom, 'X');
    const int fd = ::mkostemp(path.data(), O_CLOEXEC);
    if (fd < 0) {
        m_error = systemReason(errno);
        return false;
    }
    // Held until the file is closed, after the rename: removeStaleTemporaries leaves it alone.
    ::flock(fd, LOCK_EX);
    m_tempPath = path;
    m_file = std::make_unique<WritebackFile>();
    if (!m_file->open(fd, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        ::unlink(path.constData());
        m_file.reset();
        m_error = systemReason(EIO);
        return false;
    }
    return true;
}

QFile& AtomicFile::device()
{
    return *m_file;
}

bool AtomicFile::commit()
{
    if (!m_file) {
        if (m_error.isEmpty())
            m_error = systemReason(EBADF);
        return false;
    }
    const QByteArray temp = m_tempPath;
    const QByteArray target = QFile::encodeName(QFileInfo(m_target).absoluteFilePath());
    auto fail = [&](int error) {
        m_error = systemReason(error);
        m_file->close();
        ::unlink(temp.constData());
        m_file.reset();
        return false;
    };
    if (!m_file->flush())
        return fail(errno ? errno : EIO);
    const int fd = m_file->handle();
    // Keep the permissions of the file being replaced; a new file gets 0666 less the umask.
    struct stat existing { };
    const mode_t mode = ::stat(target.constData(), &existing) == 0 ? (existing.st_mode & 07777)
                                                                   : (0666 & ~currentUmask());
    if (::fchmod(fd, mode) != 0)
        return fail(errno);
    DiskCalls& calls = diskCalls();
    if (const int error = calls.syncFile(fd))
        return fail(error);
    // Checked again just before the rename: something other than a file may have been put there
    // while the data were written.
    if (const int kind = targetKind(target))
        return fail(kind);
    // Renamed while still open (and locked), so no cleanup can take it between close and rename.
    if (const int error = calls.rename(temp, target))
        return fail(error);
    m_committed = true;
    m_file->close();
    m_file.reset();
    // The file is whole under its name. Syncing the folder puts the name on the disk too; where a
    // file system cannot sync folders the rename still stands, so this step cannot fail the save.
    calls.syncFolder(folderOf(target));
    return true;
}

}  // namespace tavlo
