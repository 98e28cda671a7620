// The user's edits through the real window: every edit can be saved by F8, and nothing that
// replaces or drops an edited image does so without "変更を保存しますか?".
#include "imaging/clipboard/clipboard_picture.h"
#include "imaging/codecs/image_file.h"
#include "imaging/imaging_control.h"
#include "main_window/command_router.h"
#include "main_window/document_state.h"
#include "main_window/file_list_box.h"
#include "main_window/main_window_operations.h"
#include "main_window/menu_tree.h"

#include "tests/main_window/image_commands_fixture.h"
#include "tests/support/test_images.h"
#include "tests/support/user_close.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QTest>

#include <functional>

namespace tavlo::test {
namespace {

class UnsavedChanges : public ImageCommandsTest {
protected:
    void SetUp() override
    {
        ImageCommandsTest::SetUp();
        original = distinctImage(ColourCode::Rgb24, 7, 5);
        writeFile(page(), encode(codecs::ImageFormat::Bmp, original));
        writeBmp(other(), 3, 3);
        pageBytes = readFile(page());
        QGuiApplication::clipboard()->clear();
    }
    void TearDown() override
    {
        QGuiApplication::clipboard()->clear();
        ImageCommandsTest::TearDown();
    }

    QString page() const { return workFolder() + QStringLiteral("/page.bmp"); }
    QString other() const { return workFolder() + QStringLiteral("/other.bmp"); }

    // The user clicks the file's entry in the work-folder list.
    void click(const QString& path)
    {
        FileListBox& list = w->File1();
        list.Refresh();
        for (int i = 0; i < list.listCount(); ++i) {
            if (workFolder() + QLatin1Char('/') + list.entry(i) == path) {
                list.setListIndex(i);
                return;
            }
        }
        ADD_FAILURE() << "not listed: " << path.toStdString();
    }

    // page.bmp chosen in the list and turned by "右90度" (7 x 5 becomes 5 x 7).
    void openAndTurn()
    {
        click(page());
        ASSERT_EQ(w->state().sCurFile, page());
        ASSERT_EQ(w->document().state(), DocState::Unchanged);
        w->menus().mnRotate.item(3)->trigger();
        ASSERT_EQ(shown().width(), 5);
    }

    static Image readBack(const QString& path)
    {
        codecs::Decoded decoded = codecs::readImageFile(path);
        EXPECT_TRUE(decoded.ok()) << path.toStdString();
        return decoded.image;
    }

    Image original;
    QByteArray pageBytes;
};

// Each command that would drop the turned page asks, and each answer does what it says:
// 保存 writes the turned page and goes on, 破棄 goes on and leaves the file as it was, ｷｬﾝｾﾙ keeps
// the turned page, unsaved, and does nothing else.
TEST_F(UnsavedChanges, EveryCommandThatDropsAnEditAsksAndEachAnswerDoesWhatItSays)
{
    const QString kept = userFolder() + QStringLiteral("/kept.bmp");
    struct Command {
        const char* name;
        std::function<void()> run;
        std::function<bool()> wentAhead;
        QString savedTo;  // where 保存 writes the page
    };
    const Command commands[] = {
        {"list", [&] { click(other()); }, [&] { return w->state().sCurFile == other(); }, page()},
        {"open",
         [&] {
             prompt.fileAnswers = {other()};
             w->menus().mnFile.item(0)->trigger();
             prompt.fileAnswers.clear();
         },
         [&] { return w->state().sCurFile == other(); }, page()},
        {"paste",
         [&] {
             ASSERT_TRUE(copyImageToClipboard(sampleImage(ColourCode::Rgb24, 4, 4)));
             w->menus().mnClp.item(3)->trigger();
         },
         [&] { return w->state().sCurFile.isEmpty() && shown().width() == 4; }, page()},
        // Its own file is about to be deleted, so 保存 asks for a name.
        {"empty",
         [&] {
             prompt.confirmAnswers = {true};
             prompt.fileAnswers = {kept};
             w->menus().mnFile.item(11)->trigger();
             prompt.fileAnswers.clear();
         },
         [&] { return w->ikImg().ImageHandle() == 0 && !QFile::exists(page()); }, kept},
        {"quit", [&] { w->menus().mnFile.item(15)->trigger(); }, [&] { return ended == 1; },
         page()},
        {"frame",
         [&] {
             w->show();
             closeThroughTheFrame(*w);
         },
         [&] { return ended == 1; }, page()},
    };
    for (const Command& command : commands) {
        for (int answer : {0, 1, 2}) {
            SCOPED_TRACE(testing::Message() << command.name << " answer " << answer);
            writeFile(page(), pageBytes);
            writeBmp(other(), 3, 3);  // "empty" deleted both
            QFile::remove(kept);
            ended = 0;
            prompt.shown.clear();
            w.reset();
            w = start();
            openAndTurn();
            const Image turned = shown();
            prompt.chooseAnswers = {answer};
            command.run();

            QList<RecordingPrompt::Shown> asked;
            for (const RecordingPrompt::Shown& s : prompt.shown) {
                if (s.kind == QLatin1String("choose"))
                    asked.append(s);
            }
            ASSERT_EQ(asked.size(), 1);
            EXPECT_EQ(asked[0].text, QStringLiteral("変更を保存しますか?"));
            EXPECT_EQ(asked[0].buttons, (QStringList{"保存", "破棄", "ｷｬﾝｾﾙ"}));
            EXPECT_EQ(command.wentAhead(), answer != 2);
            if (answer == 0) {
                EXPECT_TRUE(samePixels(readBack(command.savedTo), turned));
            } else if (QFile::exists(page())) {
                EXPECT_EQ(readFile(page()), pageBytes);
            }
            if (answer == 2) {
                EXPECT_TRUE(samePixels(shown(), turned));
                EXPECT_EQ(w->state().sCurFile, page());
                EXPECT_EQ(w->document().state(), DocState::Changed);
                EXPECT_TRUE(w->document().hasUnsavedPixels());
                EXPECT_EQ(w->File1().fileName(), QStringLiteral("page.bmp"));
                EXPECT_TRUE(QFile::exists(other()));
            }
        }
    }
}

// A save that does not happen (the save dialog cancelled for a pasted image) is no answer: the
// pasted image stays and nothing else is opened.
TEST_F(UnsavedChanges, APastedImageIsAskedAboutAndACancelledSaveKeepsIt)
{
    ASSERT_TRUE(copyImageToClipboard(sampleImage(ColourCode::Rgb24, 4, 4)));
    w->menus().mnClp.item(3)->trigger();
    EXPECT_EQ(w->document().state(), DocState::Unchanged);
    EXPECT_TRUE(w->document().hasUnsavedPixels());
    prompt.chooseAnswers = {0};
    click(page());
    ASSERT_EQ(prompt.shown.size(), 2);
    EXPECT_EQ(prompt.shown[1].kind, QStringLiteral("save"));  // no file: save as
    EXPECT_EQ(shown().width(), 4);
    EXPECT_EQ(w->state().sCurFile, QString());
    EXPECT_TRUE(w->document().hasUnsavedPixels());
}

// Opening an Edit submenu ("ｽﾞｰﾑ" and a zoom) marks the document changed but changes no pixel,
// and a saved edit is safe: neither asks.
TEST_F(UnsavedChanges, ZoomAloneOrASavedEditNeverAsks)
{
    click(page());
    w->router().mnEdt_Click(10);  // "ｽﾞｰﾑ" opened
    w->menus().mnZoom.item(7)->trigger();
    EXPECT_EQ(w->document().state(), DocState::Changed);
    click(other());
    EXPECT_EQ(w->state().sCurFile, other());

    click(page());
    w->menus().mnRotate.item(5)->trigger();  // "左90度"
    w->menus().mnFile.item(1)->trigger();    // "上書き保存(&S)"
    click(other());
    EXPECT_EQ(w->state().sCurFile, other());
    EXPECT_EQ(readBack(page()).width(), 5);
    EXPECT_TRUE(prompt.questions().isEmpty());
    EXPECT_TRUE(noMessages());
}

// Each edit, reached without its submenu (a shortcut, a tool button or the operation itself),
// marks the pixels unsaved and enables "上書き保存(&S)".
TEST_F(UnsavedChanges, EveryEditMarksThePixelsUnsavedAndEnablesOverwriteSave)
{
    MainWindowOperations& ops = w->operations();
    const std::pair<const char*, std::function<void()>> edits[] = {
        {"turn", [&] { ops.RotateFlip(QStringLiteral("左右反転")); }},
        {"trim", [&] { ops.TrimToSelection(); }},
        {"shrink", [&] { ops.ShrinkToSelection(2); }},
        {"join", [&] { ops.JoinAcrossSelection(0); }},
        {"emphasis", [&] { ops.EmphasiseSelection(1); }},
        {"colours", [&] { w->menus().mnColr.item(3)->trigger(); }},
        {"marker", [&] { emit w->ikImg().ImageEdited(); }},
    };
    for (const auto& [name, edit] : edits) {
        SCOPED_TRACE(name);
        show(distinctImage(ColourCode::Rgb24, 9, 7));
        w->document().ImageMatchesFile();
        select(1, 1, 5, 4);
        edit();
        EXPECT_EQ(w->document().state(), DocState::Changed);
        EXPECT_TRUE(w->menus().mnFile.isEnabled(1));
        EXPECT_TRUE(w->document().hasUnsavedPixels());
    }
}

// Ctrl+R turns the page without opening a menu; F8 then writes the turned page.
TEST_F(UnsavedChanges, CtrlRThenF8WritesTheTurnedPage)
{
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    click(page());
    QTest::keyClick(w.get(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(shown().width(), 5);
    EXPECT_TRUE(w->menus().mnFile.isEnabled(1));
    QTest::keyClick(w.get(), Qt::Key_F8);
    const Image file = readBack(page());
    EXPECT_TRUE(samePixels(file, shown()));
    // Turned to the right: the old bottom-left corner is the new top-left one.
    EXPECT_EQ(file.pixelColour(0, 0), original.pixelColour(0, 4));
    EXPECT_FALSE(w->document().hasUnsavedPixels());
    EXPECT_TRUE(noMessages());
}

// A damaged file chosen in the list is reported and changes nothing: the edited image stays
// shown, changed and saveable, as its own file; with no image, nothing is enabled.
TEST_F(UnsavedChanges, ADamagedFileInTheListLeavesTheImageAndItsState)
{
    const QString bad = workFolder() + QStringLiteral("/bad.bmp");
    writeFile(bad, "BM this is not a bitmap");
    click(bad);
    EXPECT_EQ(prompt.messages().size(), 1);
    EXPECT_EQ(w->document().state(), DocState::NoImage);
    EXPECT_FALSE(w->menus().mnClp.isEnabled(0));
    EXPECT_EQ(w->ikImg().ImageHandle(), 0u);

    openAndTurn();
    const Image turned = shown();
    prompt.chooseAnswers = {1};  // 破棄, then the load fails
    click(bad);
    EXPECT_EQ(prompt.messages().size(), 2);
    EXPECT_TRUE(samePixels(shown(), turned));
    EXPECT_EQ(w->state().sCurFile, page());
    EXPECT_EQ(w->document().state(), DocState::Changed);
    EXPECT_TRUE(w->menus().mnFile.isEnabled(1));
    EXPECT_TRUE(w->document().hasUnsavedPixels());
    EXPECT_EQ(w->File1().fileName(), QStringLiteral("page.bmp"));
}

}  // namespace
}  // namespace tavlo::test
