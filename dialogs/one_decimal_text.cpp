#include "dialogs/one_decimal_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace tavlo {
namespace {

// Adds one to a string of decimal digits ("199" -> "200", "99" -> "100").
void incrementDigits(std::string& digits)
{
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

}  // namespace

QString oneDecimalText(double value, int significantDigits)
{
    if (!std::isfinite(value))
        return QString();
    significantDigits = std::clamp(significantDigits, 1, 17);
    const bool negative = std::signbit(value);
    const double magnitude = std::fabs(value);

    // The magnitude as d.ddd...e+x with the asked number of digits (locale-independent).
    char text[64];
    const auto written = std::to_chars(text, text + sizeof text, magnitude,
                                       std::chars_format::scientific, significantDigits - 1);
    std::string digits;
    const char* p = text;
    for (; p != written.ptr && *p != 'e'; ++p) {
        if (*p >= '0' && *p <= '9')
            digits.push_back(*p);
    }
    int exponent = 0;
    if (p != written.ptr) {
        const char* first = p + 1;
        if (first != written.ptr && *first == '+')
            ++first;  // from_chars reads a minus sign but not a plus sign
        std::from_chars(first, written.ptr, exponent);
    }

    // magnitude = digits x 10^(exponent - (n - 1)); the tenths are that times 10.
    const int shift = exponent - int(digits.size()) + 2;
    std::string tenths;
    if (shift >= 0) {
        tenths = digits + std::string(size_t(shift), '0');
    } else {
        const size_t cut = size_t(-shift);
        if (cut > digits.size()) {
            tenths = "0";  // below 0.05: the first dropped digit is a leading zero
        } else {
            const size_t keep = digits.size() - cut;
            tenths = keep == 0 ? std::string("0") : digits.substr(0, keep);
            if (digits[keep] >= '5')
                incrementDigits(tenths);
        }
    }
    tenths.erase(0, std::min(tenths.find_first_not_of('0'), tenths.size() - 1));

    const std::string whole =
        tenths.size() > 1 ? tenths.substr(0, tenths.size() - 1) : std::string();
    std::string result = whole + '.' + tenths.back();
    if (negative && tenths != "0")
        result.insert(result.begin(), '-');
    return QString::fromLatin1(result.c_str());
}

}  // namespace tavlo
