#include "imaging/scan/scanner_memory.h"

#include "imaging/scan/scan_log.h"

#include <QSettings>
#include <QStandardPaths>

namespace tavlo::scan {
namespace {

const QString kDevicePrefix = QStringLiteral("Device");

// The group holding a device's settings, or "" when the device has none yet.
QString groupOf(QSettings& ini, const QString& device)
{
    for (const QString& group : ini.childGroups()) {
        if (group.startsWith(kDevicePrefix) &&
            ini.value(group + QStringLiteral("/Name")).toString() == device)
            return group;
    }
    return QString();
}

void reportStatus(const QSettings& ini)
{
    if (ini.status() != QSettings::NoError)
        qCWarning(lcScan) << "scanner memory" << ini.fileName() << "could not be written";
}

}  // namespace

ScannerMemory::ScannerMemory(QString file) : m_file(std::move(file)) { }

QString ScannerMemory::defaultFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/tavlo/scanner.ini");
}

QString ScannerMemory::chosenDevice() const
{
    QSettings ini(m_file, QSettings::IniFormat);
    return ini.value(QStringLiteral("Scanner/Device")).toString();
}

void ScannerMemory::setChosenDevice(const QString& name)
{
    QSettings ini(m_file, QSettings::IniFormat);
    ini.setValue(QStringLiteral("Scanner/Device"), name);
    ini.sync();
    reportStatus(ini);
}

bool ScannerMemory::settings(const QString& device, ScanSettings& out) const
{
    QSettings ini(m_file, QSettings::IniFormat);
    const QString group = groupOf(ini, device);
    if (group.isEmpty())
        return false;
    ScanSettings settings;
    settings.paper = ini.value(group + QStringLiteral("/Paper")).toString();
    const QStringList pairs = ini.value(group + QStringLiteral("/Options")).toStringList();
    for (qsizetype i = 0; i + 1 < pairs.size(); i += 2)
        settings.set(pairs[i], pairs[i + 1]);
    out = settings;
    return true;
}

void ScannerMemory::setSettings(const QString& device, const ScanSettings& settings)
{
    QSettings ini(m_file, QSettings::IniFormat);
    QString group = groupOf(ini, device);
    if (group.isEmpty()) {
        int n = 1;
        while (ini.childGroups().contains(kDevicePrefix + QString::number(n)))
            ++n;
        group = kDevicePrefix + QString::number(n);
    }
    QStringList pairs;
    for (const auto& [name, value] : settings.values)
        pairs << name << value;
    ini.setValue(group + QStringLiteral("/Name"), device);
    ini.setValue(group + QStringLiteral("/Paper"), settings.paper);
    ini.setValue(group + QStringLiteral("/Options"), pairs);
    ini.sync();
    reportStatus(ini);
}

}  // namespace tavlo::scan
