#pragma once

#include <QString>

#include <sane/sane.h>

namespace tavlo::scan {

// The one place where a SANE status becomes what the user reads.
//
// CANCELLED (the user stopped the run) and NO_DOCS (the feeder is empty) end a run normally;
// EOF ends a frame. Everything else ends the run with the Japanese reason statusReason() gives.
bool isNormalEnding(SANE_Status status);

// Why a SANE call failed, as one Japanese sentence for a message box ("" for GOOD, CANCELLED,
// NO_DOCS and EOF). Unknown codes (a newer backend) get a generic text naming the code.
QString statusReason(SANE_Status status);

// The SANE name of the status for the log ("SANE_STATUS_JAMMED"); never translated.
const char* statusName(SANE_Status status);

}  // namespace tavlo::scan
