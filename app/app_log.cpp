#include "app/app_log.h"

namespace tavlo {

Q_LOGGING_CATEGORY(lcApp, "tavlo.app", QtWarningMsg)

}  // namespace tavlo
