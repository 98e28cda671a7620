#include "environment/setting_value.h"

#include "environment/number_text.h"

#include <QLocale>
#include <QRegularExpression>

#include <charconv>
#include <cmath>

namespace tavlo {
namespace {

// Shortest decimal form with at most `digits` significant digits; exponent written "E+07".
template <typename Float> QString decimalText(Float value, int digits)
{
    if (value == 0)
        return QStringLiteral("0");  // also for -0
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits);
    QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    text.replace(QLatin1Char('e'), QLatin1Char('E'));
    return text;
}

}  // namespace

bool SettingValue::isNumber() const
{
    const Kind k = kind();
    return k == Kind::Integer || k == Kind::Single || k == Kind::Double;
}

QString SettingValue::text() const
{
    switch (kind()) {
    case Kind::Empty: return QString();
    case Kind::Text: return std::get<QString>(m_value);
    case Kind::Boolean:
        return std::get<bool>(m_value) ? QStringLiteral("True") : QStringLiteral("False");
    case Kind::DateTime: {
        const QDateTime& moment = std::get<QDateTime>(m_value);
        const QDate date = moment.date();
        QString out = QStringLiteral("%1/%2/%3")
                          .arg(date.year(), 4, 10, QLatin1Char('0'))
                          .arg(date.month(), 2, 10, QLatin1Char('0'))
                          .arg(date.day(), 2, 10, QLatin1Char('0'));
        const QTime time = moment.time();
        if (time.hour() != 0 || time.minute() != 0 || time.second() != 0)
            out += QStringLiteral(" %1:%2:%3")
                       .arg(time.hour())
                       .arg(time.minute(), 2, 10, QLatin1Char('0'))
                       .arg(time.second(), 2, 10, QLatin1Char('0'));
        return out;
    }
    case Kind::Integer: return QString::number(std::get<qint64>(m_value));
    case Kind::Single: return decimalText(std::get<float>(m_value), 7);
    case Kind::Double: return decimalText(std::get<double>(m_value), 15);
    }
    return QString();
}

double SettingValue::toDouble() const
{
    switch (kind()) {
    case Kind::Integer: return double(std::get<qint64>(m_value));
    case Kind::Single: return double(std::get<float>(m_value));
    case Kind::Double: return std::get<double>(m_value);
    case Kind::Boolean: return std::get<bool>(m_value) ? 1.0 : 0.0;
    case Kind::Text: return leadingNumber(std::get<QString>(m_value));
    case Kind::Empty:
    case Kind::DateTime: break;
    }
    return 0.0;
}

bool SettingValue::toBool() const
{
    switch (kind()) {
    case Kind::Boolean: return std::get<bool>(m_value);
    case Kind::Text: {
        bool ok = false;
        const bool flag = parseBoolean(std::get<QString>(m_value), &ok);
        return ok && flag;
    }
    default: return toDouble() != 0.0;
    }
}

QDateTime SettingValue::toDateTime() const
{
    return kind() == Kind::DateTime ? std::get<QDateTime>(m_value) : QDateTime();
}

bool SettingValue::parseBoolean(const QString& text, bool* ok)
{
    const QString word = text.trimmed();
    *ok = true;
    if (word.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (word.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool isNumber = false;
    const double number = QLocale::c().toDouble(word, &isNumber);
    if (isNumber && std::isfinite(number))
        return number != 0.0;
    *ok = false;
    return false;
}

QDateTime SettingValue::parseDateTime(const QString& text)
{
    // yyyy/M/d or yyyy-M-d, then optionally H:m or H:m:s.
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\s*(\d{4})[/-](\d{1,2})[/-](\d{1,2}))"
                       R"((?:[ T]+(\d{1,2}):(\d{1,2})(?::(\d{1,2}))?)?\s*$)"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return QDateTime();
    const QDate date(match.captured(1).toInt(), match.captured(2).toInt(),
                     match.captured(3).toInt());
    const QTime time(match.captured(4).toInt(), match.captured(5).toInt(),
                     match.captured(6).toInt());
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    return QDateTime(date, time);
}

}  // namespace tavlo
