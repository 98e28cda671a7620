#include "dialogs/one_decimal_text.h"

#include <gtest/gtest.h>

namespace tavlo {
namespace {

TEST(OneDecimalText, WritesOneDecimalWithoutALeadingZero)
{
    EXPECT_EQ(oneDecimalText(12, 15), QStringLiteral("12.0"));
    EXPECT_EQ(oneDecimalText(8.5, 15), QStringLiteral("8.5"));
    EXPECT_EQ(oneDecimalText(0.3, 15), QStringLiteral(".3"));
    EXPECT_EQ(oneDecimalText(0.04, 15), QStringLiteral(".0"));
    EXPECT_EQ(oneDecimalText(0.0, 15), QStringLiteral(".0"));
    EXPECT_EQ(oneDecimalText(0.96, 15), QStringLiteral("1.0"));
    EXPECT_EQ(oneDecimalText(99.96, 15), QStringLiteral("100.0"));
    EXPECT_EQ(oneDecimalText(1234567.0, 15), QStringLiteral("1234567.0"));  // no grouping
    EXPECT_EQ(oneDecimalText(3e-12, 15), QStringLiteral(".0"));
    EXPECT_EQ(oneDecimalText(-2.25, 15), QStringLiteral("-2.3"));
    EXPECT_EQ(oneDecimalText(-0.01, 15), QStringLiteral(".0"));
}

TEST(OneDecimalText, RoundsTheDecimalTheValueStandsForHalvesAwayFromZero)
{
    EXPECT_EQ(oneDecimalText(0.25, 15), QStringLiteral(".3"));
    EXPECT_EQ(oneDecimalText(8.25, 15), QStringLiteral("8.3"));
    EXPECT_EQ(oneDecimalText(0.05, 15), QStringLiteral(".1"));
    // 2.5 x 2.54 is 6.3499999999999996 in binary; it stands for 6.35.
    EXPECT_EQ(oneDecimalText(2.5 * 2.54, 15), QStringLiteral("6.4"));
    // 0.35f is 0.34999999403953552; as a single-precision value it stands for 0.35.
    EXPECT_EQ(oneDecimalText(double(0.35f), 7), QStringLiteral(".4"));
    EXPECT_EQ(oneDecimalText(0.3499, 15), QStringLiteral(".3"));
}

TEST(OneDecimalText, UndefinedValuesGiveNoText)
{
    EXPECT_EQ(oneDecimalText(std::numeric_limits<double>::infinity(), 15), QString());
    EXPECT_EQ(oneDecimalText(std::numeric_limits<double>::quiet_NaN(), 15), QString());
    EXPECT_EQ(oneDecimalText(1e300, 15).size(), 303);
}

}  // namespace
}  // namespace tavlo
