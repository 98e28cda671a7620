#pragma once

#include "imaging/scan/scan_settings.h"

#include <QString>

namespace tavlo::scan {

// What the scanner object remembers between runs of the program: the device chosen with
// "ｿｰｽの選択" and the last settings used on each device.
//
// Kept in an INI file, by default $XDG_CONFIG_HOME/tavlo/scanner.ini (~/.config/tavlo/...):
//   [Scanner]   Device=<SANE name of the chosen device>
//   [Device1]   Name=<SANE name>, Paper=<PaperSize key>, Options=<name, value, name, value, ...>
// A missing or unreadable file means nothing is remembered; a file that cannot be written only
// loses the memory (logged), never a scan. User-interface thread only.
class ScannerMemory {
public:
    explicit ScannerMemory(QString file = defaultFile());
    static QString defaultFile();
    const QString& file() const { return m_file; }

    QString chosenDevice() const;  // "" when none was chosen
    void setChosenDevice(const QString& name);

    // The last settings used on the device; false when there are none.
    bool settings(const QString& device, ScanSettings& out) const;
    void setSettings(const QString& device, const ScanSettings& settings);

private:
    QString m_file;
};

}  // namespace tavlo::scan
