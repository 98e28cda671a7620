#include "imaging/shape/mark_history.h"

namespace tavlo {

void MarkHistory::checkpoint()
{
    m_undo.push_back(m_marks);
    m_redo.clear();
}

void MarkHistory::dropCheckpoint()
{
    if (!m_undo.empty()) {
        m_marks = std::move(m_undo.back());
        m_undo.pop_back();
    }
}

bool MarkHistory::undo()
{
    if (m_undo.empty())
        return false;
    m_redo.push_back(std::move(m_marks));
    m_marks = std::move(m_undo.back());
    m_undo.pop_back();
    return true;
}

bool MarkHistory::redo()
{
    if (m_redo.empty())
        return false;
    m_undo.push_back(std::move(m_marks));
    m_marks = std::move(m_redo.back());
    m_redo.pop_back();
    return true;
}

void MarkHistory::clear()
{
    m_marks.clear();
    m_undo.clear();
    m_redo.clear();
}

}  // namespace tavlo
