#pragma once

#include "imaging/image.h"

#include <QMetaType>
#include <QString>

namespace tavlo::scan {

// What the scanning thread hands to the user-interface thread, without SANE's header: the window
// side (the scanner object and everything that includes it) never sees <sane/sane.h>. Statuses
// are SANE_Status values carried as int.

// SANE_STATUS_GOOD.
inline constexpr int kStatusGood = 0;

// The status of an open that found no device at all (SANE lists none); not a SANE status.
inline constexpr int kStatusNoDevice = -1;

// One page handed from the scanning thread to the user-interface thread.
struct ScannedPage {
    int page = 0;  // counts from 1 within a run
    Image image;
};

// How a run ended.
struct ScanRunResult {
    // The SANE status that ended the run: GOOD (the flatbed page is done), NO_DOCS (the feeder is
    // empty), CANCELLED (by us or by the device), or the error.
    int status = kStatusGood;
    int pages = 0;       // pages handed over
    int failedPage = 0;  // the page being read when the run failed; 0 before the first page
    QString detail;      // a failure that is not a SANE status (a frame we cannot take), Japanese

    // True unless the run ended with GOOD, NO_DOCS or CANCELLED and no detail.
    bool failed() const;
};

}  // namespace tavlo::scan

Q_DECLARE_METATYPE(tavlo::scan::ScannedPage)
Q_DECLARE_METATYPE(tavlo::scan::ScanRunResult)
