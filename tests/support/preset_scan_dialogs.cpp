#include "tests/support/preset_scan_dialogs.h"

#include "imaging/scan/paper_size.h"

namespace tavlo::scan {

int PresetScanDialogs::chooseDevice(const QList<ScanDevice>& devices, int, QWidget*)
{
    devicesShown = devices;
    for (int i = 0; i < devices.size(); ++i) {
        if (!deviceName.isEmpty() && devices[i].name == deviceName)
            return i;
    }
    return deviceIndex >= 0 && deviceIndex < devices.size() ? deviceIndex : -1;
}

bool PresetScanDialogs::editSettings(const ScanDevice& device, const QList<ScanOption>& options,
                                     ScanSettings& settings, QWidget*, OpenScanner* open)
{
    settingsDevice = device;
    optionsShown = options;
    settingsShown = settings;
    if (whileOpen)
        whileOpen(open);
    if (!acceptSettings)
        return false;
    if (const PaperSize* size = PaperSize::find(paper)) {
        const ScanOption* left = findOption(options, ScanSettings::kLeft);
        const ScanOption* top = findOption(options, ScanSettings::kTop);
        const double x =
            left && left->constraint == ScanOption::Constraint::Range ? left->minimum : 0;
        const double y = top && top->constraint == ScanOption::Constraint::Range ? top->minimum : 0;
        settings.set(ScanSettings::kLeft, QString::number(x));
        settings.set(ScanSettings::kTop, QString::number(y));
        settings.set(ScanSettings::kRight, QString::number(x + size->widthMm));
        settings.set(ScanSettings::kBottom, QString::number(y + size->heightMm));
        settings.paper = size->key;
    }
    for (auto it = overrides.cbegin(); it != overrides.cend(); ++it)
        settings.set(it.key(), it.value());
    return true;
}

void PresetScanDialogs::progressStarted(const ScanDevice&, std::function<void()> cancel, QWidget*)
{
    ++progressStartedCount;
    m_cancel = std::move(cancel);
}

void PresetScanDialogs::progressChanged(int page, int percent)
{
    progress.append({page, percent});
    if (cancelWhenPageStarts > 0 && page == cancelWhenPageStarts && percent <= 0 && m_cancel)
        m_cancel();
}

void PresetScanDialogs::progressFinished()
{
    ++progressFinishedCount;
    m_cancel = nullptr;
}

}  // namespace tavlo::scan
