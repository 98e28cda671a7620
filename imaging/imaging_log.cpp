#include "imaging/imaging_log.h"

namespace tavlo {

Q_LOGGING_CATEGORY(lcImaging, "tavlo.imaging", QtWarningMsg)

}  // namespace tavlo
