#pragma once

#include <QLoggingCategory>

namespace tavlo {

// The imaging layer's log (scanning has its own, imaging/scan/scan_log.h): every file that could
// not be read or written, with the reason. Warnings show by default; info-level entries show with
// QT_LOGGING_RULES="tavlo.imaging.info=true".
Q_DECLARE_LOGGING_CATEGORY(lcImaging)

}  // namespace tavlo
