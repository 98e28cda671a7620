#pragma once

#include <QString>

namespace tavlo {

// Writes a value the way the number pattern "#.0" shows it: exactly one decimal place, no digit
// grouping, and no digit before the point when the whole part is 0 (12 -> "12.0", 8.5 -> "8.5",
// 0.3 -> ".3", 0.04 -> ".0").
//
// The value is first read as the decimal number of `significantDigits` significant digits that it
// stands for (7 for a single-precision value, 15 for a double-precision one), so that a stored
// 0.35f counts as 0.35 and not as 0.3499999940; that decimal is then rounded at the first decimal
// place with halves going away from zero, as the pattern rounds (0.25 -> ".3", 8.25 -> "8.3").
// A result that rounds to zero has no sign. Infinite or undefined values give "".
QString oneDecimalText(double value, int significantDigits);

}  // namespace tavlo
