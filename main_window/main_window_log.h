#pragma once

#include <QLoggingCategory>

namespace tavlo {

// The main window's log: every command that stopped with a message, with what the user was told.
// Warnings show by default; info-level entries show with QT_LOGGING_RULES="tavlo.window.info=true".
Q_DECLARE_LOGGING_CATEGORY(lcWindow)

}  // namespace tavlo
