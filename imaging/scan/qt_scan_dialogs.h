#pragma once

#include "imaging/scan/scan_dialogs.h"

#include <QPointer>

namespace tavlo::scan {

class ScanProgressDialog;

// The scanner questions as real dialogs: ScanSourceDialog, ScanSettingsDialog and a
// ScanProgressDialog (page number, percentage, Cancel) that is modal to the owner window while a
// run lasts.
class QtScanDialogs : public ScanDialogs {
public:
    ~QtScanDialogs() override;

    int chooseDevice(const QList<ScanDevice>& devices, int current, QWidget* owner) override;
    bool editSettings(const ScanDevice& device, const QList<ScanOption>& options,
                      ScanSettings& settings, QWidget* owner, OpenScanner* open) override;
    void progressStarted(const ScanDevice& device, std::function<void()> cancel,
                         QWidget* owner) override;
    void progressChanged(int page, int percent) override;
    void progressFinished() override;

private:
    QPointer<ScanProgressDialog> m_progress;
};

}  // namespace tavlo::scan
