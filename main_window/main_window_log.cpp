#include "main_window/main_window_log.h"

namespace tavlo {

Q_LOGGING_CATEGORY(lcWindow, "tavlo.window", QtWarningMsg)

}  // namespace tavlo
