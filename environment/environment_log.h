#pragma once

#include <QLoggingCategory>

namespace tavlo {

// The environment layer's log: what the settings store and the shell helpers could not do (they
// fail quietly towards the user). Warnings show by default; info-level entries show with
// QT_LOGGING_RULES="tavlo.environment.info=true".
Q_DECLARE_LOGGING_CATEGORY(lcEnvironment)

}  // namespace tavlo
