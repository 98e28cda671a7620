#include "environment/environment_log.h"

namespace tavlo {

Q_LOGGING_CATEGORY(lcEnvironment, "tavlo.environment", QtWarningMsg)

}  // namespace tavlo
