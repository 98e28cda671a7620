#include "tools/tavlo-image/argument_cursor.h"

namespace tavlo::tools {

std::optional<QString> ArgumentCursor::take()
{
    if (atEnd())
        return std::nullopt;
    return m_arguments[m_next++];
}

bool ArgumentCursor::takeFlag(const QString& flag)
{
    if (atEnd() || m_arguments[m_next] != flag)
        return false;
    ++m_next;
    return true;
}

std::optional<int> ArgumentCursor::takeInt(int low, int high)
{
    if (atEnd())
        return std::nullopt;
    bool ok = false;
    const int value = m_arguments[m_next].toInt(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    ++m_next;
    return value;
}

}  // namespace tavlo::tools
