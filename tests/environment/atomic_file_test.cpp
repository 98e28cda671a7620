// The atomic file with files large enough for it to start writing them back while they grow.
#include "environment/atomic_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tavlo {
namespace {

TEST(AtomicFile, ALargeFileWrittenInPiecesAndPatchedIsCommittedWhole)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString target = folder.filePath(QStringLiteral("page.bmp"));
    // 13 MB in odd pieces, so the write-back hint fires several times at odd places; then the
    // header is patched after the data, as some encoders do.
    QByteArray expected(13 * 1024 * 1024 + 17, '\0');
    for (qsizetype i = 0; i < expected.size(); ++i)
        expected[i] = char((i * 131) >> 3);
    {
        AtomicFile file(target);
        ASSERT_TRUE(file.open()) << file.error().toStdString();
        for (qsizetype at = 0; at < expected.size();) {
            const qsizetype piece = std::min<qsizetype>(999'983, expected.size() - at);
            ASSERT_EQ(file.device().write(expected.constData() + at, piece), piece);
            at += piece;
        }
        ASSERT_TRUE(file.device().seek(2));
        ASSERT_EQ(file.device().write("HEAD", 4), 4);
        expected.replace(2, 4, "HEAD");
        ASSERT_TRUE(file.device().seek(expected.size()));
        ASSERT_EQ(file.device().write("END", 3), 3);
        expected.append("END");
        ASSERT_TRUE(file.commit()) << file.error().toStdString();
    }
    QFile written(target);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readAll() == expected);
    // Nothing else is left in the folder.
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("page.bmp")});
}

}  // namespace
}  // namespace tavlo
