#include "imaging/scan/scan_run.h"

#include <sane/sane.h>

namespace tavlo::scan {

static_assert(kStatusGood == SANE_STATUS_GOOD);

bool ScanRunResult::failed() const
{
    return !detail.isEmpty() || !(status == SANE_STATUS_GOOD || status == SANE_STATUS_NO_DOCS ||
                                  status == SANE_STATUS_CANCELLED);
}

}  // namespace tavlo::scan
