#include "environment/user_prompt.h"

#include "environment/qt_user_prompt.h"

namespace tavlo {
namespace {
UserPrompt* installed = nullptr;
}

UserPrompt& userPrompt()
{
    if (installed)
        return *installed;
    static QtUserPrompt qtPrompt;
    return qtPrompt;
}

void setUserPrompt(UserPrompt* prompt)
{
    installed = prompt;
}

}  // namespace tavlo
