#include "imaging/scan/scan_settings.h"

namespace tavlo::scan {

const QStringList& ScanSettings::appliedFirst()
{
    static const QStringList names = {kSource, kMode, kDepth, kResolution,
                                      kLeft,   kTop,  kRight, kBottom};
    return names;
}

bool ScanSettings::has(const QString& name) const
{
    for (const auto& v : values) {
        if (v.first == name)
            return true;
    }
    return false;
}

QString ScanSettings::value(const QString& name) const
{
    for (const auto& v : values) {
        if (v.first == name)
            return v.second;
    }
    return QString();
}

void ScanSettings::set(const QString& name, const QString& value)
{
    for (auto& v : values) {
        if (v.first == name) {
            v.second = value;
            return;
        }
    }
    values.append({name, value});
}

void ScanSettings::remove(const QString& name)
{
    values.removeIf([&name](const QPair<QString, QString>& v) { return v.first == name; });
}

QList<QPair<QString, QString>> ScanSettings::inApplyOrder() const
{
    QList<QPair<QString, QString>> ordered;
    for (const QString& name : appliedFirst()) {
        if (has(name))
            ordered.append({name, value(name)});
    }
    for (const auto& v : values) {
        if (!appliedFirst().contains(v.first))
            ordered.append(v);
    }
    return ordered;
}

}  // namespace tavlo::scan
