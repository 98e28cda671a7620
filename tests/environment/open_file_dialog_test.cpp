#include "environment/open_file_dialog.h"
#include "environment/qt_user_prompt.h"
#include "tests/support/recording_prompt.h"

#include <gtest/gtest.h>

namespace tavlo {
namespace {

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
