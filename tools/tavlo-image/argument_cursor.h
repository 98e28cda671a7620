#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace tavlo::tools {

// Walks the command-line arguments of one command. Option parsers take what they need from it,
// so an option may be followed by any number of values and modifier flags.
class ArgumentCursor {
public:
    explicit ArgumentCursor(QStringList arguments) : m_arguments(std::move(arguments)) { }

    bool atEnd() const { return m_next >= m_arguments.size(); }

    // The next argument without taking it; "" at the end.
    QString peek() const { return atEnd() ? QString() : m_arguments[m_next]; }

    // Takes the next argument; nothing at the end.
    std::optional<QString> take();

    // Takes the next argument when it is exactly flag (for modifiers such as "--smooth").
    bool takeFlag(const QString& flag);

    // Takes the next argument as a whole number in [low, high]; nothing (and the argument left in
    // place) when it is missing, not a number or outside.
    std::optional<int> takeInt(int low, int high);

private:
    QStringList m_arguments;
    qsizetype m_next = 0;
};

}  // namespace tavlo::tools
