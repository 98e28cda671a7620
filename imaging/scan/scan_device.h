#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

namespace tavlo::scan {

// One scanner as SANE lists it: name is what opens it ("test:0", "airscan:e0:..."); vendor, model
// and type ("flatbed scanner", "virtual device") are for people.
struct ScanDevice {
    QString name;
    QString vendor;
    QString model;
    QString type;

    // "vendor model" for titles and lists; the name when both are empty.
    QString displayName() const;
};

}  // namespace tavlo::scan

Q_DECLARE_METATYPE(tavlo::scan::ScanDevice)
