#include "imaging/view/view_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tavlo {
namespace {

TEST(ViewGeometry, ImageAndViewMapBackAndForthExactly)
{
    const double scales[] = {0.01, 0.0123, 0.5, 1.0, 3.7, 10.0, 57.67, 100.0};
    const QPoint origins[] = {QPoint(0, 0), QPoint(37, -12), QPoint(-123456, 9)};
    for (double scale : scales) {
        for (QPoint origin : origins) {
            const ViewGeometry g(QSize(4960, 7016), scale, scale * 0.75, origin);
            for (QPointF p :
                 {QPointF(0, 0), QPointF(10.25, 3.5), QPointF(4959.5, 7015.5), QPointF(-3, 8000)}) {
                const QPointF back = g.toImage(g.toView(p));
                EXPECT_NEAR(back.x(), p.x(), 1e-9) << scale;
                EXPECT_NEAR(back.y(), p.y(), 1e-9) << scale;
            }
        }
    }
}

TEST(ViewGeometry, PixelAtNamesTheImagePixelUnderTheViewPixelCentre)
{
    // At 370 % image pixel 10 covers view 37.0 .. 40.7 (plus the origin).
    const ViewGeometry g(QSize(100, 50), 3.7, 3.7, QPoint(5, 7));
    EXPECT_EQ(g.pixelAt(QPoint(5 + 37, 7 + 37)), QPoint(10, 10));
    EXPECT_EQ(g.pixelAt(QPoint(5 + 40, 7 + 40)), QPoint(10, 10));  // centre 40.5 < 40.7
    EXPECT_EQ(g.pixelAt(QPoint(5 + 41, 7 + 41)), QPoint(11, 11));
    EXPECT_EQ(g.pixelAt(QPoint(5 + 36, 7 + 36)), QPoint(9, 9));
    // Beside the picture the pixel lies outside the image; clampedPixelAt brings it back.
    EXPECT_EQ(g.pixelAt(QPoint(0, 0)), QPoint(-2, -2));  // (0.5 - 5) / 3.7, (0.5 - 7) / 3.7
    EXPECT_EQ(g.clampedPixelAt(QPoint(0, 0)), QPoint(0, 0));
    EXPECT_EQ(g.clampedPixelAt(QPoint(100000, 100000)), QPoint(99, 49));
    // Every pixel centre maps to its own pixel at every zoom.
    for (double scale : {1.0, 3.7, 10.0}) {
        const ViewGeometry z(QSize(100, 50), scale, scale, QPoint(-3, 4));
        for (int x : {0, 1, 17, 98, 99}) {
            const QPointF centre = z.toView(QPointF(x + 0.5, 20.5));
            const QPoint viewPixel(int(std::floor(centre.x())), int(std::floor(centre.y())));
            EXPECT_EQ(z.pixelAt(viewPixel), QPoint(x, 20)) << scale << " " << x;
        }
    }
}

TEST(ViewGeometry, TheLastViewPixelOfARoundedUpPictureShowsTheLastImagePixel)
{
    // 7 pixels at 50 % round to 4 view pixels; the fourth covers image 6..8.
    const ViewGeometry g(QSize(7, 7), 0.5, 0.5, QPoint());
    EXPECT_EQ(g.contentSize(), QSize(4, 4));
    EXPECT_EQ(g.pixelAt(QPoint(3, 3)), QPoint(6, 6));
}

TEST(ViewGeometry, FitKeepsTheAspectRatioAndScalesAreBounded)
{
    EXPECT_DOUBLE_EQ(ViewGeometry::fitScale(QSize(4960, 7016), QSize(800, 600)), 600.0 / 7016);
    EXPECT_DOUBLE_EQ(ViewGeometry::fitScale(QSize(200, 100), QSize(800, 600)), 4.0);
    const ViewGeometry fitted(QSize(4960, 7016),
                              ViewGeometry::fitScale(QSize(4960, 7016), QSize(800, 600)),
                              600.0 / 7016, QPoint());
    EXPECT_EQ(fitted.contentSize(), QSize(424, 600));

    EXPECT_EQ(ViewGeometry::boundedScale(1e6), ViewGeometry::kMaxScale);
    EXPECT_EQ(ViewGeometry::boundedScale(1e-9), ViewGeometry::kMinScale);
    EXPECT_EQ(ViewGeometry::boundedScale(0.0), 1.0);
    EXPECT_EQ(ViewGeometry::boundedScale(-2.0), 1.0);
    EXPECT_EQ(ViewGeometry::boundedScale(std::numeric_limits<double>::quiet_NaN()), 1.0);
    // The largest image at the largest zoom still has a size in whole view pixels.
    const ViewGeometry huge(QSize(65535, 65535), 1e9, 1e9, QPoint());
    EXPECT_EQ(huge.contentSize(), QSize(6553500, 6553500));
}

}  // namespace
}  // namespace tavlo
