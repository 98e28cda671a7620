#pragma once

#include "imaging/scan/scan_dialogs.h"

#include <QPointer>

class QProgressDialog;

namespace tavlo::scan {

// The scanner questions as real dialogs: ScanSourceDialog, ScanSettingsDialog and a progress
// dialog (page number, percentage, Cancel) that is modal to the owner window while a run lasts.
class QtScanDialogs : public ScanDialogs {
public:
    ~QtScanDialogs() override;

    int chooseDevice(const QList<ScanDevice>& devices, int current, QWidget* owner) override;
    bool editSettings(const ScanDevice& device, const QList<ScanOption>& options,
                      ScanSettings& settings, QWidget* owner) override;
    void progressStarted(const ScanDevice& device, std::function<void()> cancel,
                         QWidget* owner) override;
    void progressChanged(int page, int percent) override;
    void progressFinished() override;

private:
    QPointer<QProgressDialog> m_progress;
    QString m_deviceName;
};

}  // namespace tavlo::scan
