#include "environment/atomic_file.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavlo {
namespace {

QString systemReason(int error)
{
    switch (error) {
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

// Syncs the folder that holds path, so a rename inside it is on the disk.
void syncFolderOf(const QByteArray& path)
{
    const int slash = path.lastIndexOf('/');
    const QByteArray folder = slash > 0 ? path.left(slash) : QByteArray(slash == 0 ? "/" : ".");
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
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

bool AtomicFile::open()
{
    const QFileInfo info(m_target);
    if (info.isDir()) {
        m_error = systemReason(EISDIR);
        return false;
    }
    const QString folder = info.absolutePath();
    const QByteArray pattern =
        QFile::encodeName(folder + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
    QByteArray path = pattern;
    const int fd = ::mkostemp(path.data(), O_CLOEXEC);
    if (fd < 0) {
        m_error = systemReason(errno);
        return false;
    }
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
    struct stat existing {};
    const mode_t mode = ::stat(target.constData(), &existing) == 0
                            ? (existing.st_mode & 07777)
                            : (0666 & ~currentUmask());
    if (::fchmod(fd, mode) != 0)
        return fail(errno);
    if (::fsync(fd) != 0)
        return fail(errno);
    m_file->close();
    if (::rename(temp.constData(), target.constData()) != 0)
        return fail(errno);
    m_committed = true;
    m_file.reset();
    // The file is whole under its name. Syncing the folder puts the name on the disk too; where a
    // file system cannot sync folders the rename still stands, so this step cannot fail the save.
    syncFolderOf(target);
    return true;
}

}  // namespace tavlo
