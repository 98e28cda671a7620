#include "dialogs/base_line_angle.h"
#include "dialogs/base_line_rotation_dialog.h"
#include "imaging/imaging_control.h"
#include "imaging/process/rotation.h"
#include "imaging/view/image_view.h"

#include "tests/support/modal_dialog.h"
#include "tests/support/test_images.h"
#include "tests/support/text_page.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <cmath>
#include <functional>

namespace tavlo {
namespace {

// The turn of a base line, horizontal and vertical: only the slope counts, a level, upright or
// one-point line has none.
TEST(BaseLineAngle, TurnsFromTwoPoints)
{
    struct Case {
        int x1, y1, x2, y2;
        std::optional<int> horizontal;
    };
    const Case cases[] = {
        {10, 10, 110, 20, 571},       {10, 20, 110, 10, -571},     {110, 20, 10, 10, 571},
        {0, 0, 100, 100, 4500},       {0, 0, 1, 1000, 8994},       {5, 5, 5, 5, std::nullopt},
        {0, 7, 300, 7, std::nullopt}, {4, 0, 4, 90, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(horizontalTurn(c.x1, c.y1, c.x2, c.y2), c.horizontal) << c.x1 << "," << c.y1;
    EXPECT_EQ(verticalTurn(571), -8429);
    EXPECT_EQ(verticalTurn(-571), 8429);
    EXPECT_EQ(verticalTurn(0), -9000);
}

// A detected skew becomes a line inside the image whose turn is the skew in hundredths.
TEST(BaseLineAngle, LineForADetectedSkewStaysInsideAndKeepsTheHundredths)
{
    for (QSize size : {QSize(2480, 3508), QSize(640, 120), QSize(90, 900)}) {
        for (double degrees : {-9.87, -2.5, -0.03, 0.37, 1.0, 6.66}) {
            const BaseLine line = baseLineForSkew(degrees, size);
            const QRect inside(QPoint(0, 0), size);
            EXPECT_TRUE(inside.contains(line.start) && inside.contains(line.end)) << degrees;
            const int turn =
                horizontalTurn(line.start.x(), line.start.y(), line.end.x(), line.end.y())
                    .value_or(0);
            // One pixel of rise over the width is the finest step a line across it can take.
            const double step = 5729.578 / (size.width() - 1);
            EXPECT_NEAR(turn, degrees * 100, std::max(1.0, step / 2 + 0.5)) << degrees;
        }
    }
}

class BaseLineDialog : public ::testing::Test {
protected:
    void SetUp() override { setMain(test::sampleImage(ColourCode::Rgb24, 160, 90)); }

    void setMain(Image image)
    {
        original = image;
        main.currentImage().replace(std::move(image));
    }

    // Runs Act while `user` works the open dialog (see whenModalOpens); bOkC.
    bool run(const std::function<void(BaseLineRotationDialog&)>& user, const QString& code = "24")
    {
        const auto reached = test::whenModalOpens<BaseLineRotationDialog>(user);
        bool ok = true;
        BaseLineRotationDialog::Act(main, 1, code, ok);
        EXPECT_TRUE(*reached);
        return ok;
    }

    static ImagingControl& view(QDialog& d) { return *d.findChild<ImagingControl*>("ikImg"); }
    static const Image& working(QDialog& d) { return *view(d).currentImage().image(); }
    static QString prompt(QDialog& d) { return d.findChild<QLabel*>("lbPoint")->text(); }
    static void press(QDialog& d, const char* name)
    {
        d.findChild<QAbstractButton*>(QString::fromLatin1(name))->click();
    }
    static bool enabled(QDialog& d, const char* name)
    {
        return d.findChild<QAbstractButton*>(QString::fromLatin1(name))->isEnabled();
    }
    static void clickAt(QDialog& d, int x, int y) { emit view(d).ImageClicked(x, y); }

    static Image turned(const Image& image, int angle, bool keepSize = false, bool smooth = true)
    {
        return process::rotated(image,
                                {angle, false, false, smooth, qRgb(255, 255, 255), keepSize});
    }
    const Image& mainImage() const { return *main.currentImage().image(); }

    ImagingControl main;
    Image original;
};

// The click states: each prompt in turn, the start box, then the line; a third click is ignored;
// horizontal turns by the line's angle each time it is pressed; apply hands the result back.
TEST_F(BaseLineDialog, TwoClicksSetTheLineAndHorizontalTurnsByItsAngle)
{
    EXPECT_TRUE(run([&](BaseLineRotationDialog& d) {
        EXPECT_EQ(prompt(d), BaseLineRotationDialog::startPrompt());
        EXPECT_FALSE(enabled(d, "cmLine0"));
        clickAt(d, 10, 10);
        EXPECT_EQ(prompt(d), BaseLineRotationDialog::endPrompt());
        EXPECT_FALSE(enabled(d, "cmLine0"));
        clickAt(d, 110, 20);
        EXPECT_EQ(prompt(d), BaseLineRotationDialog::directionPrompt());
        EXPECT_TRUE(enabled(d, "cmLine0") && enabled(d, "cmLine1"));
        const auto& marks = view(d).ViewDC()->marks();
        ASSERT_EQ(marks.size(), 2u);
        EXPECT_EQ(marks[0].shape, OverlayMark::Shape::Rectangle);
        EXPECT_EQ(QRect(marks[0].from, marks[0].to), QRect(QPoint(8, 8), QPoint(12, 12)));
        EXPECT_EQ(marks[1].shape, OverlayMark::Shape::Line);
        EXPECT_EQ(marks[1].from, QPoint(10, 10));
        EXPECT_EQ(marks[1].to, QPoint(110, 20));

        clickAt(d, 50, 80);  // ignored: the line stays (10,10)-(110,20)
        press(d, "cmLine0");
        EXPECT_TRUE(samePixels(working(d), turned(original, 571)));
        EXPECT_TRUE(view(d).ViewDC()->isEmpty());
        EXPECT_EQ(prompt(d), BaseLineRotationDialog::directionPrompt());
        press(d, "cmLine0");
        EXPECT_TRUE(samePixels(working(d), turned(turned(original, 571), 571)));
        EXPECT_TRUE(samePixels(mainImage(), original));  // not before apply
        press(d, "lbCom0");
    }));
    EXPECT_TRUE(samePixels(mainImage(), turned(turned(original, 571), 571)));
}

// Vertical takes the smaller turn; the reversed line turns the other way.
TEST_F(BaseLineDialog, VerticalTakesTheSmallerTurn)
{
    const struct {
        QPoint a, b;
        int vertical;
    } cases[] = {{{10, 10}, {110, 20}, -8429}, {{10, 20}, {110, 10}, 8429}};
    for (const auto& c : cases) {
        setMain(original);
        run([&](BaseLineRotationDialog& d) {
            clickAt(d, c.a.x(), c.a.y());
            clickAt(d, c.b.x(), c.b.y());
            press(d, "cmLine1");
            EXPECT_TRUE(samePixels(working(d), turned(original, c.vertical))) << c.vertical;
            press(d, "lbCom0");
        });
    }
}

// A line of one point enables the buttons but turns nothing; clearing starts over.
TEST_F(BaseLineDialog, OnePointTurnsNothingAndClearingStartsOver)
{
    run([&](BaseLineRotationDialog& d) {
        clickAt(d, 40, 40);
        clickAt(d, 40, 40);
        EXPECT_TRUE(enabled(d, "cmLine0"));
        press(d, "cmLine0");
        press(d, "cmLine1");
        EXPECT_TRUE(samePixels(working(d), original));
        press(d, "cmClr");
        EXPECT_EQ(prompt(d), BaseLineRotationDialog::startPrompt());
        EXPECT_FALSE(enabled(d, "cmLine0") || enabled(d, "cmLine1"));
        EXPECT_TRUE(view(d).ViewDC()->isEmpty());
        clickAt(d, 1, 1);
        EXPECT_EQ(prompt(d), BaseLineRotationDialog::endPrompt());
    });
}

// The close box throws every turn away; apply without a turn still replaces the main image.
TEST_F(BaseLineDialog, CloseKeepsTheMainImageAndApplyAlwaysReplacesIt)
{
    const quint32 before = main.ImageHandle();
    EXPECT_FALSE(run([&](BaseLineRotationDialog& d) { press(d, "cmRect1"); }));
    EXPECT_EQ(main.ImageHandle(), before);
    EXPECT_TRUE(samePixels(mainImage(), original));

    EXPECT_TRUE(run([&](BaseLineRotationDialog& d) { press(d, "lbCom0"); }));
    EXPECT_NE(main.ImageHandle(), before);
    EXPECT_TRUE(samePixels(mainImage(), original));
    EXPECT_EQ(test::dpiOf(mainImage()), test::dpiOf(original));
}

// Without an image there is nothing to straighten: no dialog, no change.
TEST_F(BaseLineDialog, NoImageNoDialog)
{
    main.DrawImage(0);
    bool ok = true;
    BaseLineRotationDialog::Act(main, 1, "24", ok);
    EXPECT_FALSE(ok);
}

// The fixed turns and mirrors, and the size option read at each turn; undo starts again from the
// main image and clears the line. Code 40 turns unsmoothed.
TEST_F(BaseLineDialog, FixedTurnsSizeOptionAndUndo)
{
    const struct {
        const char* button;
        process::RotateOptions turn;
    } fixed[] = {
        {"cmRect0", {18000}},  {"cmRect1", {9000}},           {"cmRect2", {-9000}},
        {"cmRect3", {-18000}}, {"cmRect4", {0, false, true}}, {"cmRect5", {0, true, false}},
    };
    run([&](BaseLineRotationDialog& d) {
        for (const auto& f : fixed) {
            press(d, "lbCom1");
            press(d, f.button);
            EXPECT_TRUE(samePixels(working(d), process::rotated(original, f.turn))) << f.button;
        }
        press(d, "lbCom1");
        d.findChild<QRadioButton*>("opSize1")->click();
        clickAt(d, 10, 10);
        clickAt(d, 110, 20);
        press(d, "cmLine0");
        EXPECT_EQ(test::sizeOf(working(d)), test::sizeOf(original));
        EXPECT_TRUE(samePixels(working(d), turned(original, 571, true)));
        d.findChild<QRadioButton*>("opSize0")->click();
        press(d, "cmLine0");
        EXPECT_TRUE(samePixels(working(d), turned(turned(original, 571, true), 571)));
        EXPECT_GT(working(d).width(), original.width());

        press(d, "lbCom1");
        EXPECT_TRUE(samePixels(working(d), original));
        EXPECT_EQ(prompt(d), BaseLineRotationDialog::startPrompt());
        EXPECT_FALSE(enabled(d, "cmLine0"));
    });

    setMain(test::sampleImage(ColourCode::Grey16, 50, 30));
    run(
        [&](BaseLineRotationDialog& d) {
            clickAt(d, 0, 0);
            clickAt(d, 40, 3);
            press(d, "cmLine0");
            EXPECT_TRUE(samePixels(working(d), turned(original, 429, false, false)));
        },
        "40");
}

// A click lands on the image pixel under the pointer at every zoom, on an image whose dots per
// inch differ across and down (200 x 300).
TEST_F(BaseLineDialog, ClicksAreImagePixelsAtEveryZoom)
{
    setMain(test::sampleImage(ColourCode::Rgb24, 400, 300));
    run([&](BaseLineRotationDialog& d) {
        d.show();
        ImagingControl& control = view(d);
        // Near the centre, so they are seen at 370 %; odd, so at 50 % a view pixel's centre
        // lies on them.
        const QPoint pixels[] = {{181, 139}, {223, 163}};
        for (double zoom : {0.0, 0.5, 3.7}) {
            if (zoom == 0.0) {
                control.DrawImage(1);
            } else {
                control.setZoomX(zoom);
                control.setZoomY(zoom);
                control.DrawImage(3);
            }
            press(d, "cmClr");
            const ViewGeometry geometry = control.view()->viewGeometry();
            for (QPoint pixel : pixels) {
                const QPointF at = geometry.toView(QPointF(pixel) + QPointF(0.5, 0.5));
                QTest::mouseClick(control.view()->viewport(), Qt::LeftButton, {},
                                  QPoint(int(std::floor(at.x())), int(std::floor(at.y()))));
            }
            const auto& marks = control.ViewDC()->marks();
            ASSERT_EQ(marks.size(), 2u) << zoom;
            EXPECT_EQ(marks[1].from, pixels[0]) << zoom;
            EXPECT_EQ(marks[1].to, pixels[1]) << zoom;
        }
    });
}

// Automatic detection sets the line as two clicks would, and horizontal straightens the page;
// a page without lines keeps the state and says so.
TEST_F(BaseLineDialog, AutomaticDetectionSetsTheLine)
{
    setMain(test::textPage(ColourCode::Rgb24, {620, 877}, 3.2, 75));
    run([&](BaseLineRotationDialog& d) {
        press(d, "cmAuto");
        EXPECT_EQ(prompt(d), BaseLineRotationDialog::directionPrompt());
        EXPECT_TRUE(enabled(d, "cmLine0"));
        const auto& marks = view(d).ViewDC()->marks();
        ASSERT_EQ(marks.size(), 2u);
        const std::optional<int> turn =
            horizontalTurn(marks[1].from.x(), marks[1].from.y(), marks[1].to.x(), marks[1].to.y());
        ASSERT_TRUE(turn);
        EXPECT_NEAR(*turn, 320, 10);
        press(d, "cmLine0");
        EXPECT_TRUE(samePixels(working(d), turned(original, *turn)));
    });

    setMain(test::plainImage(ColourCode::Rgb24, 300, 200, qRgb(255, 255, 255)));
    run([&](BaseLineRotationDialog& d) {
        clickAt(d, 5, 5);
        press(d, "cmAuto");
        EXPECT_EQ(prompt(d), BaseLineRotationDialog::notDetectedPrompt());
        EXPECT_FALSE(enabled(d, "cmLine0"));
        clickAt(d, 50, 9);  // still waiting for the end point
        EXPECT_TRUE(enabled(d, "cmLine0"));
        EXPECT_EQ(view(d).ViewDC()->marks().back().from, QPoint(5, 5));
    });
}

}  // namespace
}  // namespace tavlo
