// The preview pane on its own: the mapping between pane pixels and millimetres, the area a drag
// gives (clamped to the glass, on the step grid) and what the mouse takes hold of where.
#include "imaging/scan/scan_preview_pane.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>

namespace tavlo::scan {
namespace {

using Grip = ScanPreviewPane::Grip;

// A glass of 200 x 100 mm on a pane whose drawing area (the pane less 6 px on each side) is
// 400 x 200 px: 2 px a millimetre, the glass's corner at (6, 6).
class PreviewPaneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        pane.resize(412, 212);
        pane.setGlass(QRectF(0, 0, 200, 100), 1.0);
        pane.setArea(QRectF(50, 20, 60, 40));
    }

    void send(QEvent::Type type, QPointF at, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, at, pane.mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(&pane, &event);
    }

    // A drag with the left button from one pane point to another, in a few moves.
    void drag(QPointF from, QPointF to)
    {
        send(QEvent::MouseButtonPress, from, Qt::LeftButton);
        for (int i = 1; i <= 4; ++i)
            send(QEvent::MouseMove, from + (to - from) * (i / 4.0), Qt::LeftButton);
        send(QEvent::MouseButtonRelease, to, Qt::NoButton);
    }

    ScanPreviewPane pane;
};

TEST_F(PreviewPaneTest, MapsPanePixelsAndMillimetresBothWaysExactly)
{
    EXPECT_EQ(pane.glassOnPane(), QRectF(6, 6, 400, 200));
    EXPECT_EQ(pane.toPane(QPointF(0, 0)), QPointF(6, 6));
    EXPECT_EQ(pane.toPane(QPointF(200, 100)), QPointF(406, 206));
    EXPECT_EQ(pane.toDevice(QPointF(106, 46)), QPointF(50, 20));
    // Any pane size: the glass keeps its aspect ratio, centred, and the two mappings undo each
    // other.
    for (const QSize size : {QSize(300, 420), QSize(413, 97), QSize(1000, 1000)}) {
        pane.resize(size);
        const QRectF glass = pane.glassOnPane();
        EXPECT_DOUBLE_EQ(glass.width() / glass.height(), 2.0);
        EXPECT_TRUE(std::abs(glass.width() - (size.width() - 12)) < 1e-9 ||
                    std::abs(glass.height() - (size.height() - 12)) < 1e-9);
        for (const QPointF mm : {QPointF(0, 0), QPointF(17.3, 81.9), QPointF(200, 100)})
            EXPECT_NEAR(QLineF(pane.toDevice(pane.toPane(mm)), mm).length(), 0.0, 1e-9);
    }
}

// Every grip: the area a drag gives is inside the glass, on the 1 mm grid, at least 1 mm wide.
TEST_F(PreviewPaneTest, DraggedAreasStayInsideTheGlassOnTheStepGrid)
{
    const QRectF start(50, 20, 60, 40);
    const struct {
        Grip grip;
        QPointF from, to;
        QRectF expected;
    } cases[] = {
        {Grip::Move, {60, 30}, {70.4, 24.6}, {60, 15, 60, 40}},
        {Grip::Move, {60, 30}, {500, 30}, {140, 20, 60, 40}},  // stops at the right edge
        {Grip::Move, {60, 30}, {-90, -90}, {0, 0, 60, 40}},    // and at the top-left corner
        {Grip::Right, {110, 40}, {117.6, 40}, {50, 20, 68, 40}},
        {Grip::Right, {110, 40}, {300, 40}, {50, 20, 150, 40}},  // to the glass's right edge
        {Grip::Left, {50, 40}, {400, 40}, {109, 20, 1, 40}},     // never past the right edge
        {Grip::Top, {70, 20}, {70, -5}, {50, 0, 60, 60}},
        {Grip::Bottom, {70, 60}, {70, 60.49}, {50, 20, 60, 40}},
        {Grip::TopLeft, {50, 20}, {45.5, 12.2}, {46, 12, 64, 48}},
        {Grip::BottomRight, {110, 60}, {999, 999}, {50, 20, 150, 80}},
        {Grip::BottomLeft, {50, 60}, {-3, 70.2}, {0, 20, 110, 50}},
        {Grip::TopRight, {110, 20}, {111.2, 59.7}, {50, 59, 61, 1}},
        {Grip::New, {10.2, 20.7}, {50.6, 60.2}, {10, 21, 41, 39}},
        {Grip::New, {50.6, 60.2}, {10.2, 20.7}, {10, 21, 41, 39}},  // drawn either way
        {Grip::New, {180, 90}, {260, 130}, {180, 90, 20, 10}},
        {Grip::New, {199.8, 99.9}, {199.8, 99.9}, {199, 99, 1, 1}},  // a click: one step
    };
    for (const auto& c : cases) {
        const QRectF area = pane.dragged(c.grip, start, c.from, c.to);
        EXPECT_EQ(area, c.expected) << int(c.grip) << " to " << c.to.x() << ", " << c.to.y();
    }
    // A finer step: the fields' tenth of a millimetre.
    pane.setGlass(QRectF(0, 0, 200, 100), 0.1);
    EXPECT_EQ(pane.dragged(Grip::Right, start, {110, 40}, {113.14, 40}), QRectF(50, 20, 63.1, 40));
    EXPECT_EQ(pane.dragged(Grip::Move, start, {60, 30}, {60.26, 29.97}), QRectF(50.3, 20, 60, 40));
}

// What the pointer takes hold of, and the cursor it shows there: the area spans pane pixels
// (106, 46) to (226, 126).
TEST_F(PreviewPaneTest, ThePointerShowsWhatAPressTakesHoldOf)
{
    const struct {
        QPointF at;
        Grip grip;
        Qt::CursorShape cursor;
    } cases[] = {
        {{106, 46}, Grip::TopLeft, Qt::SizeFDiagCursor},
        {{228, 124}, Grip::BottomRight, Qt::SizeFDiagCursor},
        {{225, 47}, Grip::TopRight, Qt::SizeBDiagCursor},
        {{104, 128}, Grip::BottomLeft, Qt::SizeBDiagCursor},
        {{107, 86}, Grip::Left, Qt::SizeHorCursor},
        {{229, 86}, Grip::Right, Qt::SizeHorCursor},
        {{166, 43}, Grip::Top, Qt::SizeVerCursor},
        {{166, 126}, Grip::Bottom, Qt::SizeVerCursor},
        {{166, 86}, Grip::Move, Qt::SizeAllCursor},
        {{300, 150}, Grip::New, Qt::CrossCursor},
        {{2, 2}, Grip::None, Qt::ArrowCursor},
        {{410, 100}, Grip::None, Qt::ArrowCursor},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(pane.gripAt(c.at), c.grip) << c.at.x() << ", " << c.at.y();
        send(QEvent::MouseMove, c.at, Qt::NoButton);
        EXPECT_EQ(pane.cursor().shape(), c.cursor) << c.at.x() << ", " << c.at.y();
    }
}

// Mouse drags report each new area and end with the one the pointer left.
TEST_F(PreviewPaneTest, MouseDragsMoveResizeAndDrawTheArea)
{
    QSignalSpy dragged(&pane, &ScanPreviewPane::areaDragged);
    drag({166, 86}, {186, 66});  // move by (10, -10) mm
    EXPECT_EQ(pane.area(), QRectF(60, 10, 60, 40));
    EXPECT_EQ(dragged.last().at(0).toRectF(), pane.area());
    drag({246, 106}, {406 + 50, 206 + 50});  // bottom-right corner far beyond the glass
    EXPECT_EQ(pane.area(), QRectF(60, 10, 140, 90));
    drag({26, 186}, {46, 146});  // a new area outside the old one: (10, 90) to (20, 70)
    EXPECT_EQ(pane.area(), QRectF(10, 70, 10, 20));
    EXPECT_EQ(dragged.last().at(0).toRectF(), pane.area());
    // Areas set from outside are shown, not reported.
    const int reports = int(dragged.count());
    pane.setArea(QRectF(0, 0, 210, 297));
    EXPECT_EQ(pane.area(), QRectF(0, 0, 200, 100));  // clamped to the glass
    EXPECT_EQ(dragged.count(), reports);
}

}  // namespace
}  // namespace tavlo::scan
