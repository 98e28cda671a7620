#pragma once

#include <QDateTime>
#include <QString>

#include <concepts>
#include <variant>

namespace tavlo {

// A value kept in the settings file: empty, text, boolean, date-time or a number (integer, single
// or double precision). SettingsStore::SetVal writes its text form; SettingsStore::vGtVal reads a
// stored text back in the kind of the default it is given.
class SettingValue {
public:
    enum class Kind { Empty, Text, Boolean, DateTime, Integer, Single, Double };

    SettingValue() = default;
    SettingValue(const QString& text) : m_value(text) { }
    SettingValue(const char* utf8) : m_value(QString::fromUtf8(utf8)) { }
    SettingValue(bool flag) : m_value(flag) { }
    SettingValue(const QDateTime& moment) : m_value(moment) { }
    template <std::integral T>
    requires(!std::same_as<T, bool> && !std::same_as<T, char>) SettingValue(T number)
        : m_value(qint64(number))
    {
    }
    SettingValue(float number) : m_value(number) { }
    SettingValue(double number) : m_value(number) { }

    Kind kind() const { return Kind(m_value.index()); }
    bool isEmpty() const { return kind() == Kind::Empty; }
    bool isNumber() const;

    // The text form written into the settings file:
    //   text       the text itself
    //   integer    decimal digits, "-" when negative
    //   single     shortest form with up to 7 significant digits ("900", "1.5", "1.234568E+07")
    //   double     the same with up to 15 significant digits
    //   boolean    "True" or "False"
    //   date-time  "yyyy/MM/dd", followed by " H:mm:ss" when the time is not midnight
    //   empty      ""
    QString text() const;

    // The value as a number: numbers as they are, a boolean as 1 or 0, a text by its leading
    // number; 0 for empty and date-time.
    double toDouble() const;

    // True for a true boolean, a non-zero number or a text that reads as true (see parseBoolean).
    bool toBool() const;

    // The date-time held, or a null QDateTime for any other kind.
    QDateTime toDateTime() const;

    // Reads "True"/"False" (any case, blanks around ignored) or a number (non-zero is true).
    // False in *ok for any other text.
    static bool parseBoolean(const QString& text, bool* ok);

    // Reads a date ("2024/3/9", "2024-03-09") with an optional time ("13:05", "13:05:09"), as
    // the text form above writes it. A null QDateTime when the text is not such a date.
    static QDateTime parseDateTime(const QString& text);

    friend bool operator==(const SettingValue&, const SettingValue&) = default;

private:
    std::variant<std::monostate, QString, bool, QDateTime, qint64, float, double> m_value;
};

}  // namespace tavlo
