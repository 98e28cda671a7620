#pragma once

#include <QLoggingCategory>

namespace tavlo::scan {

// The scanning layer's log ("tavlo.scan"): every SANE call is logged as "call -> status".
// Warnings show by default; the calls are logged at info level (frame details at debug level):
// QT_LOGGING_RULES="tavlo.scan.info=true" or "tavlo.scan.debug=true" shows them.
Q_DECLARE_LOGGING_CATEGORY(lcScan)

}  // namespace tavlo::scan
