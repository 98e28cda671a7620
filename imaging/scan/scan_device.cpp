#include "imaging/scan/scan_device.h"

namespace tavlo::scan {

QString ScanDevice::displayName() const
{
    const QString text = (vendor + QLatin1Char(' ') + model).trimmed();
    return text.isEmpty() ? name : text;
}

}  // namespace tavlo::scan
