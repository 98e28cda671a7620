#include "environment/user_prompt.h"

#include "environment/replaceable_service.h"
#include "environment/qt_user_prompt.h"

namespace tavlo {
namespace {
ReplaceableService<UserPrompt, QtUserPrompt> service;
}

UserPrompt& userPrompt()
{
    return service.get();
}

void setUserPrompt(UserPrompt* prompt)
{
    service.install(prompt);
}

}  // namespace tavlo
