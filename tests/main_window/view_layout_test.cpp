#include "main_window/magnifier.h"
#include "main_window/twips_scale.h"
#include "main_window/view_layout.h"

#include "tests/support/qt_printers.h"

#include <gtest/gtest.h>

namespace tavlo {
namespace {

TEST(TwipsScale, FifteenTwipsMakeOnePixelAtNinetySixDotsPerInch)
{
    const TwipsScale s(15.0);
    EXPECT_EQ(s.toPixels(1260), 84);
    EXPECT_EQ(s.toPixels(340), 23);  // 22.67 rounds to the nearest pixel
    EXPECT_EQ(s.toPixels(-150), -10);
    EXPECT_DOUBLE_EQ(s.toTwips(84), 1260.0);
    const TwipsScale hi(7.5);  // 192 dots per inch
    EXPECT_EQ(hi.toPixels(1260), 168);
}

TEST(ViewLayout, ListKeepsItsWidthAndTheViewFillsTheRest)
{
    const ViewLayout::Places p = ViewLayout::compute(QSize(800, 500), TwipsScale(15.0));
    EXPECT_EQ(p.line1Width, 800);
    EXPECT_EQ(p.list, QRect(0, 23, 84, 477));
    EXPECT_EQ(p.view, QRect(84, 23, 716, 477));  // one twip right of the list
    EXPECT_EQ(p.list.bottom(), 499);
}

TEST(ViewLayout, AClientAreaSmallerThanTheStripGivesZeroSizes)
{
    for (const QSize size : {QSize(800, 22), QSize(800, 0), QSize(50, 10), QSize(0, 0)}) {
        const ViewLayout::Places p = ViewLayout::compute(size, TwipsScale(15.0));
        EXPECT_GE(p.list.height(), 0);
        EXPECT_GE(p.view.height(), 0);
        EXPECT_GE(p.view.width(), 0);
    }
    EXPECT_EQ(ViewLayout::compute(QSize(800, 10), TwipsScale(15.0)).list.height(), 0);
    EXPECT_EQ(ViewLayout::compute(QSize(50, 300), TwipsScale(15.0)).view.width(), 0);
}

TEST(Magnifier, StepsByOneAndAHalf)
{
    float f = 1.0f;
    f = Magnifier::nextFactor(f, Qt::LeftButton);
    f = Magnifier::nextFactor(f, Qt::LeftButton);
    EXPECT_FLOAT_EQ(f, 2.25f);
    f = Magnifier::nextFactor(f, Qt::RightButton);
    EXPECT_FLOAT_EQ(f, 1.5f);
    EXPECT_FLOAT_EQ(Magnifier::nextFactor(1.0, Qt::MiddleButton), 1.5f);
}

TEST(Magnifier, StaysWithinOnePercentAndTenThousandPercent)
{
    float in = 1.0f, out = 1.0f;
    for (int i = 0; i < 1000; ++i) {
        in = Magnifier::nextFactor(in, Qt::LeftButton);
        out = Magnifier::nextFactor(out, Qt::RightButton);
    }
    EXPECT_FLOAT_EQ(in, 100.0f);
    EXPECT_FLOAT_EQ(out, 0.01f);
    // Ten clicks from 100 % stay inside the bounds and keep the 1.5 steps.
    float ten = 1.0f;
    for (int i = 0; i < 10; ++i)
        ten = Magnifier::nextFactor(ten, Qt::LeftButton);
    EXPECT_NEAR(ten, 57.665f, 0.001f);
    // A factor the view never had (0, negative, not a number) starts again from 100 %.
    EXPECT_FLOAT_EQ(Magnifier::nextFactor(0.0, Qt::LeftButton), 1.5f);
    EXPECT_FLOAT_EQ(Magnifier::nextFactor(std::nan(""), Qt::RightButton), 1.0f / 1.5f);
}

}  // namespace
}  // namespace tavlo
