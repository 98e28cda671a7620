#include "imaging/clipboard/clipboard_picture.h"
#include "imaging/codecs/image_file.h"
#include "imaging/imaging_control.h"
#include "imaging/shape/marker_tool_bar.h"
#include "imaging/shape/shape_object.h"
#include "main_window/document_state.h"
#include "main_window/menu_items.h"
#include "main_window/menu_tree.h"

#include "tests/main_window/image_commands_fixture.h"
#include "tests/support/test_images.h"
#include "tests/support/user_close.h"
#include "tests/support/view_mouse.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

namespace tavlo::test {
namespace {

const QString kQuestion = QString::fromUtf8("ﾏｰｸを画像に反映しますか");

class MarkerToolBarTest : public ImageCommandsTest {
protected:
    void SetUp() override
    {
        ImageCommandsTest::SetUp();
        w->show();
        original = plainImage(ColourCode::Rgb24, 160, 120, qRgb(255, 255, 255));
        original.setDpi(96, 96);
        show(original);
        QApplication::processEvents();
    }

    void tick() { w->menus().mnEdt.item(EdtItem::ToolBar)->trigger(); }
    bool ticked() { return w->menus().mnEdt.isChecked(EdtItem::ToolBar); }
    ShapeObject& shape() { return w->ikImg().ShapeObject(); }
    MarkerToolBar* bar() { return shape().toolBar(); }
    ImageView& view() { return *w->ikImg().view(); }

    // A filled red rectangle over the pixels (10, 10) to (20, 15).
    void drawRectangle()
    {
        bar()->findChild<QToolButton*>(QStringLiteral("markFill"))->setChecked(true);
        bar()->findChild<QToolButton*>(QStringLiteral("colour1"))->click();
        bar()->toolButton(MarkerTool::Rectangle)->click();
        dragThrough(view(), {{10, 10}, {20, 15}});
        ASSERT_TRUE(shape().HasShapes());
    }
    static bool isRed(QRgb colour) { return colour == qRgb(255, 0, 0); }

    Image original;
};

TEST_F(MarkerToolBarTest, TickingPlacesTheBarLeftOfTheWindowAndAUserCloseUnticksIt)
{
    w->move(500, 120);
    QApplication::processEvents();
    const QRect frame = w->frameGeometry();
    tick();
    ASSERT_NE(bar(), nullptr);
    EXPECT_TRUE(ticked());
    EXPECT_TRUE(bar()->isVisible());
    EXPECT_EQ(bar()->windowTitle(), QStringLiteral("ToolBar"));
    EXPECT_EQ(bar()->pos(), QPoint(frame.left() - 68, frame.top()));
    EXPECT_EQ(w->frameGeometry(), frame);
    closeThroughTheFrame(*bar());
    QTRY_VERIFY(!ticked());
    EXPECT_TRUE(w->ikImg().ToolBarHiddenFlag());
    EXPECT_FALSE(bar()->isVisible());
    // Ticking again shows it again.
    tick();
    EXPECT_TRUE(ticked());
    EXPECT_TRUE(bar()->isVisible());
    tick();
    EXPECT_FALSE(ticked());
    EXPECT_FALSE(bar()->isVisible());
    EXPECT_TRUE(prompt.questions().isEmpty());
}

TEST_F(MarkerToolBarTest, AWindowNearTheScreensEdgeMakesRoomKeepingItsRightEdge)
{
    w->move(20, 40);
    QApplication::processEvents();
    const QRect frame = w->frameGeometry();
    tick();
    EXPECT_EQ(w->frameGeometry().left(), 68);
    EXPECT_EQ(w->frameGeometry().right(), frame.right());
    EXPECT_EQ(w->frameGeometry().top(), frame.top());
    EXPECT_EQ(bar()->pos(), QPoint(0, std::max(0, frame.top())));
}

// Hiding the bar with marks not yet committed asks; 反映 commits them (the image is changed), 破棄
// drops them, ｷｬﾝｾﾙ keeps the bar and its marks. A user close asks the same.
TEST_F(MarkerToolBarTest, HidingWithUncommittedMarksAsks)
{
    struct Case {
        int answer;
        bool userClose;
    };
    for (const Case c :
         {Case{0, false}, Case{1, false}, Case{2, false}, Case{0, true}, Case{2, true}}) {
        SCOPED_TRACE(::testing::Message() << c.answer << (c.userClose ? " close" : " menu"));
        show(original);
        prompt.shown.clear();
        if (!ticked())
            tick();
        drawRectangle();
        prompt.chooseAnswers.push_back(c.answer);
        if (c.userClose)
            closeThroughTheFrame(*bar());
        else
            tick();
        QTRY_COMPARE(prompt.questions(), QStringList{kQuestion});
        EXPECT_EQ(prompt.shown.back().buttons,
                  (QStringList{QString::fromUtf8("反映"), QString::fromUtf8("破棄"),
                               QString::fromUtf8("ｷｬﾝｾﾙ")}));
        if (c.answer == 2) {
            QTRY_VERIFY(bar()->isVisible());
            EXPECT_TRUE(ticked());
            EXPECT_TRUE(shape().HasShapes());
            EXPECT_TRUE(samePixels(shown(), original));
            shape().ClearShape();
            continue;
        }
        EXPECT_FALSE(ticked());
        EXPECT_FALSE(bar()->isVisible());
        EXPECT_FALSE(shape().HasShapes());
        EXPECT_EQ(isRed(shown().pixelColour(15, 12)), c.answer == 0);
        if (c.answer == 0) {
            EXPECT_TRUE(w->document().hasUnsavedPixels());
        }
        EXPECT_EQ(isRed(shown().pixelColour(30, 30)), false);
    }
}

// Save and copy take the marks the user sees: they are committed first, then the shape is empty.
TEST_F(MarkerToolBarTest, SaveAndCopyCarryTheVisibleMarks)
{
    tick();
    drawRectangle();
    const QString name = userFolder() + QStringLiteral("/marked.bmp");
    prompt.fileAnswers.push_back(name);
    w->menus().mnFile.item(FileItem::SaveAs)->trigger();
    const codecs::Decoded saved = codecs::readImageFile(name);
    ASSERT_TRUE(saved.ok());
    EXPECT_TRUE(isRed(saved.image.pixelColour(15, 12)));
    EXPECT_FALSE(isRed(saved.image.pixelColour(30, 30)));
    EXPECT_FALSE(shape().HasShapes());
    EXPECT_FALSE(w->document().hasUnsavedPixels());

    show(original);
    drawRectangle();
    QGuiApplication::clipboard()->clear();
    w->menus().mnClp.item(0)->trigger();
    CurrentImage pasted;
    ASSERT_TRUE(loadImageFromClipboard(pasted));
    EXPECT_TRUE(isRed(pasted.image()->pixelColour(15, 12)));
    EXPECT_FALSE(shape().HasShapes());
    QGuiApplication::clipboard()->clear();
}

// "作業ﾌｫﾙﾀﾞに保存" is a save too: the work file carries the marks shown.
TEST_F(MarkerToolBarTest, SavingToTheWorkFolderCarriesTheVisibleMarks)
{
    tick();
    drawRectangle();
    w->menus().mnFile.item(FileItem::SaveToWorkFolder)->trigger();
    const QString name = w->state().sCurFile;
    ASSERT_FALSE(name.isEmpty());
    const codecs::Decoded saved = codecs::readImageFile(name);
    ASSERT_TRUE(saved.ok());
    EXPECT_TRUE(isRed(saved.image.pixelColour(15, 12)));
    EXPECT_FALSE(shape().HasShapes());
    EXPECT_FALSE(w->document().hasUnsavedPixels());
}

// Marks not yet committed are changes: opening another file asks "変更を保存しますか?" even when
// the pixels match their file; 保存 writes the marks, 破棄 drops them with the image.
TEST_F(MarkerToolBarTest, OpeningAnotherFileOverUncommittedMarksAsks)
{
    const QString page = userFolder() + QStringLiteral("/page.bmp");
    const QString other = userFolder() + QStringLiteral("/other.bmp");
    ASSERT_EQ(codecs::writeImageFile(original, page, codecs::ImageFormat::Bmp), QString());
    ASSERT_EQ(codecs::writeImageFile(original, other, codecs::ImageFormat::Bmp), QString());
    tick();
    for (const int answer : {2, 1, 0}) {
        SCOPED_TRACE(answer);
        prompt.fileAnswers = {page};
        w->menus().mnFile.item(FileItem::Open)->trigger();
        ASSERT_EQ(w->state().sCurFile, page);
        ASSERT_FALSE(w->document().hasUnsavedPixels());
        drawRectangle();
        prompt.shown.clear();
        prompt.chooseAnswers = {answer};
        prompt.fileAnswers = {other};
        w->menus().mnFile.item(FileItem::Open)->trigger();
        EXPECT_EQ(prompt.questions(), QStringList{QString::fromUtf8("変更を保存しますか?")});
        const codecs::Decoded kept = codecs::readImageFile(page);
        ASSERT_TRUE(kept.ok());
        EXPECT_EQ(isRed(kept.image.pixelColour(15, 12)), answer == 0);
        EXPECT_EQ(w->state().sCurFile, answer == 2 ? page : other);
        EXPECT_EQ(shape().HasShapes(), answer == 2);
        shape().ClearShape();
    }
}

// The whole way: tick the item, highlight a line, write a Japanese note, stamp the page, save; the
// file carries every mark.
TEST_F(MarkerToolBarTest, HighlightNoteStampAndSave)
{
    QDir().mkpath(programFolder() + QStringLiteral("/apData"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(TAVLO_STAMP_BMP),
                            programFolder() + QStringLiteral("/apData/Stamp.bmp")));
    tick();
    bar()->toolButton(MarkerTool::Highlighter)->click();
    dragThrough(view(), {{5, 100}, {150, 100}});
    bar()->toolButton(MarkerTool::Text)->click();
    clickAt(view(), {5, 5});
    auto* entry = view().viewport()->findChild<QLineEdit*>(QStringLiteral("markText"));
    ASSERT_NE(entry, nullptr);
    entry->setText(QString::fromUtf8("確認済み"));
    QTest::keyClick(entry, Qt::Key_Return);
    ASSERT_TRUE(bar()->toolButton(MarkerTool::Stamp)->isEnabled());
    bar()->toolButton(MarkerTool::Stamp)->click();
    clickAt(view(), {120, 60});
    ASSERT_EQ(shape().editor().marks().size(), 3u);
    const QString name = userFolder() + QStringLiteral("/page.png");
    prompt.fileAnswers.push_back(name);
    w->menus().mnFile.item(FileItem::SaveAs)->trigger();
    const codecs::Decoded saved = codecs::readImageFile(name);
    ASSERT_TRUE(saved.ok());
    EXPECT_TRUE(samePixels(saved.image, shown()));
    EXPECT_NE(saved.image.pixelColour(30, 100), qRgb(255, 255, 255));  // highlighter
    EXPECT_NE(saved.image.pixelColour(120, 60), qRgb(255, 255, 255));  // stamp
    bool note = false;
    for (int x = 5; x < 30 && !note; ++x)
        for (int y = 5; y < 20 && !note; ++y)
            note = saved.image.pixelColour(x, y) != qRgb(255, 255, 255);
    EXPECT_TRUE(note);
    EXPECT_TRUE(noMessages());
}

}  // namespace
}  // namespace tavlo::test
