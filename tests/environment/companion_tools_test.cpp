#include "environment/companion_tools.h"
#include "environment/open_file_dialog.h"
#include "environment/qt_user_prompt.h"

#include "tests/support/qt_printers.h"
#include "tests/support/recording_prompt.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace tavlo {
namespace {

// A program in <root>/Maker/Tavlo, its companion tools placed around it by each test, and a
// tool path store of its own.
class CompanionToolsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QDir(root.path()).mkpath("Maker/Tavlo")); }

    QString makeTool(const QString& relativeFolder, const QString& name = "Pelmo")
    {
        EXPECT_TRUE(QDir(root.path()).mkpath(relativeFolder));
        const QString path = root.filePath(relativeFolder + "/" + name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        return path;
    }
    // The editor's path as the launcher finds it (tool 0 unless told).
    QString lookUp(int tool = 0, const QString& given = {})
    {
        QString exe = given;
        zKtl(ToolPathStore(storeFile()), root.filePath("Maker/Tavlo")).GetAppNm(tool, exe);
        return exe;
    }
    QString storeFile() const { return root.filePath("HollinTools.ini"); }
    QString stored() const { return ToolPathStore(storeFile()).read("Pelmo"); }

    QTemporaryDir root;
    test::RecordingPrompt prompt;
};

TEST_F(CompanionToolsTest, AStoredPathThatExistsIsReturnedAtOnce)
{
    const QString elsewhere = makeTool("Elsewhere");
    makeTool("Maker/Pelmo");  // a sibling that must not be looked at
    ASSERT_TRUE(ToolPathStore(storeFile()).write("Pelmo", elsewhere));
    const QDateTime before = QFileInfo(storeFile()).lastModified();
    EXPECT_EQ(lookUp(), elsewhere);
    EXPECT_EQ(QFileInfo(storeFile()).lastModified(), before);
    // Tools 0 to 6 only: any other number leaves the path as given.
    EXPECT_EQ(lookUp(7, QStringLiteral("kept")), QStringLiteral("kept"));
    EXPECT_EQ(lookUp(-1, QStringLiteral("kept")), QStringLiteral("kept"));
    EXPECT_TRUE(prompt.shown.isEmpty());
}

TEST_F(CompanionToolsTest, AGoneStoredPathIsReplacedByASiblingBeforeACousin)
{
    ASSERT_TRUE(ToolPathStore(storeFile()).write("Pelmo", root.filePath("gone/Pelmo")));
    makeTool("Pelmo");                                // a cousin
    const QString sibling = makeTool("Maker/PELMO");  // found without regard to case
    EXPECT_EQ(lookUp(), sibling);
    EXPECT_EQ(stored(), sibling);
    EXPECT_TRUE(prompt.shown.isEmpty());
}

TEST_F(CompanionToolsTest, CousinsAreFoundBesideTheMakerFolderAndOneLevelDeeper)
{
    const QString cousin = makeTool("Other/Pelmo");
    EXPECT_EQ(lookUp(), cousin);
    EXPECT_EQ(stored(), cousin);
    const QString direct = makeTool("Zindle", "Zindle");
    EXPECT_EQ(lookUp(2), direct);
}

TEST_F(CompanionToolsTest, WithNothingFoundTheUserIsAskedAndTheChoiceIsStored)
{
    // The search gives its candidate without testing it: a folder without the program.
    ASSERT_TRUE(QDir(root.path()).mkpath("Maker/Pelmo"));
    QString parent, candidate;
    zKtl(ToolPathStore(storeFile()), root.filePath("Maker/Tavlo"))
        .GetExePh(parent, "Pelmo", "Pelmo", candidate);
    EXPECT_EQ(parent, root.filePath("Maker"));
    EXPECT_EQ(candidate, root.filePath("Maker/Pelmo/Pelmo"));

    const QString chosen = makeTool("Downloads", "pelmo-1.2");
    prompt.fileAnswers.push_back(chosen);
    EXPECT_EQ(lookUp(), chosen);  // an empty expected name accepts any file
    EXPECT_EQ(stored(), chosen);
    ASSERT_EQ(prompt.shown.size(), 1);
    const FileDialogRequest& asked = prompt.shown[0].request;
    EXPECT_EQ(asked.title, QString::fromUtf8("画像 実行ﾌｧｲﾙの指定"));
    EXPECT_EQ(asked.filters, QStringList{QString::fromUtf8("実行ﾌｧｲﾙ(*)|*")});
    EXPECT_EQ(asked.initialFolder, root.filePath("Maker"));
    EXPECT_EQ(asked.initialName, QString());
}

TEST_F(CompanionToolsTest, CancelledMissingOrRejectedChoicesChangeNothing)
{
    EXPECT_EQ(lookUp(), QString());  // cancelled
    prompt.fileAnswers.push_back(root.filePath("no-such-file"));
    EXPECT_EQ(lookUp(), QString());

    // A given name must be the ending of the chosen file, letter case aside.
    prompt.fileAnswers.push_back(makeTool("Downloads", "Other"));
    EXPECT_EQ(lookUp(0, "Pelmo"), QStringLiteral("Pelmo"));
    EXPECT_EQ(stored(), QString());
    const QString right = makeTool("Downloads", "PELMO");
    prompt.fileAnswers.push_back(right);
    EXPECT_EQ(lookUp(0, "Pelmo"), right);
    EXPECT_EQ(stored(), right);
    EXPECT_EQ(prompt.shown.size(), 4);
}

TEST(CompanionToolsSearch, TheRootIsNeverSearchedAsAGrandparent)
{
    ToolPathStore store(QStringLiteral("/nonexistent/HollinTools.ini"));
    QString parent, candidate;
    zKtl(store, QStringLiteral("/nonexistent-tavlo-folder/bin"))
        .GetExePh(parent, "Pelmo", "Pelmo", candidate);
    EXPECT_EQ(parent, QStringLiteral("/nonexistent-tavlo-folder"));
    EXPECT_EQ(candidate, QString());
}

TEST(OpenFileDialog, FilterPairsBecomeEntriesWithTheFirstPreselectedAndCancelGivesEmpty)
{
    test::RecordingPrompt prompt;
    EXPECT_EQ(ShowOpenFileDialog(QStringLiteral("画像 実行ﾌｧｲﾙの指定"), QStringLiteral("Pelmo"),
                                 QStringLiteral("画像ﾌｧｲﾙ|*.BMP;*.JPG|全てのﾌｧｲﾙ|*"), QString()),
              QString());  // cancelled: never the initial name
    ASSERT_EQ(prompt.shown.size(), 1);
    const FileDialogRequest& request = prompt.shown[0].request;
    EXPECT_EQ(request.title, QStringLiteral("画像 実行ﾌｧｲﾙの指定"));
    EXPECT_EQ(request.filters, (QStringList{QStringLiteral("画像ﾌｧｲﾙ|*.BMP;*.JPG"),
                                            QStringLiteral("全てのﾌｧｲﾙ|*")}));
    EXPECT_EQ(request.selectedFilter, 0);
    EXPECT_EQ(QtUserPrompt::nameFilters(request.filters).first(),
              QStringLiteral("画像ﾌｧｲﾙ (*.BMP *.JPG)"));
    // A trailing "|" leaves a description without pattern, which is dropped.
    EXPECT_EQ(fileDialogFilters(QStringLiteral("画像ﾌｧｲﾙ|*.BMP|")),
              QStringList{QStringLiteral("画像ﾌｧｲﾙ|*.BMP")});

    prompt.fileAnswers.push_back(QStringLiteral("/opt/Pelmo/Pelmo"));
    EXPECT_EQ(ShowOpenFileDialog({}, QStringLiteral("Pelmo"), {}, {}), "/opt/Pelmo/Pelmo");
}

TEST(OpenFileDialog, InitialFolderIsUsedOnlyForABareFileName)
{
    const QString folder = QStringLiteral("/opt/tools");
    const QString name = QStringLiteral("Pelmo");
    EXPECT_EQ(openFileDialogRequest({}, QStringLiteral("/usr/bin/Pelmo"), {}, folder).initialFolder,
              QString());
    EXPECT_EQ(openFileDialogRequest({}, name, {}, QString()).initialFolder, QString());
    EXPECT_EQ(openFileDialogRequest({}, name, {}, folder).initialFolder, folder);
    EXPECT_EQ(openFileDialogRequest({}, name, {}, folder).initialName, name);
}

}  // namespace
}  // namespace tavlo
