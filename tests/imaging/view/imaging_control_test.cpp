#include "imaging/image_store.h"
#include "imaging/imaging_control.h"
#include "imaging/view/image_view.h"
#include "tests/support/test_images.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

namespace tavlo {
namespace {

// Where the picture starts along one axis, worked out from the zoom and the scroll bar the way a
// user sees it: centred while it fits, else moved by the scroll bar.
int expectedOrigin(int imageLength, double scale, int viewLength, int scroll)
{
    const int content = std::max(1, int(std::lround(imageLength * scale)));
    return content <= viewLength ? (viewLength - content) / 2 : -scroll;
}

// The image pixel under the centre of view pixel p, for a picture at origin and scale.
QPoint pixelUnder(QPoint p, QPoint origin, double scale)
{
    return QPoint(int(std::floor((p.x() + 0.5 - origin.x()) / scale)),
                  int(std::floor((p.y() + 0.5 - origin.y()) / scale)));
}

class ImagingControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        control.resize(400, 300);
        control.show();
        QApplication::processEvents();
    }

    quint32 give(Image image)
    {
        const quint32 handle = ImageStore::instance().add(std::move(image));
        control.setImageHandle(handle);
        return handle;
    }

    QWidget* viewport() const { return control.view()->viewport(); }

    // Draws in the mode and lets the scroll bars settle.
    bool draw(int mode, double zoom = 1.0)
    {
        control.setZoomX(zoom);
        control.setZoomY(zoom);
        const bool drawn = control.DrawImage(mode);
        QApplication::processEvents();
        QApplication::processEvents();
        return drawn;
    }

    void scrollTo(int x, int y)
    {
        control.view()->horizontalScrollBar()->setValue(x);
        control.view()->verticalScrollBar()->setValue(y);
        QApplication::processEvents();
    }

    void move(QPoint pos, Qt::MouseButtons buttons = Qt::LeftButton)
    {
        QMouseEvent event(QEvent::MouseMove, QPointF(pos), viewport()->mapToGlobal(QPointF(pos)),
                          Qt::NoButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(viewport(), &event);
    }

    void drag(QPoint from, QPoint to)
    {
        QTest::mousePress(viewport(), Qt::LeftButton, Qt::NoModifier, from);
        move((from + to) / 2);
        move(to);
        QTest::mouseRelease(viewport(), Qt::LeftButton, Qt::NoModifier, to);
    }

    void select(int left, int top, int right, int bottom)
    {
        control.setSelLeft(left);
        control.setSelTop(top);
        control.setSelRight(right);
        control.setSelBottom(bottom);
    }

    QRect selection() const
    {
        return QRect(QPoint(control.SelLeft(), control.SelTop()),
                     QPoint(control.SelRight() - 1, control.SelBottom() - 1));
    }

    QImage grab() const
    {
        return viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    ImagingControl control;
};

TEST_F(ImagingControlTest, DrawImageReportsWhetherItDrewAndModeZeroLetsTheImageGo)
{
    EXPECT_FALSE(draw(1));
    EXPECT_FALSE(draw(3));
    const quint32 handle = give(test::sampleImage(ColourCode::Rgb24, 50, 40));
    EXPECT_FALSE(control.DrawImage(2));
    EXPECT_TRUE(draw(1));
    EXPECT_TRUE(draw(3, 2.0));

    const QImage shown = grab();
    EXPECT_TRUE(draw(0));
    EXPECT_EQ(control.ImageHandle(), 0u);
    EXPECT_EQ(ImageStore::instance().find(handle), nullptr);
    const QImage empty = grab();
    EXPECT_NE(empty, shown);
    EXPECT_EQ(empty.pixel(200, 150), empty.pixel(0, 0));  // background only
    EXPECT_FALSE(draw(1));
}

TEST_F(ImagingControlTest, DraggingSelectsImagePixelsAtEveryZoom)
{
    give(test::sampleImage(ColourCode::Rgb24, 200, 150));
    struct Case {
        int mode;
        double zoom;
        QPoint scroll;
    };
    const Case cases[] = {
        {1, 0, {}}, {3, 0.5, {}}, {3, 1.0, {}}, {3, 3.7, {123, 77}}, {3, 10.0, {1000, 700}}};
    for (const Case& c : cases) {
        draw(c.mode, c.zoom);
        scrollTo(c.scroll.x(), c.scroll.y());
        const QSize view = viewport()->size();
        const double scale =
            c.mode == 1 ? std::min(view.width() / 200.0, view.height() / 150.0) : c.zoom;
        const QPoint origin(expectedOrigin(200, scale, view.width(),
                                           control.view()->horizontalScrollBar()->value()),
                            expectedOrigin(150, scale, view.height(),
                                           control.view()->verticalScrollBar()->value()));
        ASSERT_EQ(control.view()->viewGeometry().origin(), origin) << c.zoom;

        // Press and release on view pixels inside the picture; each covers the image pixel under
        // its centre.
        const QPoint from = origin + QPoint(int(7 * scale) + 2, int(5 * scale) + 3);
        const QPoint to =
            origin + QPoint(int(std::min(150.0 * scale, view.width() - origin.x() - 5.0)),
                            int(std::min(110.0 * scale, view.height() - origin.y() - 5.0)));
        const QRect expected(pixelUnder(from, origin, scale), pixelUnder(to, origin, scale));
        QSignalSpy changed(&control, &ImagingControl::SelectionChanged);
        drag(from, to);
        EXPECT_EQ(selection(), expected) << "mode " << c.mode << " zoom " << c.zoom;
        EXPECT_GT(changed.count(), 0);
        // Dragging the other way selects the same pixels.
        drag(to, from);
        EXPECT_EQ(selection(), expected) << "mode " << c.mode << " zoom " << c.zoom;
    }
}

TEST_F(ImagingControlTest, ASelectionDraggedBeyondThePictureIsClippedToTheImage)
{
    give(test::sampleImage(ColourCode::Mono, 100, 60));
    draw(3, 2.0);  // 200 x 120, centred in the view
    const QPoint origin = control.view()->viewGeometry().origin();
    drag(origin + QPoint(41, 21), QPoint(viewport()->width() - 1, viewport()->height() - 1));
    EXPECT_EQ(selection(), QRect(QPoint(20, 10), QPoint(99, 59)));
    drag(origin + QPoint(41, 21), QPoint(-30, -40));
    EXPECT_EQ(selection(), QRect(0, 0, 21, 11));
}

TEST_F(ImagingControlTest, DraggingBeyondTheEdgeScrollsAndExtendsTheSelection)
{
    give(test::sampleImage(ColourCode::Rgb24, 400, 300));
    draw(3, 4.0);  // 1600 x 1200 in a view of about 400 x 300
    const QPoint origin = control.view()->viewGeometry().origin();
    ASSERT_EQ(origin, QPoint(0, 0));
    QTest::mousePress(viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    move(QPoint(200, 100));
    move(QPoint(viewport()->width() + 40, 100));  // right of the view, button held
    QTRY_VERIFY(control.view()->horizontalScrollBar()->value() >= 400);
    QTest::mouseRelease(viewport(), Qt::LeftButton, Qt::NoModifier,
                        QPoint(viewport()->width() + 40, 100));
    const int scrolled = control.view()->horizontalScrollBar()->value();
    EXPECT_EQ(control.SelLeft(), 2);
    // The selection reaches the pixel under the pointer, beside the view.
    EXPECT_EQ(control.SelRight(), std::min(399, (scrolled + viewport()->width() + 40) / 4) + 1);
    EXPECT_GT(control.SelRight(), viewport()->width() / 4);  // beyond what was first on show
    EXPECT_EQ(control.SelBottom(), 26);
    // Scrolling stops with the button.
    QApplication::processEvents();
    EXPECT_EQ(control.view()->horizontalScrollBar()->value(), scrolled);
}

TEST_F(ImagingControlTest, AClickReportsThePixelAndClearsTheSelection)
{
    give(test::sampleImage(ColourCode::Palette256, 120, 80));
    for (double zoom : {0.5, 1.0, 3.7, 10.0}) {
        draw(3, zoom);
        scrollTo(0, 0);
        const QPoint origin = control.view()->viewGeometry().origin();
        select(1, 1, 5, 5);
        QSignalSpy clicked(&control, &ImagingControl::ImageClicked);
        QSignalSpy released(&control, &ImagingControl::ImageMouseUp);
        const QPoint at = origin + QPoint(int(11 * zoom) + 1, int(7 * zoom) + 1);
        QTest::mouseClick(viewport(), Qt::LeftButton, Qt::NoModifier, at);
        ASSERT_EQ(clicked.count(), 1) << zoom;
        EXPECT_EQ(QPoint(clicked.at(0).at(0).toInt(), clicked.at(0).at(1).toInt()),
                  pixelUnder(at, origin, zoom))
            << zoom;
        EXPECT_EQ(released.count(), 1);
        EXPECT_EQ(released.at(0).at(0).toInt(), 1);
        EXPECT_EQ(control.SelRight(), 0);  // the click cleared the selection
    }
    // A small wobble while clicking is still a click.
    draw(3, 1.0);
    const QPoint origin = control.view()->viewGeometry().origin();
    QSignalSpy clicked(&control, &ImagingControl::ImageClicked);
    QTest::mousePress(viewport(), Qt::LeftButton, Qt::NoModifier, origin + QPoint(30, 30));
    move(origin + QPoint(31, 30));
    QTest::mouseRelease(viewport(), Qt::LeftButton, Qt::NoModifier, origin + QPoint(31, 30));
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked.at(0).at(0).toInt(), 31);
    EXPECT_EQ(control.SelRight(), 0);
    // Beside the picture there is no image pixel to report.
    QTest::mouseClick(viewport(), Qt::LeftButton, Qt::NoModifier, origin - QPoint(5, 5));
    EXPECT_EQ(clicked.count(), 1);
}

TEST_F(ImagingControlTest, ButtonReleasesAreReportedWithTheButtonShiftKeysAndPixel)
{
    give(test::sampleImage(ColourCode::Grey256, 100, 100));
    draw(3, 2.0);
    const QPoint origin = control.view()->viewGeometry().origin();
    QSignalSpy released(&control, &ImagingControl::ImageMouseUp);
    QSignalSpy clicked(&control, &ImagingControl::ImageClicked);
    QTest::mouseClick(viewport(), Qt::RightButton, Qt::ShiftModifier, origin + QPoint(41, 61));
    QTest::mouseClick(viewport(), Qt::MiddleButton, Qt::ControlModifier | Qt::AltModifier,
                      origin + QPoint(3, 3));
    ASSERT_EQ(released.count(), 2);
    EXPECT_EQ(released.at(0), (QList<QVariant>{2, 1, 20, 30}));
    EXPECT_EQ(released.at(1), (QList<QVariant>{4, 6, 1, 1}));
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_EQ(control.SelRight(), 0);  // other buttons do not select
}

// Fitted (zoom 0 stands for mode 1; the wide picture is centred top to bottom), actual size and
// enlarged and scrolled: the picture where it belongs, the background beside it, and the image
// pixel under each view pixel's centre.
TEST_F(ImagingControlTest, ThePictureShowsTheImagePixelsAtZoomAndScroll)
{
    const Image image = test::sampleImage(ColourCode::Rgb555, 300, 200);
    give(image);
    for (double zoom : {0.0, 1.0, 3.7, 10.0}) {
        draw(zoom ? 3 : 1, zoom);
        scrollTo(int(40 * zoom), int(30 * zoom));
        EXPECT_EQ(control.view()->horizontalScrollBar()->isVisible(), zoom > 1.0) << zoom;
        const ViewGeometry g = control.view()->viewGeometry();
        const QSize view = viewport()->size();
        const double scale = zoom ? zoom : std::min(view.width() / 300.0, view.height() / 200.0);
        ASSERT_EQ(g.origin(), QPoint(expectedOrigin(300, scale, view.width(),
                                                    control.view()->horizontalScrollBar()->value()),
                                     expectedOrigin(200, scale, view.height(),
                                                    control.view()->verticalScrollBar()->value())))
            << zoom;
        const QImage shown = grab();
        for (int y = 0; y < shown.height(); y += 13) {
            for (int x = 0; x < shown.width(); x += 11) {
                if (!g.contentRect().contains(x, y)) {
                    ASSERT_EQ(shown.pixel(x, y), shown.pixel(0, 0)) << "background " << zoom;
                    continue;
                }
                const QPointF at = g.toImage(QPointF(x + 0.5, y + 0.5));
                ASSERT_EQ(shown.pixel(x, y), image.pixelColour(int(at.x()), int(at.y()))) << zoom;
            }
        }
    }
}

TEST_F(ImagingControlTest, ZoomingTheSameImageKeepsTheCentreInPlace)
{
    give(test::sampleImage(ColourCode::Rgb32, 400, 400));
    draw(3, 2.0);
    scrollTo(300, 250);
    const QPointF centre(viewport()->width() / 2.0, viewport()->height() / 2.0);
    const QPointF before = control.view()->viewGeometry().toImage(centre);
    draw(3, 3.0);
    const QPointF after = control.view()->viewGeometry().toImage(centre);
    EXPECT_NEAR(after.x(), before.x(), 0.5);
    EXPECT_NEAR(after.y(), before.y(), 0.5);
    // A new image starts at its top left.
    give(test::sampleImage(ColourCode::Rgb32, 400, 400));
    draw(3, 3.0);
    EXPECT_EQ(control.view()->horizontalScrollBar()->value(), 0);
    EXPECT_EQ(control.view()->verticalScrollBar()->value(), 0);
}

TEST_F(ImagingControlTest, OverlayMarksShowUntilTheViewIsRefreshed)
{
    const Image white = test::plainImage(ColourCode::Rgb24, 100, 80, test::grey(255));
    give(white);
    draw(3, 3.0);
    const QImage clean = grab();

    DrawingObject& drawing = control.PrinterObject();
    drawing.ResetDrawSettings();
    drawing.setPenMode(6);
    drawing.setPenWidth(2);
    drawing.setPenStyle(1);
    ASSERT_TRUE(drawing.DrawLine(control.ViewDC(), 10, 10, 60, 10, 0));
    ASSERT_TRUE(drawing.DrawRectangle(control.ViewDC(), 40 - 2, 40 - 2, 40 + 2, 40 + 2, 0));
    EXPECT_FALSE(drawing.DrawLine(nullptr, 0, 0, 1, 1, 0));
    const QImage marked = grab();
    const QPointF lineStart = control.view()->viewGeometry().toView(QPointF(10.5, 10.5));
    EXPECT_EQ(marked.pixel(int(lineStart.x()) + 1, int(lineStart.y())),
              qRgb(0, 0, 0));  // inverted white
    const QPointF box = control.view()->viewGeometry().toView(QPointF(38.5, 40.5));
    EXPECT_EQ(marked.pixel(int(box.x()), int(box.y())), qRgb(0, 0, 0));
    EXPECT_EQ(marked.pixel(int(box.x()) + 6, int(box.y())), qRgb(255, 255, 255));  // inside the box
    EXPECT_EQ(white.pixelColour(10, 10), qRgb(255, 255, 255));  // never drawn into the image

    control.RefreshView();
    EXPECT_EQ(grab(), clean);

    drawing.DrawLine(control.ViewDC(), 0, 0, 99, 79, 0);
    EXPECT_NE(grab(), clean);
    draw(3, 3.0);
    EXPECT_EQ(grab(), clean);
}

TEST_F(ImagingControlTest, ASelectionSetByTheProgramReadsBackAndShowsClipped)
{
    give(test::sampleImage(ColourCode::Grey16, 60, 40));
    draw(3, 4.0);
    const QImage clean = grab();
    select(10, 5, 500, 20);  // beyond the image: kept as written, shown clipped
    EXPECT_EQ(control.SelRight(), 500);
    EXPECT_EQ(control.view()->selection(), QRect(10, 5, 50, 15));
    const QImage banded = grab();
    EXPECT_NE(banded, clean);
    const QPointF corner = control.view()->viewGeometry().toView(QPointF(10, 5));
    EXPECT_NE(banded.pixel(int(corner.x()), int(corner.y()) + 2),
              clean.pixel(int(corner.x()), int(corner.y()) + 2));
    select(0, 0, 0, 0);
    EXPECT_TRUE(control.view()->selection().isEmpty());
    EXPECT_EQ(grab(), clean);
}

TEST_F(ImagingControlTest, ImageInformationAndResolution)
{
    EXPECT_EQ(control.ImageKind(), 0);
    EXPECT_FALSE(control.ApplyResolution());
    Image image = test::sampleImage(ColourCode::Grey16, 33, 7);
    image.setDpi(300, 200);
    give(image);
    control.UpdateImageInfo();
    EXPECT_EQ(QSize(control.ImageWidth(), control.ImageHeight()), QSize(33, 7));
    EXPECT_EQ(control.BitCount(), 4);
    EXPECT_TRUE(control.IsGray());
    EXPECT_EQ(control.YResolution(), 200);
    EXPECT_EQ(control.ImageDataSize(), 20 * 7);  // 33 pixels of 4 bits: 17 bytes, padded to 20
    EXPECT_EQ(control.ImageKind(), 1);

    control.setXResolution(96);
    control.setYResolution(96);
    EXPECT_EQ(control.currentImage().image()->dpiX(), 300);  // not applied yet
    EXPECT_TRUE(control.ApplyResolution());
    EXPECT_EQ(test::dpiOf(*control.currentImage().image()), QSize(96, 96));

    control.setXResolution(72);
    control.UpdateImageInfo();  // forgets what was set and not applied
    EXPECT_EQ(control.XResolution(), 96);
}

TEST_F(ImagingControlTest, BusyPointerShapes)
{
    for (const auto& [code, shape] :
         {std::pair{13, Qt::BusyCursor}, {14, Qt::WaitCursor}, {0, Qt::CrossCursor}}) {
        control.setMousePointer(code);
        EXPECT_EQ(viewport()->cursor().shape(), shape) << code;
    }
}

TEST_F(ImagingControlTest, ChangesMadeToTheImageInPlaceShowAfterRefresh)
{
    give(test::sampleImage(ColourCode::Rgb24, 50, 50));
    draw(3, 1.0);
    const QPoint origin = control.view()->viewGeometry().origin();
    control.currentImage().image()->pixels().setPixel(5, 5, qRgb(9, 8, 7));
    control.RefreshView();
    EXPECT_EQ(grab().pixel(origin + QPoint(5, 5)), qRgb(9, 8, 7));

    // A quarter turn done in place changes the size; the view follows without a redraw call.
    Image turned = test::sampleImage(ColourCode::Rgb24, 30, 90);
    *control.currentImage().image() = turned;
    const QImage shown = grab();
    QApplication::processEvents();
    EXPECT_EQ(control.view()->viewGeometry().imageSize(), QSize(30, 90));
    const QPoint at = control.view()->viewGeometry().origin() + QPoint(29, 89);
    EXPECT_EQ(grab().pixel(at), turned.pixelColour(29, 89));
    EXPECT_FALSE(shown.isNull());
}

TEST_F(ImagingControlTest, AShrunkPictureIsRefinedFromEverySourcePixel)
{
    // A one-pixel rule at row 52 of a white page: at 10 % view row 5 covers image rows 50 to 59.
    // The first paint samples 4 of those rows and misses it; the refinement reads all ten.
    Image page = Image::create(2000, 1000, ColourCode::Mono);
    page.pixels().setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    for (int x = 0; x < 2000; ++x)
        page.scanLine(52)[x >> 3] |= uchar(0x80 >> (x & 7));
    give(page);
    QSignalSpy refined(control.view(), &ImageView::pictureRefined);
    draw(3, 0.1);
    const QPoint rule = control.view()->viewGeometry().origin() + QPoint(100, 5);
    grab();
    ASSERT_TRUE(refined.count() > 0 || refined.wait(10000));
    EXPECT_EQ(grab().pixel(rule), qRgb(230, 230, 230));  // 9 white rows of 10: 229.5, rounded
    EXPECT_EQ(grab().pixel(rule + QPoint(0, 2)), qRgb(255, 255, 255));
}

TEST_F(ImagingControlTest, ExtremeZoomsOfALargePagePaintWithoutHugeBuffers)
{
    give(test::a4TextPage(ColourCode::Mono));
    for (double zoom : {0.01, 100.0, 1e6, 0.0, -3.0}) {
        EXPECT_TRUE(draw(3, zoom));
        scrollTo(1 << 30, 1 << 30);
        const QImage shown = grab();
        EXPECT_EQ(shown.size(), viewport()->size());
    }
    // At 10,000 % the bottom right pixel of the page fills a 100 x 100 block at the view's corner.
    draw(3, 100.0);
    scrollTo(1 << 30, 1 << 30);
    const ViewGeometry g = control.view()->viewGeometry();
    EXPECT_EQ(g.pixelAt(QPoint(viewport()->width() - 1, viewport()->height() - 1)),
              QPoint(4959, 7015));
}

}  // namespace
}  // namespace tavlo
