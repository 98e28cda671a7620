#include "environment/cp932.h"
#include "environment/file_system.h"
#include "environment/number_text.h"
#include "environment/settings_store.h"
#include "environment/tool_path_store.h"
#include "imaging/imaging_control.h"
#include "main_window/clickable_picture.h"
#include "main_window/document_state.h"
#include "main_window/file_list_box.h"
#include "main_window/folder_watch.h"
#include "main_window/image_file_controller.h"
#include "main_window/menu_tree.h"
#include "main_window/saved_state.h"
#include "main_window/tool_strip.h"
#include "main_window/twips_scale.h"
#include "main_window/view_layout.h"
#include "main_window/window_placement.h"
#include "main_window/work_folder_commands.h"

#include "tests/main_window/main_window_fixture.h"
#include "tests/support/qt_printers.h"
#include "tests/support/user_close.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
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
    EXPECT_EQ(prompt.shown[0].request.title, QString::fromUtf8("画像ﾌｧｲﾙを開く"));
    EXPECT_EQ(
        prompt.shown[0].request.filters,
        QStringList{"画像ﾌｧｲﾙ|*.BMP;*.JPG;*.JPEG;*.TIF;*.PCX;*.FPX;*.PNG;*.GIF;*.JP2;*.JPC;*.J2K"});

    prompt.fileAnswers.push_back(good);
    w->menus().mnFile.item(0)->trigger();
    const quint32 shown = w->ikImg().ImageHandle();
    EXPECT_NE(shown, 0u);
    EXPECT_EQ(w->ikImg().ImageWidth(), 9);
    EXPECT_EQ(w->state().sCurFile, good);
    EXPECT_EQ(w->document().state(), DocState::Unchanged);
    EXPECT_FALSE(w->menus().mnFile.isEnabled(1));

    emit w->ikImg().ImageEdited();  // an edit made inside the view
    EXPECT_EQ(w->document().state(), DocState::Changed);
    EXPECT_TRUE(w->menus().mnFile.isEnabled(1));

    // The view still shows the good file's image; it must not pass for the bad or missing file.
    EXPECT_FALSE(w->imageFiles().LoadImageFile(bad));
    EXPECT_FALSE(w->imageFiles().LoadImageFile(userFolder() + QStringLiteral("/missing.bmp")));
    EXPECT_EQ(w->ikImg().ImageHandle(), shown);
    EXPECT_EQ(w->state().sCurFile, good);
    EXPECT_EQ(w->document().state(), DocState::Changed);
    EXPECT_EQ(prompt.messages().size(), 1);  // the file object said why the bad file failed

    w->imageFiles().CloseImage();
    EXPECT_EQ(w->ikImg().ImageHandle(), 0u);
    EXPECT_EQ(w->state().sCurFile, QString());
    EXPECT_EQ(w->document().state(), DocState::NoImage);
    EXPECT_FALSE(w->menus().mnClp.isEnabled(0));
}

// The open dialog starts in the current file's folder, else where it last opened a file, else in
// the work folder; a file named on the command line opens as a chosen one does.
TEST_F(MainWindowTest, TheOpenDialogStartsNearTheWorkAndANamedFileOpensOrIsReported)
{
    const QString picked = userFolder() + QStringLiteral("/picked");
    QDir().mkpath(picked);
    writeBmp(picked + QStringLiteral("/a.bmp"));
    auto w = start();
    writeBmp(workFolder() + QStringLiteral("/scan-001.bmp"));
    const auto startedIn = [&] {
        w->menus().mnFile.item(0)->trigger();
        return prompt.shown.last().request.initialFolder;
    };
    EXPECT_EQ(startedIn(), workFolder());  // cancelled
    prompt.fileAnswers.push_back(picked + QStringLiteral("/a.bmp"));
    EXPECT_EQ(startedIn(), workFolder());
    ASSERT_EQ(w->state().sCurFile, picked + QStringLiteral("/a.bmp"));
    EXPECT_EQ(startedIn(), picked);
    ASSERT_TRUE(w->imageFiles().LoadImageFile(workFolder() + QStringLiteral("/scan-001.bmp")));
    EXPECT_EQ(startedIn(), workFolder());
    w->imageFiles().CloseImage();
    EXPECT_EQ(startedIn(), picked);
    EXPECT_TRUE(noMessages());

    EXPECT_TRUE(w->imageFiles().OpenNamedFile(picked + QStringLiteral("/a.bmp")));
    EXPECT_EQ(w->state().sCurFile, picked + QStringLiteral("/a.bmp"));
    EXPECT_EQ(w->document().state(), DocState::Unchanged);
    const QString missing = userFolder() + QStringLiteral("/missing.png");
    EXPECT_FALSE(w->imageFiles().OpenNamedFile(missing));
    EXPECT_EQ(w->state().sCurFile, picked + QStringLiteral("/a.bmp"));
    ASSERT_EQ(prompt.messages().size(), 1);
    EXPECT_TRUE(prompt.messages()[0].startsWith(
        QString::fromUtf8("画像ﾌｧｲﾙを読み込めませんでした。\r") + missing + QLatin1Char('\r')));
}

TEST_F(MainWindowTest, KeysButtonsAndHelpReachTheirCommands)
{
    auto w = start();
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    QTest::keyClick(w.get(), Qt::Key_E, Qt::ControlModifier);
    // Ctrl+W and the trim button belong to items disabled without an image.
    QTest::keyClick(w.get(), Qt::Key_W, Qt::ControlModifier);
    w->strip().imBtn(7)->click();
    w->strip().imBtn(3)->click();
    EXPECT_EQ(desktop.opened, QList<QUrl>(2, QUrl::fromLocalFile(workFolder())));
    EXPECT_EQ(w->document().state(), DocState::NoImage);
    QTest::keyClick(w.get(), Qt::Key_F1);
    EXPECT_EQ(desktop.opened.last(),
              QUrl::fromLocalFile(programFolder() + QStringLiteral("/help/tavlo.htm")));
    EXPECT_TRUE(noMessages());
}

// When the desktop cannot start a browser, a file manager or the editor, the user is told what
// could not be opened and with what.
TEST_F(MainWindowTest, WhatTheDesktopCannotOpenIsNamedInAMessage)
{
    auto w = start();
    const QString editor = userFolder() + QStringLiteral("/Pelmo");
    writeFile(editor, "#!/bin/sh\n");
    ASSERT_TRUE(ToolPathStore().write(QStringLiteral("Pelmo"), editor));
    desktop.answer = false;
    w->menus().mnJb.item(5)->trigger();
    w->strip().imBtn(3)->click();
    w->menus().mnFile.item(9)->trigger();
    EXPECT_EQ(prompt.messages(),
              QStringList({QString::fromUtf8("ﾍﾙﾌﾟを開けませんでした。\r") + programFolder() +
                               QString::fromUtf8("/help/tavlo.htm\rﾌﾞﾗｳｻﾞｰを起動できませんでした"),
                           QString::fromUtf8("ﾌｫﾙﾀﾞを開けませんでした。\r") + workFolder() +
                               QString::fromUtf8("\rﾌｧｲﾙﾏﾈｰｼﾞｬｰを起動できませんでした"),
                           QString::fromUtf8("作業ﾌｫﾙﾀﾞを開けませんでした。\r") + workFolder() +
                               QLatin1Char('\r') + editor +
                               QString::fromUtf8(" を起動できませんでした")}));
}

TEST_F(MainWindowTest, EmptyingTheWorkFolderAsksFirstAndLeavesFoldersAndHiddenFiles)
{
    // What killed saves left behind goes at the start and when the folder is emptied.
    ASSERT_TRUE(QDir().mkpath(workFolder()));
    writeFile(workFolder() + QStringLiteral("/.tavlo-killed"), "half a page");
    auto w = start();
    EXPECT_FALSE(QFile::exists(workFolder() + QStringLiteral("/.tavlo-killed")));
    const QDir work(workFolder());
    writeFile(work.filePath(".tavlo-Ab12xZ"), "half a page");
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
    EXPECT_EQ(w->document().state(), DocState::NoImage);
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

// Where the layout puts the list and the view at any size is checked in view_layout_test; here
// that the window lays out its client area with it.
TEST_F(MainWindowTest, TheListAndTheViewArePlacedByTheLayoutOfTheClientArea)
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
    EXPECT_EQ(w->ikImg().geometry().right(), w->client().width() - 1);
    EXPECT_TRUE(w->watch().isRunning());
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

// The stored place 100, 60, 600 x 400 pixels (in twips at 96 dots per inch), actual-size display,
// a prefix, TIFF, "ｸﾞﾚｰ(8bit)" after scanning and two registered sizes.
const QList<QPair<QString, QString>> StoredForm = {
    {"Left", "1500"}, {"Top", "900"}, {"Width", "9000"}, {"Height", "6000"}};
const QList<QPair<QString, QString>> StoredUser = {{"ｽｹｰﾙ表示", "実寸"},
                                                   {"保存ﾌｧｲﾙ", "scan-007"},
                                                   {"保存形式", "TIF"},
                                                   {"ｽｷｬﾝ後減色", "4"},
                                                   {"PC_RNG", "A4,21,29.7,cm:Card,85,54,px"}};

TEST_F(MainWindowTest, FirstRunOpensAtTenAndSeventyPercentOfTheScreenAndQuitWritesTheDefaults)
{
    auto w = start();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const TwipsScale s = TwipsScale::of(QGuiApplication::primaryScreen());
    const auto px = [&](double twips) { return s.toPixels(roundHalfEven(twips)); };
    // From the primary screen's own corner, wherever the desktop puts it (the test runs again on
    // a screen whose corner is at 1000, 200).
    EXPECT_EQ(w->geometry(),
              QRect(px(s.toTwips(screen.x()) + s.toTwips(screen.width()) * 0.1),
                    px(s.toTwips(screen.y()) + s.toTwips(screen.height()) * 0.1),
                    px(s.toTwips(screen.width()) * 0.7), px(s.toTwips(screen.height()) * 0.7)));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Tavlo"));
    EXPECT_EQ(w->state().nDspMd, 1);
    EXPECT_TRUE(w->strip().chDsp()->isChecked());
    EXPECT_TRUE(w->menus().mnDisp.isChecked(0));
    EXPECT_FALSE(w->strip().imZoom()->isVisibleTo(w.get()));
    EXPECT_EQ(w->strip().cbKak()->currentIndex(), 0);
    EXPECT_EQ(w->document().state(), DocState::NoImage);
    EXPECT_EQ(w->state().sWrkFld, workFolder());
    EXPECT_TRUE(prompt.shown.isEmpty()) << prompt.messages().join("|").toStdString();

    // The defaults go out as they came in.
    const QRect g = w->geometry();
    const auto twips = [&](int pixels) { return QString::number(s.toTwips(pixels)); };
    w->menus().mnFile.item(15)->trigger();  // 終了(&X)
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(readUserXml(), Cp932::encode(settingsText({{"Left", twips(g.x())},
                                                         {"Top", twips(g.y())},
                                                         {"Width", twips(g.width())},
                                                         {"Height", twips(g.height())}},
                                                        {{"ｽｹｰﾙ表示", "ｽｹｰﾙ"},
                                                         {"保存ﾌｧｲﾙ", ""},
                                                         {"保存形式", "BMP"},
                                                         {"ｽｷｬﾝ後減色", "0"},
                                                         {"PC_RNG", ""}})));
}

TEST_F(MainWindowTest, EverySavedValueComesBackAndGoesOutUnchangedAndChangesAreKept)
{
    const QString text = settingsText(StoredForm, StoredUser);
    writeUserXml(text);
    {
        auto w = start();
        EXPECT_EQ(w->geometry(), QRect(100, 60, 600, 400));
        EXPECT_EQ(w->state().nDspMd, 3);
        EXPECT_FALSE(w->strip().chDsp()->isChecked());
        EXPECT_FALSE(w->menus().mnDisp.isChecked(0));
        EXPECT_TRUE(w->strip().imZoom()->isVisibleTo(w.get()));
        EXPECT_EQ(w->strip().txPfx()->text(), QStringLiteral("scan-007"));
        EXPECT_EQ(w->strip().cbKak()->currentIndex(), 1);
        EXPECT_FALSE(w->state().bSvBmp);
        EXPECT_EQ(w->state().iGenClr, 4);
        for (int i = 0; i <= 5; ++i)
            EXPECT_EQ(w->menus().mnGen.isChecked(i), i == 4);
        EXPECT_EQ(w->state().sRangeList, QStringLiteral("A4,21,29.7,cm:Card,85,54,px"));
        w->menus().mnFile.item(15)->trigger();
        EXPECT_EQ(readUserXml(), Cp932::encode(text));
    }
    releaseSettingsStore();
    {
        auto w = start();
        w->setGeometry(120, 80, 500, 300);
        w->strip().txPfx()->setText(QStringLiteral("abc-002"));
        w->strip().cbKak()->setCurrentIndex(0);
        w->menus().mnGen.item(2)->trigger();
        w->menus().mnPrn.item(1)->trigger();
        w->strip().chDsp()->click();  // scaled display on
        w->menus().mnFile.item(15)->trigger();
    }
    releaseSettingsStore();
    auto again = start();
    EXPECT_EQ(again->geometry(), QRect(120, 80, 500, 300));
    EXPECT_EQ(again->strip().txPfx()->text(), QStringLiteral("abc-002"));
    EXPECT_TRUE(again->state().bSvBmp);
    EXPECT_EQ(again->state().iGenClr, 2);
    EXPECT_EQ(again->state().nDspMd, 1);
    // The after-scan print choice is never kept.
    EXPECT_EQ(again->state().iPrnMd, 0);
    EXPECT_TRUE(again->menus().mnPrn.isChecked(0));
}

// Odd stored values: a zero size, words compared exactly, a number no item has, a place off
// every screen.
TEST_F(MainWindowTest, StoredValuesAreComparedExactlyAndAPlaceIsBroughtOnScreen)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    writeUserXml(
        settingsText({{"Left", "1500"}, {"Top", "900"}, {"Width", "0"}, {"Height", "6000"}},
                     {{"ｽｹｰﾙ表示", "ｽｹｰﾙ "}, {"保存形式", "bmp"}, {"ｽｷｬﾝ後減色", "99999"}}));
    {
        auto w = start();
        EXPECT_EQ(w->geometry(),
                  QRect((screen.width() - 640) / 2, (screen.height() - 480) / 2, 640, 480));
        EXPECT_EQ(w->state().nDspMd, 3);  // a trailing blank is another word
        EXPECT_FALSE(w->state().bSvBmp);  // "bmp" is not "BMP": TIFF
        EXPECT_EQ(w->strip().cbKak()->currentIndex(), 1);
        // A number no menu item has checks none and does not fail the start.
        EXPECT_EQ(w->state().iGenClr, 32767);
        for (int i = 0; i <= 5; ++i)
            EXPECT_FALSE(w->menus().mnGen.isChecked(i));
    }
    writeUserXml(settingsText(
        {{"Left", "-480000"}, {"Top", "-480000"}, {"Width", "9000"}, {"Height", "6000"}}, {}));
    releaseSettingsStore();
    EXPECT_EQ(start()->geometry(), QRect(screen.width() / 10, screen.height() / 10, 600, 400));

    // An absurd size is cut to what the screen offers.
    writeUserXml(
        settingsText({{"Left", "0"}, {"Top", "0"}, {"Width", "9e9"}, {"Height", "9e9"}}, {}));
    releaseSettingsStore();
    EXPECT_EQ(start()->geometry().size(),
              QGuiApplication::primaryScreen()->availableGeometry().size());
}

TEST(WindowPlacement, KeepsAVisiblePlaceAndMovesALostOne)
{
    const QRect primary(0, 0, 1000, 800);
    const QList<QRect> screens = {primary, QRect(1000, 0, 1000, 800)};
    const auto place = [&](QRect saved, QSize present = {}) {
        return WindowPlacement::place(saved, present, screens, primary);
    };
    // Partly visible, or on the second screen: kept.
    EXPECT_EQ(place(QRect(-50, -20, 300, 200)), QRect(-50, -20, 300, 200));
    EXPECT_EQ(place(QRect(1500, 100, 300, 200)), QRect(1500, 100, 300, 200));
    // Saved on a third screen that is gone: back on the primary one, cut to fit.
    EXPECT_EQ(place(QRect(2500, 100, 300, 200)), QRect(100, 80, 300, 200));
    EXPECT_EQ(place(QRect(-32000, -32000, 5000, 5000)), QRect(100, 80, 900, 720));
    // No usable size: the present size, centred.
    EXPECT_EQ(place(QRect(10, 10, 0, 50), QSize(400, 300)), QRect(300, 250, 400, 300));
    // A size no screen can show (a hand-edited file) is cut to the available area of the screen
    // holding its corner, else of the one it overlaps most; the corner stays.
    const QList<QRect> areas = {QRect(0, 0, 1000, 770), QRect(1000, 0, 1000, 800)};
    const QRect huge(100, 50, 32767, 32767);
    EXPECT_EQ(WindowPlacement::place(huge, {}, areas, primary), QRect(100, 50, 1000, 770));
    EXPECT_EQ(WindowPlacement::place(QRect(-200, 0, 3000, 900), {}, areas, primary),
              QRect(-200, 0, 1000, 800));
}

TEST_F(MainWindowTest, OnlyTheUsersQuitOrCloseSavesAndOnlyOnce)
{
    auto w = start();
    w->show();
    w->close();  // the program closes it
    EXPECT_FALSE(w->closeRequested(fmMain::CloseReason::Session));
    EXPECT_EQ(ended, 0);
    EXPECT_TRUE(readUserXml().isEmpty());

    w->show();
    closeThroughTheFrame(*w);  // the close box
    EXPECT_EQ(ended, 1);
    ASSERT_FALSE(readUserXml().isEmpty());

    // The program closing its windows afterwards, the user's close arriving late or a quit from
    // the menu do not save again.
    writeFile(userXml(), "changed since");
    processValues().ending = true;
    w->close();
    closeThroughTheFrame(*w);
    w->menus().mnFile.item(15)->trigger();
    EXPECT_EQ(readUserXml(), QByteArray("changed since"));
    EXPECT_EQ(ended, 1);
}

// A full or read-only disk at quit: the user is told why the settings were not saved and chooses
// between another try and quitting without them. (Through the file system: as root every folder
// can be written.)
TEST_F(MainWindowTest, SettingsThatCannotBeSavedAtQuitAreToldAndCanBeTriedAgain)
{
    struct ReadOnlyDisk : FileSystem {
        bool writeFileAtomically(const QString& path, const QByteArray& bytes,
                                 QString* error) override
        {
            if (failures > 0) {
                --failures;
                *error = QStringLiteral("読み取り専用の場所です");
                return false;
            }
            return FileSystem::writeFileAtomically(path, bytes, error);
        }
        int failures = 2;
    };
    const QString question =
        SavedState::saveFailedQuestion(QStringLiteral("読み取り専用の場所です"));
    ASSERT_TRUE(question.startsWith(QStringLiteral("設定を保存できませんでした\r")));
    for (const bool tryAgain : {false, true}) {
        SCOPED_TRACE(tryAgain);
        auto disk = std::make_unique<ReadOnlyDisk>();
        installFileSystem(std::move(disk));
        prompt.shown.clear();
        prompt.confirmAnswers = tryAgain ? std::deque<bool>{true, true} : std::deque<bool>{false};
        QFile::remove(userXml());
        ended = 0;
        auto w = start();
        w->menus().mnFile.item(15)->trigger();
        EXPECT_EQ(ended, 1);
        QStringList asked;
        for (const auto& shown : prompt.shown)
            asked.append(shown.kind + QLatin1Char(':') + shown.text);
        const QString one = QStringLiteral("confirm:") + question;
        const QStringList expected = tryAgain ? QStringList{one, one} : QStringList{one};
        EXPECT_EQ(asked, expected);
        // Tried again after each of the two failures: written by the third attempt.
        EXPECT_EQ(readUserXml().contains("<Left>"), tryAgain);
        installFileSystem(nullptr);
    }
}

}  // namespace
}  // namespace tavlo::test
