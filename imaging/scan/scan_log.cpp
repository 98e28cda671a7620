#include "imaging/scan/scan_log.h"

namespace tavlo::scan {

Q_LOGGING_CATEGORY(lcScan, "tavlo.scan", QtWarningMsg)

}  // namespace tavlo::scan
