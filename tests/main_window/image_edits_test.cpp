#include "imaging/imaging_control.h"
#include "imaging/process/emphasis.h"
#include "imaging/process/rotation.h"
#include "main_window/document_state.h"
#include "main_window/image_edit_controller.h"
#include "main_window/menu_items.h"
#include "main_window/menu_tree.h"
#include "main_window/tool_strip.h"

#include "tests/support/test_images.h"
#include "tests/main_window/image_commands_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace tavlo::test {
namespace {

using Edits = ImageCommandsTest;

TEST_F(Edits, EveryColourItemConvertsAndTicksItselfAndTicksFollowALoadedImage)
{
    const int codes[] = {4, 40, 8, 80, 16, 24, 32};
    for (int index = 1; index <= 7; ++index) {
        SCOPED_TRACE(index);
        show(sampleImage(ColourCode::Rgb24, 8, 6));
        EXPECT_EQ(tickedCodes(), QList<int>{24});
        w->menus().mnColr.item(index)->trigger();
        EXPECT_EQ(int(shown().code()), codes[index - 1]);
        EXPECT_EQ(tickedCodes(), QList<int>{codes[index - 1]});
        EXPECT_EQ(w->state().sClrCd, QString::number(codes[index - 1]));
        EXPECT_EQ(w->document().state(), DocState::Changed);
        EXPECT_TRUE(w->menus().mnFile.isEnabled(1));
    }
    show(sampleImage(ColourCode::Mono, 4, 4));  // no item for 2 colours
    EXPECT_EQ(tickedCodes(), QList<int>{});
    EXPECT_EQ(w->state().sClrCd, QStringLiteral("1"));
}

TEST_F(Edits, RotationsMoveEveryPixelWhereTheCaptionSays)
{
    const Image in = distinctImage(ColourCode::Rgb24, 3, 2);
    // Item, output width, source pixel of output pixel (x, y) of the 3 x 2 image.
    const std::tuple<int, int, QPoint (*)(int, int)> rows[] = {
        {0, 3, [](int x, int y) { return QPoint(2 - x, y); }},      // 左右反転
        {1, 3, [](int x, int y) { return QPoint(x, 1 - y); }},      // 上下反転
        {3, 2, [](int x, int y) { return QPoint(y, 1 - x); }},      // 右90度 (clockwise)
        {4, 3, [](int x, int y) { return QPoint(2 - x, 1 - y); }},  // 右180度
        {5, 2, [](int x, int y) { return QPoint(2 - y, x); }},      // 左90度
        {6, 3, [](int x, int y) { return QPoint(2 - x, 1 - y); }},  // 左180度
    };
    for (const auto& [item, width, from] : rows) {
        show(in);
        w->menus().mnRotate.item(item)->trigger();
        const Image& out = shown();
        ASSERT_EQ(out.width(), width) << item;
        for (int y = 0; y < out.height(); ++y) {
            for (int x = 0; x < out.width(); ++x) {
                const QPoint p = from(x, y);
                EXPECT_EQ(out.pixelColour(x, y), in.pixelColour(p.x(), p.y())) << item;
            }
        }
        EXPECT_EQ(w->document().state(), DocState::Changed);
    }
    // Turns are smoothed unless sClrCd is "40" (a text search in "80.16.24.32.").
    for (const char* code : {"1", "4", "8", "80", "16", "24", "32"})
        EXPECT_TRUE(ImageEditController::smoothFor(QLatin1String(code))) << code;
    EXPECT_FALSE(ImageEditController::smoothFor(QStringLiteral("40")));
}

TEST_F(Edits, TrimAndShrinkInItsThreeModesWorkOnTheSelectionAndClearIt)
{
    const Image in = distinctImage(ColourCode::Palette256, 9, 7);
    show(in);
    w->operations().TrimToSelection();  // no selection: nothing
    EXPECT_EQ(shown().width(), 9);
    select(2, 1, 6, 4);
    w->menus().mnEdt.item(1)->trigger();
    ASSERT_EQ(QSize(shown().width(), shown().height()), QSize(4, 3));
    EXPECT_TRUE(sameColoursShifted(in, shown(), 2, 1));
    EXPECT_EQ(w->ikImg().SelRight(), 0);
    EXPECT_EQ(w->document().state(), DocState::Changed);

    // Shrink item, selection, size of the 1000 x 500 image after it.
    const std::tuple<int, QRect, QSize> rows[] = {
        {0, QRect(100, 50, 200, 100), QSize(200, 100)},  // width-based
        {0, QRect(0, 0, 300, 50), QSize(300, 150)},
        {0, QRect(0, 0, 201, 50), QSize(201, 100)},  // 100.5 and 101.5 halve to even
        {0, QRect(0, 0, 203, 50), QSize(203, 102)},
        {1, QRect(0, 0, 300, 50), QSize(100, 50)},  // height-based
        {1, QRect(0, 0, 200, 100), QSize(200, 100)},
        {3, QRect(10, 10, 200, 50), QSize(200, 50)},  // free
    };
    for (const auto& [item, s, result] : rows) {
        show(plainImage(ColourCode::Rgb24, 1000, 500, qRgb(10, 200, 30)));
        select(s.left(), s.top(), s.left() + s.width(), s.top() + s.height());
        w->menus().mnResize.item(item)->trigger();
        EXPECT_EQ(QSize(shown().width(), shown().height()), result) << item;
        EXPECT_EQ(shown().pixelColour(5, 5), qRgb(10, 200, 30));
        EXPECT_EQ(w->ikImg().SelRight(), 0);
    }
    // sClrCd is searched for in "80.16.24.32.", so only a 4-bit grey image ("40") is averaged at
    // 16 bits, and stays there; "8" occurs in "80" and is resized with its palette.
    for (ColourCode code : {ColourCode::Grey16, ColourCode::Palette256}) {
        show(distinctImage(code, 20, 10));
        select(0, 0, 10, 5);
        w->operations().ShrinkToSelection(0);
        EXPECT_EQ(shown().code(), code == ColourCode::Grey16 ? ColourCode::Rgb555 : code);
    }
}

// The joined image is the image without the band: pixels before it where they were, pixels after
// it moved up by its width, at every code, with the code and palette kept.
TEST_F(Edits, JoinRemovesExactlyTheBandAtEveryCode)
{
    for (QSize size : {QSize(9, 7), QSize(10, 8)}) {
        for (ColourCode code : kAllColourCodes) {
            for (int direction : {0, 1}) {
                SCOPED_TRACE(QStringLiteral("%1x%2 code %3 direction %4")
                                 .arg(size.width())
                                 .arg(size.height())
                                 .arg(int(code))
                                 .arg(direction)
                                 .toStdString());
                const Image in = distinctImage(code, size.width(), size.height());
                show(in);
                const bool columns = direction == 1;
                columns ? select(2, 1, 5, 3) : select(1, 2, 3, 5);  // columns or rows 2, 3, 4
                w->operations().JoinAcrossSelection(direction);
                const Image& out = shown();
                EXPECT_EQ(out.code(), code);
                EXPECT_EQ(out.palette(), in.palette());
                EXPECT_EQ(out.dpiX(), 200);
                ASSERT_EQ(out.width(), size.width() - (columns ? 3 : 0));
                ASSERT_EQ(out.height(), size.height() - (columns ? 0 : 3));
                for (int y = 0; y < out.height(); ++y) {
                    for (int x = 0; x < out.width(); ++x) {
                        const QPoint from =
                            columns ? QPoint(x < 2 ? x : x + 3, y) : QPoint(x, y < 2 ? y : y + 3);
                        ASSERT_EQ(out.pixelColour(x, y), in.pixelColour(from.x(), from.y()))
                            << x << "," << y;
                    }
                }
                EXPECT_EQ(w->ikImg().SelRight(), 0);
                EXPECT_EQ(w->ikImg2().ImageHandle(), 0u);
            }
        }
    }

    // At the edges, and across everything (nothing would be left: the image stays).
    const Image in = distinctImage(ColourCode::Rgb24, 9, 7);
    show(in);
    select(0, 0, 2, 7);            // the first two columns
    w->strip().imBtn(9)->click();  // "横方向に綴じこめます"
    EXPECT_TRUE(sameColoursShifted(in, shown(), 2, 0));
    EXPECT_EQ(shown().width(), 7);
    EXPECT_EQ(w->document().state(), DocState::Changed);
    show(in);
    select(0, 4, 9, 7);  // the last three rows
    w->operations().JoinAcrossSelection(0);
    EXPECT_EQ(shown().height(), 4);
    EXPECT_TRUE(sameColoursShifted(in, shown(), 0, 0));
    show(in);
    select(0, 0, 9, 7);
    w->operations().JoinAcrossSelection(1);
    EXPECT_TRUE(samePixels(shown(), in));
    EXPECT_EQ(w->document().state(), DocState::Unchanged);
}

// Both kinds at every code, through the "範囲" items: the image is emphasised where it is, as the
// pixel operations do it, and no pixel outside the rectangle changes (a detour through 16 bits
// gave palette images a new palette and so changed every pixel).
TEST_F(Edits, EmphasisChangesOnlyTheRectangleAtEveryCode)
{
    const QPolygon region({QPoint(2, 1), QPoint(6, 1), QPoint(6, 5), QPoint(2, 5)});
    const QRect inside(2, 1, 4, 4);  // the pixels whose centres lie in the region
    for (int kind : {0, 1}) {
        for (ColourCode code : kAllColourCodes) {
            SCOPED_TRACE(testing::Message() << "kind " << kind << " code " << code);
            const Image before = distinctImage(code, 9, 7);
            Image expected = before;
            if (kind == 0) {
                process::emphasizeRelativeFill(expected, region, 55, 55, 55);
                process::emphasizeRelativeAdjust(expected, region, -100);
            } else {
                process::emphasizeMarker(expected, region, 0, 0, -1);
            }
            show(before);
            select(2, 1, 6, 5);
            w->menus().mnRng.item(4 + kind)->trigger();
            EXPECT_TRUE(samePixels(shown(), expected));
            int changedOutside = 0;
            for (int y = 0; y < before.height(); ++y) {
                for (int x = 0; x < before.width(); ++x) {
                    if (!inside.contains(x, y) &&
                        shown().pixelColour(x, y) != before.pixelColour(x, y))
                        ++changedOutside;
                }
            }
            EXPECT_EQ(changedOutside, 0);
            EXPECT_EQ(w->state().sClrCd, QString::number(int(shown().code())));
            EXPECT_EQ(w->document().state(), DocState::Changed);
            EXPECT_TRUE(w->document().hasUnsavedPixels());
        }
    }
}

TEST_F(Edits, ZoomItemsSetBothFactorsAndActualSizeMode)
{
    show(sampleImage(ColourCode::Rgb24, 30, 20));
    const bool box = w->strip().chDsp()->isChecked();
    const int percents[] = {50, 60, 70, 80, 90, 100, 150, 200, 300, 500, 750, 1000};
    for (int index = 0; index < 12; ++index) {
        w->state().nDspMd = 1;
        w->menus().mnZoom.item(index)->trigger();
        const double factor = double(float(percents[index]) / 100.0f);
        EXPECT_EQ(w->ikImg().ZoomX(), factor) << index;
        EXPECT_EQ(w->ikImg().ZoomY(), factor);
        EXPECT_EQ(w->state().nDspMd, 3);
    }
    EXPECT_EQ(w->strip().chDsp()->isChecked(), box);  // the box and the View mark stay
    EXPECT_TRUE(w->menus().mnDisp.isChecked(0));
}

// "解像度" opens its dialog on the view's image; Cancel leaves the resolution, OK applies it, and
// either way the document counts as changed.
TEST_F(Edits, ResolutionDialogOpensOnTheImageAndItsAnswerIsApplied)
{
    Image image = sampleImage(ColourCode::Rgb24, 720, 360);
    image.setDpi(0, 0);
    show(image);
    for (const char* button : {"cmOK1", "cmOK0"}) {
        QTimer::singleShot(0, [button] {
            auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            auto* field = d->findChild<QLineEdit*>(QStringLiteral("txYoko"));
            EXPECT_EQ(field->text(), QStringLiteral("72"));  // no resolution reads as 72
            EXPECT_EQ(d->findChild<QLabel*>(QStringLiteral("lbTate1"))->text(),
                      QStringLiteral("5.0"));
            field->setFocus();
            field->selectAll();
            QTest::keyClicks(field, QStringLiteral("300"));
            QTest::keyClick(field, Qt::Key_Return);
            d->findChild<QPushButton*>(QLatin1String(button))->click();
        });
        w->menus().mnEdt.item(12)->trigger();
        EXPECT_EQ(shown().dpiX(), QLatin1String(button) == "cmOK0" ? 300 : 0);
        EXPECT_EQ(shown().dpiY(), shown().dpiX());
        EXPECT_EQ(w->document().state(), DocState::Changed);
        EXPECT_TRUE(w->menus().mnFile.isEnabled(1));
    }
}

// "詳細指定" opens the base-line rotation dialog on the view's image: its result replaces the
// image and marks the document changed; closing it through the frame changes neither.
TEST_F(Edits, BaseLineDialogReplacesTheImageOnlyWhenApplied)
{
    const Image image = sampleImage(ColourCode::Grey256, 90, 60);
    show(image);
    for (const char* last : {"", "lbCom0"}) {
        QTimer::singleShot(0, [last] {
            auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            EXPECT_EQ(d->objectName(), QStringLiteral("sbImgR"));
            d->findChild<QPushButton*>(QStringLiteral("cmRect2"))->click();
            if (*last)
                d->findChild<QPushButton*>(QLatin1String(last))->click();
            else
                d->close();
        });
        w->menus().mnRotate.item(RotateItem::BaseLine)->trigger();
        const bool applied = *last != 0;
        EXPECT_TRUE(samePixels(shown(), applied ? process::rotated(image, {-9000}) : image))
            << last;
        EXPECT_EQ(w->document().state(), applied ? DocState::Changed : DocState::Unchanged) << last;
    }
}

}  // namespace
}  // namespace tavlo::test
