#include "environment/tool_path_store.h"
#include "imaging/imaging_control.h"
#include "main_window/clickable_picture.h"
#include "main_window/display_controller.h"
#include "main_window/document_state.h"
#include "main_window/file_list_box.h"
#include "main_window/folder_watch.h"
#include "main_window/image_file_controller.h"
#include "main_window/menu_tree.h"
#include "main_window/tool_strip.h"
#include "main_window/twips_scale.h"
#include "main_window/view_layout.h"
#include "main_window/work_folder_commands.h"

#include "tests/main_window/main_window_fixture.h"
#include "tests/support/qt_printers.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

namespace tavlo::test {
namespace {

TEST_F(MainWindowTest, OpeningAFileAFailedLoadAnEditInTheViewAndClosing)
{
    const QString good = userFolder() + QStringLiteral("/page.bmp");
    const QString bad = userFolder() + QStringLiteral("/bad.bmp");
    writeBmp(good, 9, 4);
    writeFile(bad, "BM this is not a bitmap");
    auto w = start();
    w->menus().mnFile.item(0)->trigger();  // cancelled
    EXPECT_EQ(w->ikImg().ImageHandle(), 0u);
    ASSERT_EQ(prompt.shown.size(), 1);
    const FileDialogRequest& asked = prompt.shown[0].request;
    EXPECT_EQ(asked.title, QString::fromUtf8("画像ﾌｧｲﾙを開く"));
    EXPECT_EQ(asked.filters, QStringList{QString::fromUtf8(
                                 "画像ﾌｧｲﾙ|*.BMP;*.JPG;*.JPEG;*.TIF;*.PCX;*.FPX;*.PNG;*.GIF;"
                                 "*.JP2;*.JPC;*.J2K")});
    EXPECT_EQ(asked.selectedFilter, 0);

    prompt.fileAnswers.push_back(good);
    w->menus().mnFile.item(0)->trigger();
    const quint32 shown = w->ikImg().ImageHandle();
    EXPECT_NE(shown, 0u);
    EXPECT_EQ(w->ikImg().ImageWidth(), 9);
    EXPECT_EQ(w->state().sCurFile, good);
    EXPECT_EQ(w->document().state(), 1);
    EXPECT_FALSE(w->menus().mnFile.isEnabled(1));

    emit w->ikImg().ImageEdited();  // an edit made inside the view
    EXPECT_EQ(w->document().state(), 2);
    EXPECT_TRUE(w->menus().mnFile.isEnabled(1));

    // The view still shows the good file's image; it must not pass for the bad or missing file.
    EXPECT_FALSE(w->imageFiles().LoadImageFile(bad));
    EXPECT_FALSE(w->imageFiles().LoadImageFile(userFolder() + QStringLiteral("/missing.bmp")));
    EXPECT_EQ(w->ikImg().ImageHandle(), shown);
    EXPECT_EQ(w->state().sCurFile, good);
    EXPECT_EQ(w->document().state(), 2);
    EXPECT_EQ(prompt.messages().size(), 1);  // the file object said why the bad file failed

    w->imageFiles().CloseImage();
    EXPECT_EQ(w->ikImg().ImageHandle(), 0u);
    EXPECT_EQ(w->state().sCurFile, QString());
    EXPECT_EQ(w->document().state(), 0);
    EXPECT_FALSE(w->menus().mnClp.isEnabled(0));
}

TEST_F(MainWindowTest, ActivationBringsTheListInStep)
{
    auto w = start();
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    writeBmp(workFolder() + QStringLiteral("/scan-001.bmp"));
    w->state().sCurFile = QStringLiteral("/elsewhere/SCAN-001.BMP");
    QEvent activated(QEvent::ActivationChange);
    QApplication::sendEvent(w.get(), &activated);
    ASSERT_EQ(w->File1().listCount(), 1);
    EXPECT_EQ(w->File1().fileName(), QStringLiteral("scan-001.bmp"));
    EXPECT_EQ(w->ikImg().ImageHandle(), 0u);  // selected, not opened
}

TEST_F(MainWindowTest, KeysButtonsAndHelpReachTheirCommands)
{
    auto w = start();
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    QTest::keyClick(w.get(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(prompt.shown.size(), 1);
    EXPECT_EQ(prompt.shown[0].kind, QStringLiteral("open"));
    QTest::keyClick(w.get(), Qt::Key_E, Qt::ControlModifier);
    // Ctrl+W and the trim button belong to items disabled without an image.
    QTest::keyClick(w.get(), Qt::Key_W, Qt::ControlModifier);
    w->strip().imBtn(7)->click();
    w->strip().imBtn(3)->click();
    EXPECT_EQ(desktop.opened, QList<QUrl>(2, QUrl::fromLocalFile(workFolder())));
    EXPECT_EQ(w->document().state(), 0);
    EXPECT_EQ(w->strip().imBtn(6)->toolTip(),
              QString::fromUtf8("Ctrl+C 現在の画像をｸﾘｯﾌﾟﾎﾞｰﾄﾞに貼り付けます"));

    w->menus().mnJb.item(5)->trigger();
    EXPECT_EQ(desktop.opened.last(),
              QUrl::fromLocalFile(programFolder() + QStringLiteral("/help/tavlo.htm")));
}

TEST_F(MainWindowTest, EmptyingTheWorkFolderAsksFirstAndLeavesFoldersAndHiddenFiles)
{
    auto w = start();
    const QDir work(workFolder());
    writeBmp(work.filePath("scan-001.bmp"));
    writeFile(work.filePath("notes.txt"), "x");
    writeFile(work.filePath(".keep"), "x");
    work.mkdir(QStringLiteral("sub"));
    writeFile(work.filePath("sub/inner.bmp"), "x");
    ASSERT_TRUE(w->imageFiles().LoadImageFile(work.filePath("scan-001.bmp")));

    w->menus().mnFile.item(11)->trigger();  // cancelled
    ASSERT_EQ(prompt.shown.size(), 1);
    EXPECT_EQ(prompt.shown[0].kind, QStringLiteral("confirm"));
    EXPECT_EQ(prompt.shown[0].text, QString::fromUtf8("作業ﾌｫﾙﾀﾞを空にして良いですが"));
    EXPECT_TRUE(QFile::exists(work.filePath("scan-001.bmp")));
    EXPECT_NE(w->ikImg().ImageHandle(), 0u);

    prompt.confirmAnswers.push_back(true);
    w->menus().mnFile.item(11)->trigger();
    EXPECT_EQ(work.entryList(QDir::Files | QDir::Hidden), QStringList{".keep"});
    EXPECT_TRUE(QFile::exists(work.filePath("sub/inner.bmp")));
    EXPECT_EQ(w->File1().listCount(), 0);
    EXPECT_EQ(w->ikImg().ImageHandle(), 0u);
    EXPECT_EQ(w->document().state(), 0);
    EXPECT_EQ(w->state().sCurFile, QString());
}

TEST_F(MainWindowTest, TheEditorIsLookedUpOnceAndGetsTheFolderOrFileAsOneArgument)
{
    auto w = start();
    w->menus().mnFile.item(9)->trigger();  // nothing stored or found; the dialog is cancelled
    EXPECT_EQ(prompt.shown.size(), 1);
    EXPECT_TRUE(desktop.started.isEmpty());

    const QString tools = userFolder() + QStringLiteral("/My Tools");
    QDir().mkpath(tools);
    const QString editor = tools + QStringLiteral("/Pelmo");
    writeFile(editor, "#!/bin/sh\n");
    ASSERT_TRUE(ToolPathStore().write(QStringLiteral("Pelmo"), editor));
    w->menus().mnFile.item(9)->trigger();
    ASSERT_EQ(desktop.started.size(), 1);
    EXPECT_EQ(desktop.started[0].program, editor);
    EXPECT_EQ(desktop.started[0].arguments, QStringList{workFolder()});

    writeBmp(workFolder() + QStringLiteral("/scan 001.bmp"));
    w->File1().Refresh();
    w->File1().setListIndex(0);  // opens the file
    EXPECT_EQ(w->state().sCurFile, workFolder() + QStringLiteral("/scan 001.bmp"));
    w->menus().mnFile.item(9)->trigger();
    ASSERT_EQ(desktop.started.size(), 2);
    EXPECT_EQ(desktop.started[1].arguments,
              QStringList{workFolder() + QStringLiteral("/scan 001.bmp")});
    EXPECT_EQ(w->workFolder().sEdtExe, editor);
    EXPECT_EQ(prompt.shown.size(), 1);
}

TEST_F(MainWindowTest, TheLayoutFollowsTheWindowButNotWhileMinimised)
{
    auto w = start();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    w->resize(700, 500);
    QApplication::processEvents();
    const ViewLayout::Places p =
        ViewLayout::compute(w->client().size(), TwipsScale::of(w->client().screen()));
    EXPECT_EQ(w->File1().geometry(), p.list);
    EXPECT_EQ(w->ikImg().geometry(), p.view);
    EXPECT_EQ(w->File1().width(), TwipsScale::of(w->screen()).toPixels(1260));
    EXPECT_EQ(w->ikImg().geometry().right(), w->client().width() - 1);
    EXPECT_TRUE(w->watch().isRunning());

    // A client area lower than the tool strip gives no negative heights.
    w->resize(300, w->menuBar()->height() + 5);
    QApplication::processEvents();
    EXPECT_EQ(w->File1().height(), 0);
    EXPECT_EQ(w->ikImg().height(), 0);

    QSignalSpy layouts(&w->display(), &DisplayController::laidOut);
    w->showMinimized();
    QApplication::processEvents();
    w->resize(w->width() + 40, w->height() + 30);
    QApplication::processEvents();
    EXPECT_EQ(layouts.count(), 0);
    w->showNormal();
    QApplication::processEvents();
    EXPECT_EQ(layouts.count(), 1);
}

TEST_F(MainWindowTest, ScaleDisplayAndTheMagnifier)
{
    auto w = start();
    ClickablePicture* magnifier = w->strip().imZoom();
    QCheckBox* box = w->strip().chDsp();

    // Off through the View menu: actual size at 100 %, the magnifier shows, the box stays.
    w->ikImg().setZoomX(3.0);
    w->menus().mnDisp.item(0)->trigger();
    EXPECT_EQ(w->state().nDspMd, 3);
    EXPECT_FALSE(w->menus().mnDisp.isChecked(0));
    EXPECT_TRUE(magnifier->isVisibleTo(w.get()));
    EXPECT_TRUE(box->isChecked());
    EXPECT_DOUBLE_EQ(w->ikImg().ZoomX(), 1.0);

    QTest::mouseClick(magnifier, Qt::LeftButton);
    QTest::mouseClick(magnifier, Qt::LeftButton);
    QTest::mouseClick(magnifier, Qt::RightButton);
    EXPECT_FLOAT_EQ(float(w->ikImg().ZoomX()), 1.5f);
    EXPECT_FLOAT_EQ(float(w->ikImg().ZoomY()), 1.5f);

    // Clicking the box now sends "off" again: still actual size, and the box follows.
    box->click();
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(w->state().nDspMd, 3);
    box->click();
    EXPECT_EQ(w->state().nDspMd, 1);
    EXPECT_FALSE(magnifier->isVisibleTo(w.get()));
    EXPECT_TRUE(w->menus().mnDisp.isChecked(0));
}

TEST_F(MainWindowTest, PasteFollowsTheClipboardEachTimeAMenuOpens)
{
    auto w = start();
    QClipboard* clipboard = QGuiApplication::clipboard();
    const auto openMenu = [&](int top) {
        w->menus().topMenu(top)->popup(QPoint(0, 0));
        w->menus().topMenu(top)->hide();
    };
    clipboard->setText(QStringLiteral("just text"));
    openMenu(0);
    EXPECT_FALSE(w->menus().mnClp.isEnabled(3));
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    clipboard->setImage(picture);
    EXPECT_FALSE(w->menus().mnClp.isEnabled(3));  // not before a menu opens again
    openMenu(2);
    EXPECT_TRUE(w->menus().mnClp.isEnabled(3));
    clipboard->clear();
}

}  // namespace
}  // namespace tavlo::test
