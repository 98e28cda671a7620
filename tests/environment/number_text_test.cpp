#include "environment/number_text.h"

#include <gtest/gtest.h>

namespace tavlo {
namespace {

TEST(LeadingNumber, ReadsTheNumberAtTheStartOfAText)
{
    EXPECT_DOUBLE_EQ(leadingNumber(QStringLiteral("12abc")), 12.0);
    EXPECT_DOUBLE_EQ(leadingNumber(QStringLiteral("abc")), 0.0);
    EXPECT_DOUBLE_EQ(leadingNumber(QString()), 0.0);
    EXPECT_DOUBLE_EQ(leadingNumber(QStringLiteral(" - 1 2.5e1x")), -125.0);
    EXPECT_DOUBLE_EQ(leadingNumber(QStringLiteral("\t3\n00")), 300.0);
    EXPECT_DOUBLE_EQ(leadingNumber(QStringLiteral(".5")), 0.5);
    EXPECT_DOUBLE_EQ(leadingNumber(QStringLiteral("7e")), 7.0);   // exponent without digits
    EXPECT_DOUBLE_EQ(leadingNumber(QStringLiteral("1.2.3")), 1.2);
    EXPECT_DOUBLE_EQ(leadingNumber(QStringLiteral("+-1")), 0.0);
    EXPECT_DOUBLE_EQ(leadingNumber(QStringLiteral("１２")), 0.0);  // full-width digits are not read
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour)
{
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(-0.5), 0);
    EXPECT_EQ(roundHalfEven(-1.5), -2);
    EXPECT_EQ(roundHalfEven(2.4999), 2);
    EXPECT_EQ(roundHalfEven(1e20), 2147483647);
    EXPECT_EQ(roundHalfEven(-1e20), -2147483647 - 1);
}

}  // namespace
}  // namespace tavlo
