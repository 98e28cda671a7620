#include "environment/cp932.h"
#include "environment/number_text.h"
#include "environment/setting_value.h"
#include "tests/environment/settings_test_support.h"

#include <gtest/gtest.h>

namespace tavlo {
namespace {

TEST(SettingValue, TextFormsOfEveryKind)
{
    EXPECT_EQ(SettingValue(900.0f).text(), "900");
    EXPECT_EQ(SettingValue(0.1f).text(), "0.1");  // not 0.100000001
    EXPECT_EQ(SettingValue(12345678.0f).text(), "1.234568E+07");
    EXPECT_EQ(SettingValue(0.00001f).text(), "1E-05");
    EXPECT_EQ(SettingValue(-0.0f).text(), "0");
    EXPECT_EQ(SettingValue(0.1 + 0.2).text(), "0.3");
    EXPECT_EQ(SettingValue(123456789012345.0).text(), "123456789012345");
    EXPECT_EQ(SettingValue(1e15).text(), "1E+15");
    EXPECT_EQ(SettingValue(short(-5)).text(), "-5");
    EXPECT_EQ(SettingValue(true).text(), "True");
    EXPECT_EQ(SettingValue(false).text(), "False");
    EXPECT_EQ(SettingValue().text(), "");
    EXPECT_EQ(SettingValue("ｽｹｰﾙ").kind(), SettingValue::Kind::Text);
    EXPECT_EQ(SettingValue(QDateTime(QDate(2024, 3, 9), QTime(0, 0))).text(), "2024/03/09");
    EXPECT_EQ(SettingValue(QDateTime(QDate(2024, 3, 9), QTime(7, 5, 9))).text(),
              "2024/03/09 7:05:09");
}

TEST(SettingValue, DatesRoundTripAndJunkIsRejected)
{
    const QDateTime moment(QDate(1999, 12, 31), QTime(23, 59, 58));
    EXPECT_EQ(SettingValue::parseDateTime(SettingValue(moment).text()), moment);
    EXPECT_EQ(SettingValue::parseDateTime(QStringLiteral("2024-3-9 13:05")),
              QDateTime(QDate(2024, 3, 9), QTime(13, 5)));
    for (const char* junk : {"", "soon", "2024/13/01", "2024/02/30", "2024/01/01 25:00", "12"})
        EXPECT_FALSE(SettingValue::parseDateTime(QString::fromUtf8(junk)).isValid()) << junk;
}

TEST(Cp932, DecodesWhatItCanAndEncodesEachUnrepresentableCharacterAsOneQuestionMark)
{
    // 表 ends in the byte of "\", which must not split the character.
    EXPECT_EQ(Cp932::decode("\x95\x5c\xcc\xab"), QStringLiteral("表ﾌｫ"));
    EXPECT_EQ(Cp932::decode("a\xff<b>"), QStringLiteral("a\ufffd<b>"));
    EXPECT_EQ(Cp932::decode("ab\x81"), QStringLiteral("ab\ufffd"));  // cut-off lead byte
    EXPECT_EQ(Cp932::encode(QStringLiteral("‡運用ｽ")), QByteArray("\x81\xf6\x89\x5e\x97\x70\xbd"));
    EXPECT_EQ(Cp932::encode(QStringLiteral("x\u00e9\U0001F600\u0e01y")), QByteArray("x???y"));
}

// The settings file's numbers are read through leadingNumber (settings_store_test); these are the
// forms a file rarely holds.
TEST(LeadingNumber, ReadsTheNumberAtTheStartOfAText)
{
    const std::pair<const char*, double> cases[] = {{"", 0},          {" - 1 2.5e1x", -125},
                                                    {"\t3\n00", 300}, {".5", 0.5},
                                                    {"7e", 7},  // no exponent
                                                    {"1.2.3", 1.2},   {"+-1", 0},
                                                    {"１２", 0}};  // full-width digits are not read
    for (const auto& [text, number] : cases)
        EXPECT_DOUBLE_EQ(leadingNumber(QString::fromUtf8(text)), number) << text;
    // A text that reads as 0 without holding a number is told apart from "0".
    for (const char* text : {"0", " -.0", "-5x"})
        EXPECT_TRUE(hasLeadingNumber(QString::fromUtf8(text))) << text;
    for (const char* text : {"", " ", "x0", "+-1", "-", ".", "１２"})
        EXPECT_FALSE(hasLeadingNumber(QString::fromUtf8(text))) << text;
}

// Sizes are written in their shortest form, never with an exponent, to single (7) or double (15)
// precision.
TEST(ShortestNumberText, ShortestDigitsWithoutExponent)
{
    const struct {
        double value;
        int digits;
        const char* text;
    } cases[] = {{21.0, 15, "21"},
                 {29.7, 15, "29.7"},
                 {double(211.2f), 7, "211.2"},
                 {double(14.85f), 7, "14.85"},
                 {1e7, 7, "10000000"},
                 {12345678, 7, "12345680"},
                 {0.00001, 7, "0.00001"},
                 {-2.5e-6, 15, "-0.0000025"},
                 {0, 7, "0"}};
    for (const auto& c : cases)
        EXPECT_EQ(shortestNumberText(c.value, c.digits), QString::fromLatin1(c.text)) << c.text;
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbourAndTheRangeIsKept)
{
    const std::pair<double, int> cases[] = {
        {0.5, 0},   {1.5, 2},    {2.5, 2},           {-0.5, 0},
        {-1.5, -2}, {2.4999, 2}, {1e20, 2147483647}, {-1e20, -2147483647 - 1}};
    for (const auto& [value, rounded] : cases)
        EXPECT_EQ(roundHalfEven(value), rounded) << value;
}

}  // namespace
}  // namespace tavlo
