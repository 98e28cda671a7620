#include "environment/atomic_file.h"
#include "environment/file_system.h"
#include "environment/process_values.h"
#include "environment/settings_store.h"
#include "environment/tool_path_store.h"
#include "tests/environment/settings_test_support.h"
#include "tests/support/recording_prompt.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace tavlo {
namespace {

using test::writeBytes;

const QString useDefault = QStringLiteral("ﾕｰｻﾞｰﾃﾞｰﾀｰﾌｫﾙﾀﾞは\u3000");
const QString willUse = QStringLiteral(" を使用します");

// A program folder of its own for each test, the program named "tavlo", no tool path store and no
// default user data folder yet.
class UserData : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(programDir()));
        processValues().programName = QStringLiteral("tavlo");
        processValues().programFolderPath = programDir();
        QFile::remove(ToolPathStore().fileName());
        QDir(dataHome() + QStringLiteral("/Hollin")).removeRecursively();
    }
    void TearDown() override
    {
        processValues().programFolderPath.clear();
        installFileSystem(nullptr);
    }

    static QString dataHome()
    {
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    }
    QString programDir() const { return dir.path() + QStringLiteral("/Prog/"); }
    QString defaultFolder() const { return dataHome() + QStringLiteral("/Hollin/tavlo/"); }
    QString iniPath() const { return programDir() + QStringLiteral("UserData.ini"); }

    // Runs the user data folder decision with "UserData.ini" holding ini (code page 932 bytes).
    QString decideWith(const QByteArray& ini)
    {
        EXPECT_TRUE(writeBytes(iniPath(), ini));
        return decide();
    }
    QString decide()
    {
        store.W_UserData(nullptr);
        return processValues().userDataFolder;
    }
    QString notFound(const QString& what) const
    {
        return what + QStringLiteral(" が見つかりません\r") + useDefault + defaultFolder() +
               willUse;
    }

    QTemporaryDir dir;
    test::RecordingPrompt prompt;
    SettingsStore store;
};

TEST_F(UserData, MissingIniShowsM1AndCreatesTheDefaultFolderWithAllLevels)
{
    EXPECT_EQ(decide(), defaultFolder());
    EXPECT_TRUE(QFileInfo(defaultFolder()).isDir());
    EXPECT_EQ(prompt.messages(), QStringList{notFound(iniPath())});
    EXPECT_EQ(prompt.shown.front().title, QStringLiteral("Tavlo"));
    EXPECT_EQ(processValues().appDataFolder, programDir() + QStringLiteral("apData/"));
}

TEST_F(UserData, EmptyIniOrEmptyFirstLineShowsM2)
{
    const QString m2 =
        QStringLiteral(" ﾕｰｻﾞｰﾃﾞｰﾀｰﾌｫﾙﾀﾞが定義されていません\r") + defaultFolder() + willUse;
    EXPECT_EQ(decideWith(""), defaultFolder());
    EXPECT_EQ(decideWith("\r\n%app%"), defaultFolder());
    EXPECT_EQ(decideWith("\n/tmp"), defaultFolder());
    EXPECT_EQ(prompt.messages(), (QStringList{m2, m2, m2}));
}

TEST_F(UserData, MacrosAreMatchedWholeAndLowerCased)
{
    EXPECT_EQ(decideWith("%APP%"), programDir() + QStringLiteral("usData/"));
    EXPECT_TRUE(QFileInfo(programDir() + QStringLiteral("usData")).isDir());
    EXPECT_EQ(decideWith("%Applicaion Data%"), defaultFolder());
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
                              QStringLiteral("/Hollin/tavlo/");
    EXPECT_EQ(decideWith("%DOC"), documents);
    EXPECT_TRUE(QFileInfo(documents).isDir());
    EXPECT_EQ(decideWith("%my document%"), documents);
    // Not the macro itself but beginning with "%": the default folder, without a message.
    EXPECT_EQ(decideWith("%doc%"), defaultFolder());
    EXPECT_TRUE(prompt.shown.isEmpty());
}

TEST_F(UserData, AnExistingFolderIsUsedAsTyped)
{
    const QString mixed = dir.path() + QStringLiteral("/My Data");
    ASSERT_TRUE(QDir().mkpath(mixed));
    EXPECT_EQ(decideWith(mixed.toUtf8()), mixed + QLatin1Char('/'));
    // A folder name in code page 932 ("ﾃﾞｰﾀ").
    const QString kana = dir.path() + QStringLiteral("/ﾃﾞｰﾀ");
    ASSERT_TRUE(QDir().mkpath(kana));
    EXPECT_EQ(decideWith(dir.path().toUtf8() + "/\xc3\xde\xb0\xc0"), kana + QLatin1Char('/'));
    EXPECT_TRUE(prompt.shown.isEmpty());
}

TEST_F(UserData, AMissingFolderShowsM3AsTypedAndIsNotCreated)
{
    const QString missing = dir.path() + QStringLiteral("/Gone/Data");
    const QString existing = dir.path() + QStringLiteral("/Here");
    ASSERT_TRUE(QDir().mkpath(existing));
    EXPECT_EQ(decideWith(missing.toUtf8()), defaultFolder());
    EXPECT_FALSE(QFileInfo::exists(dir.path() + QStringLiteral("/Gone")));
    const QString folder = QStringLiteral("ﾌｫﾙﾀﾞ ");
    EXPECT_EQ(prompt.messages(), QStringList{notFound(folder + missing)});
}

// What `echo` and editors put after the line is not part of it; a relative folder lies beside the
// program, whatever folder it was started from.
TEST_F(UserData, TrailingLineBreaksAndBlanksAreDroppedAndRelativeFoldersStartAtTheProgram)
{
    const QString existing = dir.path() + QStringLiteral("/Here");
    ASSERT_TRUE(QDir().mkpath(existing));
    for (const char* tail : {"\n", "\r\n", " \t\r\n\r\n", "  "})
        EXPECT_EQ(decideWith(existing.toUtf8() + tail), existing + QLatin1Char('/')) << tail;
    EXPECT_EQ(decideWith("%app%\n"), programDir() + QStringLiteral("usData/"));
    EXPECT_EQ(decideWith(" \r\n"), defaultFolder());  // nothing but blanks: no folder defined

    ASSERT_TRUE(QDir().mkpath(programDir() + QStringLiteral("Data/Users")));
    const QString started = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    EXPECT_EQ(decideWith("Data/Users\n"), programDir() + QStringLiteral("Data/Users/"));
    QDir::setCurrent(started);
    EXPECT_EQ(prompt.messages().size(), 1);
}

// A "UserData.ini" of any size or content is read only as far as a folder line can reach, and
// the message that quotes it stays a few short lines of text.
TEST_F(UserData, AHugeOrBinaryIniIsReadOnlyAsFarAsAFolderLineAndQuotedShort)
{
    QFile huge(iniPath());
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.write(QByteArray(5000, 'x') + "\n" + QByteArray(5000, 'y')));
    ASSERT_TRUE(huge.resize(qint64(100) << 20));  // 100 MB, the rest a hole of zero bytes
    huge.close();
    struct CountingReads : FileSystem {
        std::optional<QByteArray> readFile(const QString& path, qint64 limit) override
        {
            limits.append(limit);
            return FileSystem::readFile(path, limit);
        }
        QList<qint64> limits;
    };
    auto files = std::make_unique<CountingReads>();
    CountingReads& reads = *files;
    installFileSystem(std::move(files));
    EXPECT_EQ(decide(), defaultFolder());
    ASSERT_EQ(reads.limits.size(), 1);
    EXPECT_GT(reads.limits[0], 0);
    EXPECT_LE(reads.limits[0], 8192);

    QByteArray binary(4096, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = char((i * 37) % 256);
    decideWith(binary);
    ASSERT_EQ(prompt.messages().size(), 2);
    for (const QString& message : prompt.messages()) {
        EXPECT_LE(message.count(QLatin1Char('\r')), 5) << message.toStdString();
        EXPECT_LE(message.size(), 400);
        for (const QChar c : message)
            EXPECT_TRUE(c == QLatin1Char('\r') || c.unicode() >= 0x20) << int(c.unicode());
    }
}

// As root every folder can be written, so the read-only folder comes through the file system.
TEST_F(UserData, AUserDataFolderThatCannotBeWrittenIsToldAtStart)
{
    struct ReadOnly : FileSystem {
        bool folderWritable(const QString&) const override { return false; }
    };
    installFileSystem(std::make_unique<ReadOnly>());
    EXPECT_EQ(decideWith("%usr%"), defaultFolder());
    ASSERT_EQ(prompt.messages().size(), 1);
    EXPECT_TRUE(prompt.messages()[0].startsWith(QStringLiteral("ﾕｰｻﾞｰﾃﾞｰﾀｰﾌｫﾙﾀﾞ ") +
                                                defaultFolder() +
                                                QStringLiteral(" に書き込めません")));
}

TEST_F(UserData, TheToolPathStoreIsWrittenAtFirstStartAndAfterAMove)
{
    ToolPathStore tools;
    const QString own = programDir() + QStringLiteral("tavlo");
    decideWith("%usr%");
    EXPECT_EQ(tools.read(QStringLiteral("tavlo")), own);

    // The same path in other letter case counts as registered: the entry is left alone.
    ASSERT_TRUE(tools.write(QStringLiteral("tavlo"), own.toUpper()));
    decideWith("%usr%");
    EXPECT_EQ(tools.read(QStringLiteral("tavlo")), own.toUpper());

    // The program moved.
    const QString moved = dir.path() + QStringLiteral("/Moved/");
    ASSERT_TRUE(QDir().mkpath(moved));
    processValues().programFolderPath = moved;
    store.W_UserData(nullptr);
    EXPECT_EQ(tools.read(QStringLiteral("tavlo")), moved + QStringLiteral("tavlo"));
}

TEST_F(UserData, FailuresAreShownAndStartUpGoesOnWithTheDefaultFolder)
{
    // A folder where the tool path store's file should be: it cannot be written.
    const QString storeFile = ToolPathStore().fileName();
    ASSERT_TRUE(QDir().mkpath(storeFile));
    // "UserData.ini" exists but cannot be read.
    struct Unreadable : FileSystem {
        std::optional<QByteArray> readFile(const QString&, qint64) override { return std::nullopt; }
    };
    installFileSystem(std::make_unique<Unreadable>());
    EXPECT_EQ(decideWith("%app%"), defaultFolder());
    QDir(storeFile).removeRecursively();
    EXPECT_EQ(prompt.messages(), (QStringList{QStringLiteral("ﾌﾟﾛｸﾞﾗﾑのﾊﾟｽを ") + storeFile +
                                                  QStringLiteral(" に書き込めません"),
                                              iniPath() + QStringLiteral(" が読み込めません\r") +
                                                  useDefault + defaultFolder() + willUse}));
    EXPECT_TRUE(QFileInfo(defaultFolder()).isDir());
}

TEST_F(UserData, FolderHelpers)
{
    // F_CreateFld makes every missing level from the top and leaves an existing folder as it is.
    const QString deep = dir.path() + QStringLiteral("/a/b/c");
    EXPECT_TRUE(store.F_CreateFld(deep));
    EXPECT_TRUE(QFileInfo(deep).isDir());
    ASSERT_TRUE(writeBytes(deep + QStringLiteral("/keep"), "k"));
    EXPECT_TRUE(store.F_CreateFld(deep + QLatin1Char('/')));
    EXPECT_TRUE(QFileInfo::exists(deep + QStringLiteral("/keep")));
    // A level that cannot be made (a file stands in its place) is passed over.
    EXPECT_FALSE(store.F_CreateFld(deep + QStringLiteral("/keep/d/e")));

    // CheckFileExists is true for files only.
    EXPECT_TRUE(CheckFileExists(deep + QStringLiteral("/keep")));
    EXPECT_FALSE(CheckFileExists(deep));
    EXPECT_FALSE(CheckFileExists(QString()));
}

TEST(FileSystemService, AnAtomicWriteReplacesTheFileBehindALinkAndKeepsItsPermissions)
{
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/real.xml");
    const QString link = dir.path() + QStringLiteral("/User.xml");
    ASSERT_TRUE(writeBytes(file, "old"));
    ASSERT_TRUE(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    ASSERT_TRUE(QFile::link(file, link));
    EXPECT_TRUE(fileSystem().writeFileAtomically(link, "new"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(test::readBytes(file), QByteArray("new"));
    // Owner, group and others (not the "user" bits Qt adds for the current user).
    EXPECT_EQ(QFile::permissions(file) & 0x7077, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    // A folder in the way, or no folder to write into: nothing is written, nothing is left over.
    EXPECT_FALSE(fileSystem().writeFileAtomically(dir.path(), "x"));
    EXPECT_FALSE(fileSystem().writeFileAtomically(dir.path() + QStringLiteral("/no/f"), "x"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2);
}

// The atomic file with files large enough for it to start writing them back while they grow.
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
