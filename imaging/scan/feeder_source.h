#pragma once

#include <QString>

namespace tavlo::scan {

// True when a SANE source value names a document feeder ("Automatic Document Feeder", "ADF",
// "ADF Duplex", ...): a run goes on until NO_DOCS, and a preview would feed a sheet away.
bool isFeederSource(const QString& source);

}  // namespace tavlo::scan
