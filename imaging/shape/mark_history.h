#pragma once

#include "imaging/shape/mark.h"

#include <vector>

namespace tavlo {

// The marks not yet committed, with undo and redo. Every change starts with checkpoint(), which
// remembers the marks as they were (and forgets what could be redone); a drag then changes the
// marks in place through edit(), so one stroke or one move is one step to undo.
class MarkHistory {
public:
    const std::vector<Mark>& marks() const { return m_marks; }
    bool isEmpty() const { return m_marks.empty(); }
    std::vector<Mark>& edit() { return m_marks; }

    void checkpoint();
    // Drops the last checkpoint when the change it began came to nothing.
    void dropCheckpoint();
    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    bool undo();
    bool redo();
    // Forgets every mark and the whole history (after a commit or ClearShape).
    void clear();

private:
    std::vector<Mark> m_marks;
    std::vector<std::vector<Mark>> m_undo;
    std::vector<std::vector<Mark>> m_redo;
};

}  // namespace tavlo
