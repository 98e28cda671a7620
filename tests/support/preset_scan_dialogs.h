#pragma once

#include "imaging/scan/scan_dialogs.h"

#include <QMap>
#include <QPair>

namespace tavlo::scan {

// The tests' scanner dialogs: answers every scanner question from preset values, without a
// window. It records what it was asked, so a test can check the device list, the options
// and the progress a run showed.
class PresetScanDialogs : public ScanDialogs {
public:
    // chooseDevice: the device of this name; when "" or not listed, the index deviceIndex
    // (-1 answers Cancel).
    QString deviceName;
    int deviceIndex = 0;

    // editSettings: false answers Cancel. Otherwise the remembered values are kept, then
    // paper (when not "") sets the area from the top-left corner, then every value of overrides
    // replaces the one of its name.
    bool acceptSettings = true;
    QString paper;
    QMap<QString, QString> overrides;
    // Called first, with the open device, as a person using the dialog would (options, preview).
    std::function<void(OpenScanner*)> whileOpen;

    // progressChanged: when a page with this number starts (percent 0 or -1), cancel is called,
    // as a person pressing Cancel while that page is read. 0 = never.
    int cancelWhenPageStarts = 0;

    // What was asked.
    QList<ScanDevice> devicesShown;
    ScanDevice settingsDevice;
    QList<ScanOption> optionsShown;
    ScanSettings settingsShown;       // the values editSettings was given
    QList<QPair<int, int>> progress;  // every (page, percent) in order
    int progressStartedCount = 0;
    int progressFinishedCount = 0;

    int chooseDevice(const QList<ScanDevice>& devices, int current, QWidget* owner) override;
    bool editSettings(const ScanDevice& device, const QList<ScanOption>& options,
                      ScanSettings& settings, QWidget* owner, OpenScanner* open) override;
    void progressStarted(const ScanDevice& device, std::function<void()> cancel,
                         QWidget* owner) override;
    void progressChanged(int page, int percent) override;
    void progressFinished() override;

private:
    std::function<void()> m_cancel;
};

}  // namespace tavlo::scan
