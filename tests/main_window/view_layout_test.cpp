#include "main_window/magnifier.h"
#include "main_window/twips_scale.h"
#include "main_window/view_layout.h"

#include "tests/support/qt_printers.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tavlo {
namespace {

TEST(ViewLayout, TheListKeepsItsWidthTheViewFillsTheRestAndNoSizeIsNegative)
{
    const TwipsScale s(15.0);        // 96 dots per inch
    EXPECT_EQ(s.toPixels(340), 23);  // 22.67 rounds to the nearest pixel
    EXPECT_EQ(s.toPixels(-150), -10);
    EXPECT_DOUBLE_EQ(s.toTwips(84), 1260.0);
    EXPECT_EQ(TwipsScale(7.5).toPixels(1260), 168);  // 192 dots per inch

    const ViewLayout::Places p = ViewLayout::compute(QSize(800, 500), s);
    EXPECT_EQ(p.line1Width, 800);
    EXPECT_EQ(p.list, QRect(0, 23, 84, 477));
    EXPECT_EQ(p.view, QRect(84, 23, 716, 477));  // one twip right of the list

    // A client area smaller than the tool strip gives zero sizes, never negative ones.
    for (const QSize size : {QSize(800, 22), QSize(800, 0), QSize(50, 10), QSize(0, 0)}) {
        const ViewLayout::Places small = ViewLayout::compute(size, s);
        EXPECT_GE(small.list.height(), 0);
        EXPECT_GE(small.view.height(), 0);
        EXPECT_GE(small.view.width(), 0);
    }
    EXPECT_EQ(ViewLayout::compute(QSize(800, 10), s).list.height(), 0);
    EXPECT_EQ(ViewLayout::compute(QSize(50, 300), s).view.width(), 0);
}

TEST(Magnifier, StepsByOneAndAHalfWithinOnePercentAndTenThousandPercent)
{
    float f = Magnifier::nextFactor(1.0, Qt::LeftButton);
    EXPECT_FLOAT_EQ(Magnifier::nextFactor(f, Qt::MiddleButton), 2.25f);
    EXPECT_FLOAT_EQ(Magnifier::nextFactor(f, Qt::RightButton), 1.0f);
    float in = 1.0f, out = 1.0f;
    for (int i = 1; i <= 1000; ++i) {
        in = Magnifier::nextFactor(in, Qt::LeftButton);
        out = Magnifier::nextFactor(out, Qt::RightButton);
        EXPECT_TRUE(i != 10 || std::abs(in - 57.665f) < 0.001f) << in;  // the 1.5 steps kept
    }
    EXPECT_FLOAT_EQ(in, 100.0f);
    EXPECT_FLOAT_EQ(out, 0.01f);
    // A factor the view never had (0, not a number) starts again from 100 %.
    EXPECT_FLOAT_EQ(Magnifier::nextFactor(0.0, Qt::LeftButton), 1.5f);
    EXPECT_FLOAT_EQ(Magnifier::nextFactor(std::nan(""), Qt::RightButton), 1.0f / 1.5f);
}

}  // namespace
}  // namespace tavlo
