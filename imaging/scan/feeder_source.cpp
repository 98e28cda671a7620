#include "imaging/scan/feeder_source.h"

namespace tavlo::scan {

bool isFeederSource(const QString& source)
{
    const QString s = source.toLower();
    return s.contains(QLatin1String("adf")) || s.contains(QLatin1String("feeder")) ||
           s.contains(QLatin1String("duplex")) || s.contains(QLatin1String("automatic"));
}

}  // namespace tavlo::scan
