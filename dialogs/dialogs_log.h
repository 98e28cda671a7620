#pragma once

#include <QLoggingCategory>

namespace tavlo {

// The dialogs' log: what a dialog could not find (no printer for the resolution dialog). Warnings
// show by default; info-level entries show with QT_LOGGING_RULES="tavlo.dialogs.info=true".
Q_DECLARE_LOGGING_CATEGORY(lcDialogs)

}  // namespace tavlo
