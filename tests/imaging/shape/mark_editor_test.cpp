#include "imaging/image_store.h"
#include "imaging/imaging_control.h"
#include "imaging/shape/marker_tool_bar.h"
#include "imaging/shape/shape_object.h"
#include "imaging/view/image_view.h"
#include "tests/support/test_images.h"
#include "tests/support/user_close.h"
#include "tests/support/view_mouse.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <functional>

namespace tavlo {
namespace {

using test::clickAt;
using test::dragThrough;

// A 600 x 450 white page in a 300 x 225 view: fitted it shows at 50 %, so the image pixels under
// view pixels are the odd ones; every pixel used below is odd and lies in the part of the page
// that 370 % shows from the top left.
class MarkEditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        control.resize(300, 225);
        control.show();
        blank = test::plainImage(ColourCode::Rgb24, 600, 450, qRgb(255, 255, 255));
        blank.setDpi(72, 72);
        control.setImageHandle(ImageStore::instance().add(blank));
        shape().StampFile = QStringLiteral(TAVLO_STAMP_BMP);
        ASSERT_TRUE(shape().ShowToolBar(1));
        QApplication::processEvents();
    }

    ShapeObject& shape() { return control.ShapeObject(); }
    ImageView& view() { return *control.view(); }
    MarkerToolBar& bar() { return *shape().toolBar(); }
    const Image& image() { return *control.currentImage().image(); }

    // 0 fits the page, else the zoom factor.
    void zoom(double factor)
    {
        control.setZoomX(factor);
        control.setZoomY(factor);
        control.DrawImage(factor == 0 ? 1 : 3);
        QApplication::processEvents();
    }

    void choose(MarkerTool tool)
    {
        QToolButton* button = bar().toolButton(tool);
        ASSERT_TRUE(button->isEnabled());
        button->click();
        ASSERT_EQ(shape().editor().tool(), tool);
    }

    void writeText(QPoint pixel, const QString& text)
    {
        clickAt(view(), pixel);
        auto* entry = view().viewport()->findChild<QLineEdit*>(QStringLiteral("markText"));
        ASSERT_NE(entry, nullptr);
        entry->setText(text);
        QTest::keyClick(entry, Qt::Key_Return);
    }

    ImagingControl control;
    Image blank;
};

struct ToolCase {
    const char* name;
    std::function<void()> draw;
};

// Every tool leaves the same pixels whether it drew at fit, at 100 % or at 370 %: marks live in
// image pixels.
TEST_F(MarkEditorTest, EveryToolGivesTheSameResultAtEveryZoom)
{
    const std::vector<QPoint> path = {{11, 9}, {31, 41}, {51, 21}, {71, 51}};
    const ToolCase cases[] = {
        {"pen",
         [&] {
             choose(MarkerTool::Pen);
             dragThrough(view(), path);
         }},
        {"highlighter",
         [&] {
             choose(MarkerTool::Highlighter);
             dragThrough(view(), path);
         }},
        {"line",
         [&] {
             choose(MarkerTool::Line);
             dragThrough(view(), path);
         }},
        {"arrow",
         [&] {
             choose(MarkerTool::Arrow);
             dragThrough(view(), path);
         }},
        {"rectangle",
         [&] {
             choose(MarkerTool::Rectangle);
             dragThrough(view(), path);
         }},
        {"filled ellipse",
         [&] {
             bar().findChild<QToolButton*>(QStringLiteral("markFill"))->setChecked(true);
             choose(MarkerTool::Ellipse);
             dragThrough(view(), path);
         }},
        {"text",
         [&] {
             choose(MarkerTool::Text);
             writeText({21, 11}, QString::fromUtf8("確認済み"));
         }},
        {"stamp",
         [&] {
             choose(MarkerTool::Stamp);
             clickAt(view(), {41, 31});
         }},
    };
    for (const ToolCase& tool : cases) {
        SCOPED_TRACE(tool.name);
        std::vector<Image> results;
        for (double factor : {0.0, 1.0, 3.7}) {
            SCOPED_TRACE(factor);
            control.setImageHandle(ImageStore::instance().add(blank));
            zoom(factor);
            QSignalSpy edited(&control, &ImagingControl::ImageEdited);
            tool.draw();
            ASSERT_EQ(shape().editor().marks().size(), 1u);
            ASSERT_TRUE(shape().CommitShape());
            EXPECT_EQ(edited.count(), 1);
            EXPECT_FALSE(shape().HasShapes());
            results.push_back(image());
        }
        EXPECT_FALSE(samePixels(results[0], blank));
        EXPECT_TRUE(samePixels(results[0], results[1]));
        EXPECT_TRUE(samePixels(results[0], results[2]));
    }
}

TEST_F(MarkEditorTest, UndoAndRedoStepThroughTheMarks)
{
    zoom(1.0);
    choose(MarkerTool::Pen);
    dragThrough(view(), {{10, 10}, {40, 20}});
    dragThrough(view(), {{10, 50}, {40, 60}});
    ASSERT_EQ(shape().editor().marks().size(), 2u);
    auto* undo = bar().findChild<QToolButton*>(QStringLiteral("markUndo"));
    auto* redo = bar().findChild<QToolButton*>(QStringLiteral("markRedo"));
    EXPECT_FALSE(redo->isEnabled());
    undo->click();
    EXPECT_EQ(shape().editor().marks().size(), 1u);
    EXPECT_EQ(shape().editor().marks()[0].points.front(), QPointF(10.5, 10.5));
    undo->click();
    EXPECT_TRUE(shape().editor().marks().empty());
    EXPECT_FALSE(undo->isEnabled());
    redo->click();
    EXPECT_EQ(shape().editor().marks().size(), 1u);
    // A new mark drops what could have been redone.
    choose(MarkerTool::Line);
    dragThrough(view(), {{60, 10}, {70, 20}});
    EXPECT_EQ(shape().editor().marks().size(), 2u);
    EXPECT_FALSE(redo->isEnabled());
    // Undo reaches the image only through a commit: nothing was painted into it.
    EXPECT_TRUE(samePixels(image(), blank));
}

TEST_F(MarkEditorTest, SelectMovesResizesAndDeletesAMark)
{
    zoom(2.0);
    bar().findChild<QToolButton*>(QStringLiteral("markFill"))->setChecked(true);
    choose(MarkerTool::Rectangle);
    dragThrough(view(), {{10, 10}, {20, 16}});
    choose(MarkerTool::Select);
    dragThrough(view(), {{15, 12}, {35, 22}});
    const MarkEditor& editor = shape().editor();
    ASSERT_EQ(editor.selected(), 0);
    EXPECT_EQ(editor.marks()[0].box, QRectF(QPointF(30.5, 20.5), QPointF(40.5, 26.5)));
    // The handle on the bottom right corner resizes; the top left corner stays.
    dragThrough(view(), {{40, 26}, {50, 40}});
    EXPECT_EQ(editor.marks()[0].box, QRectF(QPointF(30.5, 20.5), QPointF(50.5, 40.5)));
    // A press beside every mark selects nothing and leaves the view its selection drag.
    dragThrough(view(), {{80, 80}, {90, 90}});
    EXPECT_EQ(editor.selected(), -1);
    EXPECT_FALSE(view().selection().isEmpty());
    clickAt(view(), {35, 30});
    ASSERT_EQ(editor.selected(), 0);
    view().setFocus();
    QTest::keyClick(&view(), Qt::Key_Delete);
    EXPECT_TRUE(editor.marks().empty());
    bar().findChild<QToolButton*>(QStringLiteral("markUndo"))->click();
    EXPECT_EQ(editor.marks().size(), 1u);
}

TEST_F(MarkEditorTest, EraserRemovesTheMarksItPasses)
{
    zoom(1.0);
    choose(MarkerTool::Line);
    dragThrough(view(), {{10, 30}, {90, 30}});
    dragThrough(view(), {{10, 60}, {90, 60}});
    choose(MarkerTool::Eraser);
    dragThrough(view(), {{50, 20}, {50, 40}});
    ASSERT_EQ(shape().editor().marks().size(), 1u);
    EXPECT_EQ(shape().editor().marks()[0].points.front().y(), 60.5);
    // An eraser stroke over nothing is no step to undo.
    dragThrough(view(), {{120, 120}, {130, 130}});
    bar().findChild<QToolButton*>(QStringLiteral("markUndo"))->click();
    EXPECT_EQ(shape().editor().marks().size(), 2u);
}

// ClearShape drops the marks drawn since the last commit; committed ones stay in the pixels.
TEST_F(MarkEditorTest, ClearShapeRemovesOnlyUncommittedMarks)
{
    zoom(1.0);
    choose(MarkerTool::Rectangle);
    dragThrough(view(), {{10, 10}, {30, 30}});
    ASSERT_TRUE(shape().CommitShape());
    const Image committed = image();
    EXPECT_FALSE(samePixels(committed, blank));
    dragThrough(view(), {{50, 50}, {70, 70}});
    QSignalSpy edited(&control, &ImagingControl::ImageEdited);
    ASSERT_TRUE(shape().ClearShape());
    EXPECT_FALSE(shape().HasShapes());
    EXPECT_TRUE(samePixels(image(), committed));
    ASSERT_TRUE(shape().CommitShape());
    EXPECT_TRUE(samePixels(image(), committed));
    EXPECT_EQ(edited.count(), 0);
}

// A missing or damaged stamp picture turns off the stamp tool only, saying why.
TEST_F(MarkEditorTest, UnusableStampDisablesOnlyTheStampTool)
{
    QTemporaryDir folder;
    QFile damaged(folder.filePath(QStringLiteral("Stamp.bmp")));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("BM this is not a picture");
    damaged.close();
    const std::pair<QString, const char*> cases[] = {
        {folder.filePath(QStringLiteral("missing/Stamp.bmp")), "ｽﾀﾝﾌﾟ画像がありません"},
        {damaged.fileName(), "ｽﾀﾝﾌﾟ画像を読めません"},
    };
    for (const auto& [path, reason] : cases) {
        SCOPED_TRACE(path.toStdString());
        shape().ShowToolBar(0);
        shape().StampFile = path;
        ASSERT_TRUE(shape().ShowToolBar(1));
        QToolButton* stamp = bar().toolButton(MarkerTool::Stamp);
        EXPECT_FALSE(stamp->isEnabled());
        EXPECT_TRUE(stamp->toolTip().startsWith(QString::fromUtf8(reason)));
        EXPECT_TRUE(stamp->toolTip().contains(path));
        zoom(1.0);
        choose(MarkerTool::Pen);
        dragThrough(view(), {{10, 10}, {30, 20}});
        EXPECT_EQ(shape().editor().marks().size(), 1u);
        shape().ClearShape();
    }
    // The shipped picture is usable.
    shape().ShowToolBar(0);
    shape().StampFile = QStringLiteral(TAVLO_STAMP_BMP);
    shape().ShowToolBar(1);
    EXPECT_TRUE(bar().toolButton(MarkerTool::Stamp)->isEnabled());
}

TEST_F(MarkEditorTest, SettingsGiveTheBarItsLookAndStartingStyle)
{
    shape().ShowToolBar(0);
    shape().ToolBarCaption = QStringLiteral("ToolBar");
    shape().ToolBarLeft = 40;
    shape().ToolBarTop = 30;
    shape().PenRed = 0;
    shape().PenGreen = 0;
    shape().PenBlue = 255;
    shape().FillStyle = 1;
    ASSERT_TRUE(shape().ShowToolBar(1));
    EXPECT_EQ(bar().windowTitle(), QStringLiteral("ToolBar"));
    EXPECT_TRUE(bar().isVisible());
    EXPECT_TRUE(bar().windowFlags() & Qt::Tool);
    EXPECT_EQ(bar().pos(), QPoint(40, 30));
    EXPECT_EQ(shape().editor().style().colour, QColor(0, 0, 255));
    EXPECT_TRUE(shape().editor().style().filled);
}

// The user's close raises ToolBarVisibleChanged(false) once; a hide by the program raises nothing,
// and a hidden bar no longer draws.
TEST_F(MarkEditorTest, OnlyTheUsersCloseIsReported)
{
    QSignalSpy visible(&control, &ImagingControl::ToolBarVisibleChanged);
    shape().ShowToolBar(0);
    shape().ShowToolBar(1);
    test::closeThroughTheFrame(bar());
    ASSERT_TRUE(visible.wait(5000));
    ASSERT_EQ(visible.count(), 1);
    EXPECT_FALSE(visible.front().front().toBool());
    EXPECT_FALSE(bar().isVisible());
    zoom(1.0);
    dragThrough(view(), {{10, 10}, {30, 20}});
    EXPECT_FALSE(shape().HasShapes());
    EXPECT_FALSE(view().selection().isEmpty());
}

}  // namespace
}  // namespace tavlo
