#pragma once

#include "imaging/scan/open_scanner.h"
#include "imaging/scan/preview_source.h"

namespace tavlo::scan {

// Previews on the device open in the scan helper while the settings dialog is shown
// (OpenScanner::scanOnePage): the page comes back by the helper's memory, never as ImageAcquired
// and never into a file. Afterwards the settings the dialog shows are set on the device again, one
// by one in the order a run applies them, so the device is left as the dialog shows it (the
// dialog's dependent options are answered from that state).
//
// start() returns at once; the page is read from a zero timer, inside the open scanner's local
// event loop, so the dialog keeps painting and "中止" keeps working. The open scanner must outlive
// this object (the dialog owns both for the time editSettings runs).
class OpenScannerPreview : public PreviewSource {
    Q_OBJECT
public:
    OpenScannerPreview(OpenScanner* open, QObject* parent = nullptr);

    bool start(const ScanSettings& preview, const ScanSettings& shown) override;
    void cancel() override;
    bool isBusy() const override { return m_busy; }

private:
    void run();
    void restore();

    OpenScanner* m_open;
    ScanSettings m_preview;
    ScanSettings m_shown;
    bool m_busy = false;
    bool m_scanning = false;
    bool m_cancelled = false;
};

}  // namespace tavlo::scan
