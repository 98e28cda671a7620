#include "main_window/unsaved_changes_question.h"

#include "environment/process_values.h"
#include "environment/user_prompt.h"
#include "main_window/document_state.h"

namespace tavlo {

bool UnsavedChangesQuestion::AskToSaveChanges(bool saveElsewhere)
{
    const bool marks = HasUncommittedMarks && HasUncommittedMarks();
    if (!m_doc.hasUnsavedPixels() && !marks)
        return true;
    switch (userPrompt().choose(programTitle(), text(), buttons())) {
    case 0:
        if (SaveImage)
            SaveImage(saveElsewhere);
        return !m_doc.hasUnsavedPixels();
    case 1: return true;
    default: return false;
    }
}

}  // namespace tavlo
