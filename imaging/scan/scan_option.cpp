#include "imaging/scan/scan_option.h"

#include <algorithm>
#include <cmath>

namespace tavlo::scan {

bool ScanOption::isEditable() const
{
    return active && settable && !isArray() && !name.isEmpty() &&
           (type == Type::Bool || type == Type::Int || type == Type::Fixed || type == Type::String);
}

QString ScanOption::constrained(const QString& text) const
{
    switch (type) {
    case Type::Bool: {
        const QString t = text.trimmed().toLower();
        return (t == QLatin1String("1") || t == QLatin1String("true") || t == QLatin1String("yes"))
                   ? QStringLiteral("1")
                   : QStringLiteral("0");
    }
    case Type::String:
        if (constraint == Constraint::StringList && !strings.contains(text))
            return QString();
        return text;
    case Type::Int:
    case Type::Fixed: {
        bool ok = false;
        double v = text.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(v))
            return QString();
        if (constraint == Constraint::Range) {
            v = std::clamp(v, minimum, maximum);
            if (quant > 0) {
                v = minimum + std::round((v - minimum) / quant) * quant;
                if (v > maximum)
                    v -= quant;
            }
        } else if (constraint == Constraint::WordList && !words.isEmpty()) {
            v = *std::min_element(words.begin(), words.end(), [v](double a, double b) {
                return std::abs(a - v) < std::abs(b - v);
            });
        }
        if (type == Type::Int)
            return QString::number(qint64(std::llround(v)));
        return QString::number(v, 'g', 10);
    }
    case Type::Button:
    case Type::Group: break;
    }
    return QString();
}

const ScanOption* findOption(const QList<ScanOption>& options, const QString& name)
{
    for (const ScanOption& option : options) {
        if (option.name == name)
            return &option;
    }
    return nullptr;
}

}  // namespace tavlo::scan
