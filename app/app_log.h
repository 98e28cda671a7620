#pragma once

#include <QLoggingCategory>

namespace tavlo {

// The process log: start and end of the program. Warnings show by default; info-level entries show
// with QT_LOGGING_RULES="tavlo.app.info=true".
Q_DECLARE_LOGGING_CATEGORY(lcApp)

}  // namespace tavlo
