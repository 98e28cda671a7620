#include "environment/open_file_dialog.h"
#include "environment/qt_user_prompt.h"
#include "tests/support/recording_prompt.h"

#include <gtest/gtest.h>

namespace tavlo {
namespace {

TEST(OpenFileDialog, FilterPairsBecomeDialogEntriesWithTheFirstPreselected)
{
    test::RecordingPrompt prompt;
    ShowOpenFileDialog(QStringLiteral("画像 実行ﾌｧｲﾙの指定"), QString(),
                       QStringLiteral("画像ﾌｧｲﾙ|*.BMP;*.JPG|全てのﾌｧｲﾙ|*"), QString());
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
    EXPECT_TRUE(fileDialogFilters(QString()).isEmpty());
}

TEST(OpenFileDialog, InitialFolderIsUsedOnlyForABareFileName)
{
    const QString folder = QStringLiteral("/opt/tools");
    const QString filter = QStringLiteral("実行ﾌｧｲﾙ(*)|*");
    EXPECT_EQ(openFileDialogRequest({}, QStringLiteral("/usr/bin/Pelmo"), filter, folder).initialFolder,
              QString());
    EXPECT_EQ(openFileDialogRequest({}, QStringLiteral("Pelmo"), filter, QString()).initialFolder,
              QString());
    const FileDialogRequest bare = openFileDialogRequest({}, QStringLiteral("Pelmo"), filter, folder);
    EXPECT_EQ(bare.initialFolder, folder);
    EXPECT_EQ(bare.initialName, QStringLiteral("Pelmo"));
}

TEST(OpenFileDialog, CancelGivesEmptyNeverTheInitialName)
{
    test::RecordingPrompt prompt;
    EXPECT_EQ(ShowOpenFileDialog(QStringLiteral("t"), QStringLiteral("Pelmo"), QStringLiteral("a|*"),
                                 QStringLiteral("/opt")),
              QString());
    prompt.fileAnswers.push_back(QStringLiteral("/opt/Pelmo/Pelmo"));
    EXPECT_EQ(ShowOpenFileDialog(QStringLiteral("t"), QStringLiteral("Pelmo"), QStringLiteral("a|*"),
                                 QStringLiteral("/opt")),
              QStringLiteral("/opt/Pelmo/Pelmo"));
}

}  // namespace
}  // namespace tavlo
