#include "imaging/scan/preview_settings.h"

#include "imaging/scan/feeder_source.h"

#include <sane/saneopts.h>

namespace tavlo::scan {
namespace {

bool isRanged(const ScanOption* o)
{
    return o && o->isEditable() && o->constraint == ScanOption::Constraint::Range;
}

bool isBlackAndWhite(const QString& mode)
{
    const QString m = mode.toLower();
    return m == QLatin1String("lineart") || m == QLatin1String("binary") ||
           m == QLatin1String("black & white") || m == QLatin1String("halftone");
}

// The device's grey mode among the modes it lists; "" when it has none.
QString greyMode(const ScanOption& mode)
{
    for (const QString& s : mode.strings) {
        const QString m = s.toLower();
        if (m == QLatin1String("gray") || m == QLatin1String("grey") ||
            m == QLatin1String("grayscale") || m == QLatin1String("greyscale"))
            return s;
    }
    return QString();
}

}  // namespace

std::optional<QRectF> deviceArea(const QList<ScanOption>& options)
{
    const ScanOption* left = findOption(options, ScanSettings::kLeft);
    const ScanOption* top = findOption(options, ScanSettings::kTop);
    const ScanOption* right = findOption(options, ScanSettings::kRight);
    const ScanOption* bottom = findOption(options, ScanSettings::kBottom);
    if (!isRanged(left) || !isRanged(top) || !isRanged(right) || !isRanged(bottom))
        return std::nullopt;
    const QRectF area(QPointF(left->minimum, top->minimum),
                      QPointF(right->maximum, bottom->maximum));
    if (!(area.width() > 0) || !(area.height() > 0))
        return std::nullopt;
    return area;
}

ScanSettings previewSettings(const QList<ScanOption>& options, const ScanSettings& shown)
{
    ScanSettings settings = shown;
    settings.paper.clear();
    if (const std::optional<QRectF> area = deviceArea(options)) {
        const auto number = [](double v) { return QString::number(v, 'g', 10); };
        settings.set(ScanSettings::kLeft, number(area->left()));
        settings.set(ScanSettings::kTop, number(area->top()));
        settings.set(ScanSettings::kRight, number(area->right()));
        settings.set(ScanSettings::kBottom, number(area->bottom()));
    }
    if (const ScanOption* resolution = findOption(options, ScanSettings::kResolution);
        resolution && resolution->isEditable()) {
        const QString dpi = resolution->constrained(QString::number(kPreviewDpi));
        if (!dpi.isEmpty())
            settings.set(ScanSettings::kResolution, dpi);
    }
    // Devices with separate x and y resolutions take the same preview resolution on both.
    for (const char* name : {SANE_NAME_SCAN_X_RESOLUTION, SANE_NAME_SCAN_Y_RESOLUTION}) {
        const ScanOption* o = findOption(options, QLatin1String(name));
        if (o && o->isEditable() && settings.has(QLatin1String(name)))
            settings.set(QLatin1String(name), o->constrained(QString::number(kPreviewDpi)));
    }
    if (const ScanOption* mode = findOption(options, ScanSettings::kMode);
        mode && mode->isEditable()) {
        const QString chosen =
            settings.has(ScanSettings::kMode) ? settings.value(ScanSettings::kMode) : mode->value;
        const QString grey = greyMode(*mode);
        if (isBlackAndWhite(chosen) && !grey.isEmpty())
            settings.set(ScanSettings::kMode, grey);
    }
    if (const ScanOption* depth = findOption(options, ScanSettings::kDepth);
        depth && depth->isEditable() &&
        depth->constrained(QStringLiteral("8")) == QLatin1String("8"))
        settings.set(ScanSettings::kDepth, QStringLiteral("8"));
    return settings;
}

bool feedsPages(const ScanSettings& shown)
{
    return shown.has(ScanSettings::kSource) && isFeederSource(shown.value(ScanSettings::kSource));
}

}  // namespace tavlo::scan
