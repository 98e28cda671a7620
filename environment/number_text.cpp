#include "environment/number_text.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace tavlo {

namespace {

// The text of the leading number ("-12.5e1"), or "" when the text does not start with one.
std::string leadingNumberText(const QString& text)
{
    // Collect the characters that may form the number, dropping the ignored blanks first.
    std::string compact;
    compact.reserve(size_t(text.size()));
    for (QChar c : text) {
        if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r')
            continue;
        const char16_t u = c.unicode();
        if (u > 0x7f)
            break;
        compact.push_back(char(u));
    }
    size_t i = 0;
    std::string number;
    if (i < compact.size() && (compact[i] == '+' || compact[i] == '-'))
        number.push_back(compact[i++]);
    bool digits = false;
    while (i < compact.size() && std::isdigit(static_cast<unsigned char>(compact[i]))) {
        number.push_back(compact[i++]);
        digits = true;
    }
    if (i < compact.size() && compact[i] == '.') {
        number.push_back(compact[i++]);
        while (i < compact.size() && std::isdigit(static_cast<unsigned char>(compact[i]))) {
            number.push_back(compact[i++]);
            digits = true;
        }
    }
    if (!digits)
        return std::string();
    // An exponent counts only when at least one digit follows it.
    if (i < compact.size() && (compact[i] == 'e' || compact[i] == 'E')) {
        size_t j = i + 1;
        std::string exponent = "e";
        if (j < compact.size() && (compact[j] == '+' || compact[j] == '-'))
            exponent.push_back(compact[j++]);
        bool expDigits = false;
        while (j < compact.size() && std::isdigit(static_cast<unsigned char>(compact[j]))) {
            exponent.push_back(compact[j++]);
            expDigits = true;
        }
        if (expDigits)
            number += exponent;
    }
    return number;
}

}  // namespace

bool hasLeadingNumber(const QString& text)
{
    return !leadingNumberText(text).empty();
}

double leadingNumber(const QString& text)
{
    const std::string number = leadingNumberText(text);
    if (number.empty())
        return 0.0;
    const double value = std::strtod(number.c_str(), nullptr);
    return std::isfinite(value) ? value
                                : (value > 0 ? std::numeric_limits<double>::max()
                                             : std::numeric_limits<double>::lowest());
}

int roundHalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double lo = double(std::numeric_limits<int>::min());
    constexpr double hi = double(std::numeric_limits<int>::max());
    if (value <= lo)
        return std::numeric_limits<int>::min();
    if (value >= hi)
        return std::numeric_limits<int>::max();
    return int(std::nearbyint(value));  // the default rounding mode rounds halves to even
}

QString shortestNumberText(double value, int significantDigits)
{
    const QString general = QString::number(value, 'g', significantDigits);
    if (!general.contains(u'e') || !std::isfinite(value))
        return general;
    // Written out in full: as many decimals as the significant digits reach below the point.
    const double rounded = general.toDouble();
    const int exponent = int(std::floor(std::log10(std::abs(rounded))));
    QString fixed = QString::number(rounded, 'f', std::max(0, significantDigits - 1 - exponent));
    if (fixed.contains(u'.')) {
        while (fixed.endsWith(u'0'))
            fixed.chop(1);
        if (fixed.endsWith(u'.'))
            fixed.chop(1);
    }
    return fixed;
}

}  // namespace tavlo
