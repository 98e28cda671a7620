#include "environment/atomic_file.h"
#include "environment/disk_calls.h"
#include "tests/environment/settings_test_support.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace tavlo {
namespace {

using test::readBytes;
using test::writeBytes;

// Records the calls AtomicFile makes, with how many bytes the file held when it was synced; the
// call named in failOn fails with EIO.
class RecordingDiskCalls : public DiskCalls {
public:
    RecordingDiskCalls() { setDiskCalls(this); }
    ~RecordingDiskCalls() override { setDiskCalls(nullptr); }

    int syncFile(int fd) override
    {
        struct stat st { };
        ::fstat(fd, &st);
        return record(QStringLiteral("sync file %1").arg(st.st_size),
                      [&] { return DiskCalls::syncFile(fd); });
    }
    int rename(const QByteArray& from, const QByteArray& to) override
    {
        const QString line = QStringLiteral("rename %1 -> %2")
                                 .arg(QFileInfo(QFile::decodeName(from)).fileName(),
                                      QFileInfo(QFile::decodeName(to)).fileName());
        return record(line, [&] { return DiskCalls::rename(from, to); });
    }
    int syncFolder(const QByteArray& folder) override
    {
        return record(QStringLiteral("sync folder ") + QFile::decodeName(folder),
                      [&] { return DiskCalls::syncFolder(folder); });
    }

    QStringList calls;
    QString failOn;

private:
    template <typename Call> int record(const QString& line, Call call)
    {
        calls.append(line);
        return !failOn.isEmpty() && line.startsWith(failOn) ? EIO : call();
    }
};

// Every name in the folder, hidden ones included.
QStringList namesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

TEST(AtomicFile, SyncsTheDataBeforeTheRenameAndTheFolderAfterIt)
{
    QTemporaryDir dir;
    RecordingDiskCalls calls;
    const QString target = dir.filePath(QStringLiteral("page.bmp"));
    ASSERT_TRUE(AtomicFile::writeWhole(target, QByteArray(1000, 'x')));

    ASSERT_EQ(calls.calls.size(), 3);
    EXPECT_EQ(calls.calls[0], QStringLiteral("sync file 1000"));
    EXPECT_TRUE(calls.calls[1].endsWith(QStringLiteral(" -> page.bmp")))
        << calls.calls[1].toStdString();
    EXPECT_TRUE(AtomicFile::isTemporaryName(calls.calls[1].section(QLatin1Char(' '), 1, 1)));
    EXPECT_EQ(calls.calls[2], QStringLiteral("sync folder ") + dir.path());
    EXPECT_EQ(readBytes(target), QByteArray(1000, 'x'));
}

TEST(AtomicFile, AFailedSyncOrRenameLeavesTheOldFileAndNoTemporaryFile)
{
    for (const char* step : {"sync file", "rename"}) {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("User.xml"));
        ASSERT_TRUE(writeBytes(target, "old"));
        RecordingDiskCalls calls;
        calls.failOn = QLatin1String(step);
        QString error;
        EXPECT_FALSE(AtomicFile::writeWhole(target, "new", &error)) << step;
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(readBytes(target), QByteArray("old"));
        EXPECT_EQ(namesIn(dir.path()), QStringList{QStringLiteral("User.xml")});
    }
}

TEST(AtomicFile, RefusesToReplaceAnythingButARegularFile)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString fifoLink = dir.filePath(QStringLiteral("User.xml"));
    ASSERT_TRUE(QFile::link(fifo, fifoLink));
    QStringList targets{fifo, fifoLink};
    const QString device = dir.filePath(QStringLiteral("null"));
    // Making a device node needs root (as the tests run in CI); elsewhere the FIFO cases stand.
    if (::mknod(QFile::encodeName(device).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        targets.append(device);

    for (const QString& target : targets) {
        QString error;
        EXPECT_FALSE(AtomicFile::writeWhole(target, "bytes", &error)) << target.toStdString();
        EXPECT_EQ(error, AtomicFile::notRegularFileReason());
    }
    struct stat st { };
    ASSERT_EQ(::lstat(QFile::encodeName(fifo).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_TRUE(QFileInfo(fifoLink).isSymLink());
    if (targets.contains(device)) {
        ASSERT_EQ(::lstat(QFile::encodeName(device).constData(), &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode));
    }
    EXPECT_EQ(namesIn(dir.path()).filter(QStringLiteral(".tavlo-")), QStringList());
}

TEST(AtomicFile, WritesANameOfTheLongestLengthTheFileSystemAllows)
{
    QTemporaryDir dir;
    const QString name = QString(251, QLatin1Char('n')) + QStringLiteral(".bmp");
    ASSERT_EQ(QFile::encodeName(name).size(), 255);
    ASSERT_TRUE(AtomicFile::writeWhole(dir.filePath(name), "page"));
    EXPECT_EQ(readBytes(dir.filePath(name)), QByteArray("page"));
}

TEST(AtomicFile, RemovesOnlyTheTemporaryFilesNoWriterHolds)
{
    QTemporaryDir dir;
    const QString stale = dir.filePath(QStringLiteral(".tavlo-Ab12xZ"));
    ASSERT_TRUE(writeBytes(stale, "killed while writing"));
    // Names that only look like ours are the user's.
    for (const char* other : {".tavlo-notes.txt", ".tavlo-abc", "tavlo-Ab12xZ", ".page.bmp.Ab12xZ"})
        ASSERT_TRUE(writeBytes(dir.filePath(QLatin1String(other)), "user's"));

    AtomicFile writing(dir.filePath(QStringLiteral("0001.bmp")));
    ASSERT_TRUE(writing.open());
    writing.device().write("half a page");
    const QStringList before = namesIn(dir.path());

    EXPECT_EQ(AtomicFile::removeStaleTemporaries(dir.path()), 1);
    QStringList expected = before;
    expected.removeOne(QStringLiteral(".tavlo-Ab12xZ"));
    EXPECT_EQ(namesIn(dir.path()), expected);
    ASSERT_TRUE(writing.commit());
    EXPECT_EQ(readBytes(dir.filePath(QStringLiteral("0001.bmp"))), QByteArray("half a page"));
}

}  // namespace
}  // namespace tavlo
