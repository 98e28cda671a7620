#include "environment/companion_tools.h"

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
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        ASSERT_TRUE(QDir(root.path()).mkpath("Maker/Tavlo"));
    }

    QString makeTool(const QString& relativeFolder, const QString& name = "Pelmo")
    {
        EXPECT_TRUE(QDir(root.path()).mkpath(relativeFolder));
        const QString path = root.filePath(relativeFolder + "/" + name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        return path;
    }

    zKtl launcher() { return zKtl(ToolPathStore(storeFile()), root.filePath("Maker/Tavlo")); }
    QString storeFile() const { return root.filePath("HollinTools.ini"); }
    QString stored(const QString& name = "Pelmo") const
    {
        return ToolPathStore(storeFile()).read(name);
    }

    QTemporaryDir root;
    test::RecordingPrompt prompt;
};

TEST_F(CompanionToolsTest, TheTableNamesSevenTools)
{
    QString name, caption;
    ASSERT_TRUE(zKtl::GetToolNm(0, name, caption));
    EXPECT_EQ(name, QStringLiteral("Pelmo"));
    EXPECT_EQ(caption, QString::fromUtf8("画像"));
    ASSERT_TRUE(zKtl::GetToolNm(6, name, caption));
    EXPECT_EQ(name, QStringLiteral("Tolbrin"));
    EXPECT_EQ(caption, QString::fromUtf8("文書ﾃﾞｰﾀｰﾍﾞｰｽ"));
    EXPECT_FALSE(zKtl::GetToolNm(7, name, caption));
    EXPECT_FALSE(zKtl::GetToolNm(-1, name, caption));
}

TEST_F(CompanionToolsTest, AStoredPathThatExistsIsReturnedAtOnce)
{
    const QString elsewhere = makeTool("Elsewhere");
    makeTool("Maker/Pelmo");  // a sibling that must not be looked at
    ASSERT_TRUE(ToolPathStore(storeFile()).write("Pelmo", elsewhere));
    const QDateTime before = QFileInfo(storeFile()).lastModified();
    QString exe;
    launcher().GetAppNm(0, exe);
    EXPECT_EQ(exe, elsewhere);
    EXPECT_EQ(QFileInfo(storeFile()).lastModified(), before);
    EXPECT_TRUE(prompt.shown.isEmpty());
}

TEST_F(CompanionToolsTest, AGoneStoredPathIsReplacedByTheSiblingFoundWithoutRegardToCase)
{
    ASSERT_TRUE(ToolPathStore(storeFile()).write("Pelmo", root.filePath("gone/Pelmo")));
    const QString sibling = makeTool("Maker/PELMO");  // the file name is the table's name
    QString exe;
    launcher().GetAppNm(0, exe);
    EXPECT_EQ(exe, sibling);
    EXPECT_EQ(stored(), sibling);
    EXPECT_TRUE(prompt.shown.isEmpty());
}

TEST_F(CompanionToolsTest, ASiblingWinsOverACousin)
{
    makeTool("Pelmo");
    const QString sibling = makeTool("Maker/pelmo");
    QString exe;
    launcher().GetAppNm(0, exe);
    EXPECT_EQ(exe, sibling);
}

TEST_F(CompanionToolsTest, CousinsAreFoundBesideTheMakerFolderAndOneLevelDeeper)
{
    const QString cousin = makeTool("Other/Pelmo");
    QString exe;
    launcher().GetAppNm(0, exe);
    EXPECT_EQ(exe, cousin);
    EXPECT_EQ(stored(), cousin);

    QFile::remove(cousin);
    const QString direct = makeTool("Zindle", "Zindle");
    QString graph;
    launcher().GetAppNm(2, graph);
    EXPECT_EQ(graph, direct);
}

TEST_F(CompanionToolsTest, TheSearchGivesTheCandidateWithoutTestingIt)
{
    ASSERT_TRUE(QDir(root.path()).mkpath("Maker/Pelmo"));  // a folder without the program
    QString parent, candidate;
    launcher().GetExePh(parent, "Pelmo", "Pelmo", candidate);
    EXPECT_EQ(parent, root.filePath("Maker"));
    EXPECT_EQ(candidate, root.filePath("Maker/Pelmo/Pelmo"));

    // Found by the search but missing, so the user is asked.
    QString exe;
    launcher().GetAppNm(0, exe);
    EXPECT_EQ(prompt.shown.size(), 1);
}

TEST_F(CompanionToolsTest, WithNothingFoundTheUserIsAskedAndTheChoiceIsStored)
{
    const QString chosen = makeTool("Downloads", "pelmo-1.2");
    prompt.fileAnswers.push_back(chosen);
    QString exe;
    launcher().GetAppNm(0, exe);
    ASSERT_EQ(prompt.shown.size(), 1);
    const FileDialogRequest& asked = prompt.shown[0].request;
    EXPECT_EQ(asked.title, QString::fromUtf8("画像 実行ﾌｧｲﾙの指定"));
    EXPECT_EQ(asked.filters, QStringList{QString::fromUtf8("実行ﾌｧｲﾙ(*)|*")});
    EXPECT_EQ(asked.initialFolder, root.filePath("Maker"));
    EXPECT_EQ(asked.initialName, QString());
    EXPECT_EQ(exe, chosen);  // an empty expected name accepts any file
    EXPECT_EQ(stored(), chosen);
}

TEST_F(CompanionToolsTest, CancelledMissingOrRejectedChoicesChangeNothing)
{
    QString exe;
    launcher().GetAppNm(0, exe);  // cancelled
    EXPECT_EQ(exe, QString());

    prompt.fileAnswers.push_back(root.filePath("no-such-file"));
    launcher().GetAppNm(0, exe);
    EXPECT_EQ(exe, QString());

    // A given name must be the ending of the chosen file, letter case aside.
    const QString other = makeTool("Downloads", "Other");
    QString named = QStringLiteral("Pelmo");
    prompt.fileAnswers.push_back(other);
    launcher().GetAppNm(0, named);
    EXPECT_EQ(named, QStringLiteral("Pelmo"));
    const QString right = makeTool("Downloads", "PELMO");
    prompt.fileAnswers.push_back(right);
    launcher().GetAppNm(0, named);
    EXPECT_EQ(named, right);

    EXPECT_EQ(ToolPathStore(storeFile()).read("Pelmo"), right);
    EXPECT_EQ(prompt.shown.size(), 4);
}

TEST_F(CompanionToolsTest, AnIndexOutsideTheTableChangesNothing)
{
    QString exe = QStringLiteral("kept");
    launcher().GetAppNm(9, exe);
    EXPECT_EQ(exe, QStringLiteral("kept"));
    EXPECT_TRUE(prompt.shown.isEmpty());
}

TEST(CompanionToolsSearch, TheRootIsNeverSearchedAsAGrandparent)
{
    ToolPathStore store(QStringLiteral("/nonexistent/HollinTools.ini"));
    QString parent, candidate;
    zKtl(store, QStringLiteral("/nonexistent-tavlo-folder/bin")).GetExePh(parent, "Pelmo",
                                                                           "Pelmo", candidate);
    EXPECT_EQ(parent, QStringLiteral("/nonexistent-tavlo-folder"));
    EXPECT_EQ(candidate, QString());
}

}  // namespace
}  // namespace tavlo
