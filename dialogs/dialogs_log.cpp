#include "dialogs/dialogs_log.h"

namespace tavlo {

Q_LOGGING_CATEGORY(lcDialogs, "tavlo.dialogs", QtWarningMsg)

}  // namespace tavlo
