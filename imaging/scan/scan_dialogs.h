#pragma once

#include "imaging/scan/open_scanner.h"
#include "imaging/scan/scan_device.h"
#include "imaging/scan/scan_option.h"
#include "imaging/scan/scan_settings.h"

#include <QList>

#include <functional>

class QWidget;

namespace tavlo::scan {

// The questions the scanner object asks the user, behind one seam so that tests and unattended runs
// answer them without a person: QtScanDialogs shows real dialogs, the tests' PresetScanDialogs
// (tests/support) answers from preset values. Messages do not go through here but through
// userPrompt(). All calls come on the user-interface thread.
class ScanDialogs {
public:
    virtual ~ScanDialogs() = default;

    // "ｿｰｽの選択": the devices found (never empty) and the index of the remembered one (-1 none).
    // The chosen index, or -1 when the user cancelled.
    virtual int chooseDevice(const QList<ScanDevice>& devices, int current, QWidget* owner) = 0;

    // The scan settings of a run on the open device, whose options are given. settings comes in
    // as the remembered (or default) values and goes out as the values to scan with. false when
    // the user cancelled: nothing is scanned. open: the device itself, for live option changes
    // and a preview (nullptr when there is none); valid until this returns.
    virtual bool editSettings(const ScanDevice& device, const QList<ScanOption>& options,
                              ScanSettings& settings, QWidget* owner, OpenScanner* open) = 0;

    // The progress display of a run. started comes before the first page; changed as pages are
    // read (page counts from 1; percent 0..100 within the page, -1 while its length is unknown),
    // never ahead of the pages raised: page n shows only once page n - 1 was raised; finished
    // once the run ended. Calling cancel (at any time until finished, also from inside changed)
    // stops the run: the pages raised stay, so a Cancel while page n shows keeps pages 1..n-1.
    virtual void progressStarted(const ScanDevice& device, std::function<void()> cancel,
                                 QWidget* owner) = 0;
    virtual void progressChanged(int page, int percent) = 0;
    virtual void progressFinished() = 0;
};

}  // namespace tavlo::scan
