#pragma once

#include "imaging/image.h"
#include "imaging/scan/scan_option.h"
#include "imaging/scan/scan_settings.h"

#include <QList>
#include <QString>

#include <functional>

namespace tavlo::scan {

// The device open in the scan helper while the scan-settings dialog is shown: the dialog sets
// options as the user changes them (so it shows what the device made of them) and may scan one
// page, a preview, before the run. ScannerObject gives one to ScanDialogs::editSettings; it is
// valid until editSettings returns. User-interface thread only; each call runs a local event
// loop until the helper answers (the window keeps painting), and a helper that hangs or crashes
// meanwhile ends the call with a reason; the run that follows then reports it.
class OpenScanner {
public:
    virtual ~OpenScanner() = default;

    // Sets one option (value as canonical text, see ScanOption). options: every option as the
    // device now has them (values rounded or clamped, options enabled or disabled by the change);
    // info: SANE's SANE_INFO_* bits of the answer (1 inexact, 2 reload options, 4 reload
    // parameters). false with a Japanese reason when the device refused or did not answer.
    virtual bool setOption(const QString& name, const QString& value, QList<ScanOption>& options,
                           int& info, QString& reason) = 0;

    // Applies the settings and scans one page (whatever the source: a feeder gives its next
    // sheet), leaving the device open for more. progress(percent) follows the page (-1 while
    // its length is unknown); cancelOnePage() from inside it stops the scan. A null image with a
    // Japanese reason when no page came ("" when cancelled).
    virtual Image scanOnePage(const ScanSettings& settings, QString& reason,
                              const std::function<void(int percent)>& progress = {}) = 0;
    virtual void cancelOnePage() = 0;
};

}  // namespace tavlo::scan
