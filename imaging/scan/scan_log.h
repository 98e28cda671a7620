#pragma once

#include <QLoggingCategory>

namespace tavlo::scan {

// The scanning layer's log ("tavlo.scan"): every SANE call is logged as "call -> status".
// Enable with QT_LOGGING_RULES="tavlo.scan.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcScan)

}  // namespace tavlo::scan
