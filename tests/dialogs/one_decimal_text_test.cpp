#include "dialogs/one_decimal_text.h"

#include <gtest/gtest.h>

#include <limits>

namespace tavlo {
namespace {

TEST(OneDecimalText, OneDecimalNoLeadingZeroNoGroupingHalvesAwayFromZero)
{
    const std::pair<double, const char*> cases[] = {
        {12, "12.0"},     {8.5, "8.5"},
        {0.3, ".3"},      {0.04, ".0"},
        {0, ".0"},        {0.96, "1.0"},
        {99.96, "100.0"}, {1234567, "1234567.0"},
        {3e-12, ".0"},    {-2.25, "-2.3"},
        {-0.01, ".0"},    {0.25, ".3"},
        {8.25, "8.3"},    {0.05, ".1"},
        {0.3499, ".3"},   {2.5 * 2.54, "6.4"},  // 6.3499999999999996 in binary stands for 6.35
    };
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(oneDecimalText(value, 15), QString::fromLatin1(expected)) << value;
    // 0.35f is 0.34999999403953552; as a single-precision value it stands for 0.35.
    EXPECT_EQ(oneDecimalText(double(0.35f), 7), QStringLiteral(".4"));
    EXPECT_EQ(oneDecimalText(std::numeric_limits<double>::infinity(), 15), QString());
    EXPECT_EQ(oneDecimalText(std::numeric_limits<double>::quiet_NaN(), 15), QString());
    EXPECT_EQ(oneDecimalText(1e300, 15).size(), 303);
}

}  // namespace
}  // namespace tavlo
