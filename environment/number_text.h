#pragma once

#include <QString>

namespace tavlo {

// Reads the number at the start of a text the way the program reads every typed or stored number:
// blanks, tabs and line breaks are skipped wherever they stand; the longest leading decimal number
// (sign, digits, one point, exponent) is taken; a text that does not start with a number reads as
// 0. "12abc" -> 12, "abc" -> 0, " - 1 2.5e1x" -> -125.
double leadingNumber(const QString& text);

// Whether the text starts with a number as leadingNumber reads it ("0" does, "abc" and "" do not).
bool hasLeadingNumber(const QString& text);

// Rounds to the nearest integer with halves going to the even neighbour (0.5 -> 0, 1.5 -> 2,
// 2.5 -> 2, -0.5 -> 0). Values beyond the 32-bit range are clamped to it.
int roundHalfEven(double value);

// The shortest decimal text of a value to the given number of significant digits (7 for a
// single-precision value, 15 for a double), never in exponent form, without grouping and without
// trailing zeros: 21.0 -> "21", 29.7 -> "29.7", 1e7 -> "10000000", 0.00001 -> "0.00001".
QString shortestNumberText(double value, int significantDigits);

}  // namespace tavlo
