#include "main_window/document_state.h"
#include "main_window/file_list_box.h"
#include "main_window/folder_watch.h"
#include "main_window/main_window_state.h"
#include "main_window/menu_tree.h"
#include "main_window/work_folder_list.h"

#include "tests/support/qt_printers.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace tavlo {
namespace {

void touch(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
}

class WorkFolderListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        list.setPattern(WorkFolderList::imagePattern());
        list.setPath(dir.path());
        controller.LoadImageFile = [this](const QString& path) {
            loaded << path;
            return true;
        };
    }
    void refreshWith(std::initializer_list<const char*> names)
    {
        for (const char* name : names)
            touch(dir.filePath(QString::fromLatin1(name)));
        list.Refresh();
    }

    QTemporaryDir dir;
    QMenuBar bar;
    MenuTree menus{&bar};
    DocumentState doc{menus};
    MainWindowState state;
    FileListBox list;
    WorkFolderList controller{list, state, doc};
    QStringList loaded;
};

TEST_F(WorkFolderListTest, ShowsTheSixImageKindsWithoutRegardToCase)
{
    QDir(dir.path()).mkdir(QStringLiteral("sub.bmp"));  // folders are not listed
    refreshWith({"a.bmp", "B.TIF", "c.Tiff", "d.jpg", "e.JPEG", "f.gif", "g.png", "h.txt", "i.jp2",
                 "j.bmp.bak", "k.GIF"});
    QStringList shown;
    for (int i = 0; i < list.listCount(); ++i)
        shown << list.entry(i);
    EXPECT_EQ(shown,
              (QStringList{"a.bmp", "B.TIF", "c.Tiff", "d.jpg", "e.JPEG", "f.gif", "k.GIF"}));
}

TEST_F(WorkFolderListTest, ChoosingAFileOpensItUnlessTheListIsLockedOrTheFileIsGone)
{
    refreshWith({"scan-001.bmp", "scan-002.bmp"});
    state.bLstLock = true;
    list.setListIndex(1);
    state.bLstLock = false;
    QFile::remove(dir.filePath("scan-001.bmp"));
    list.setListIndex(0);
    EXPECT_TRUE(loaded.isEmpty());
    EXPECT_EQ(doc.state(), DocState::NoImage);

    list.setListIndex(1);
    EXPECT_EQ(loaded, QStringList{dir.filePath("scan-002.bmp")});
    EXPECT_EQ(state.sCurFile, dir.filePath("scan-002.bmp"));
    EXPECT_EQ(doc.state(), DocState::Unchanged);
    EXPECT_TRUE(menus.mnFile.isEnabled(7));
}

TEST_F(WorkFolderListTest, SyncSelectsTheCurrentFileWithoutRegardToCaseAndOpensNothing)
{
    touch(dir.filePath("Page-001.BMP"));
    touch(dir.filePath("page-002.bmp"));
    // The current file was opened from outside the work folder.
    state.sCurFile = QStringLiteral("/elsewhere/PAGE-001.bmp");
    controller.SyncListSelection();
    EXPECT_EQ(list.fileName(), QStringLiteral("Page-001.BMP"));
    EXPECT_FALSE(state.bLstLock);  // restored

    // A lock set by a caller stays set.
    state.bLstLock = true;
    state.sCurFile = dir.filePath("page-002.bmp");
    controller.SyncListSelection();
    EXPECT_EQ(list.fileName(), QStringLiteral("page-002.bmp"));
    EXPECT_TRUE(state.bLstLock);
    EXPECT_TRUE(loaded.isEmpty());
}

// A right click asks for the pop-up and opens nothing: the view may hold an unsaved edit.
TEST_F(WorkFolderListTest, RightButtonAsksForThePopUpAndKeepsTheSelection)
{
    refreshWith({"a.bmp", "b.bmp"});
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    list.setListIndex(0);
    loaded.clear();
    const QPoint onSecond = list.visualItemRect(list.item(1)).center();
    QSignalSpy popUp(&list, &FileListBox::contextMenuRequested);
    QTest::mouseClick(list.viewport(), Qt::RightButton, {}, onSecond);
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, onSecond,
                                list.viewport()->mapToGlobal(onSecond));
    QApplication::sendEvent(list.viewport(), &menuEvent);
    EXPECT_EQ(list.fileName(), QStringLiteral("a.bmp"));
    EXPECT_TRUE(loaded.isEmpty());
    EXPECT_EQ(popUp.count(), 1);
}

TEST_F(WorkFolderListTest, AFileSavedByAnotherProgramAppearsAtOnceAndTheSelectionStays)
{
    touch(dir.filePath("scan-002.bmp"));
    state.sCurFile = dir.filePath("scan-002.bmp");
    FolderWatch watch;
    watch.onChange = [this] { controller.SyncListSelection(); };
    watch.setFolder(dir.path());
    watch.start();
    EXPECT_TRUE(watch.isRunning());
    controller.SyncListSelection();
    ASSERT_EQ(list.listCount(), 1);

    QSignalSpy changed(&list, &FileListBox::selectionChanged);
    touch(dir.filePath("scan-001.bmp"));  // another program saves a page before it
    // The file-system watcher reports it well before the five-second tick.
    EXPECT_TRUE(QTest::qWaitFor([this] { return list.listCount() == 2; }, 3000));
    EXPECT_EQ(list.fileName(), QStringLiteral("scan-002.bmp"));
    EXPECT_EQ(changed.count(), 0);
    EXPECT_TRUE(loaded.isEmpty());

    // The five-second tick compares the folder's stamp; a missing folder reads as nothing.
    EXPECT_EQ(watch.stamp().count, 2);
    watch.setFolder(dir.path() + QStringLiteral("/gone"));
    watch.Timer1_Timer();
    EXPECT_EQ(watch.stamp().count, 0);
}

}  // namespace
}  // namespace tavlo
