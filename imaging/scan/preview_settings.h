#pragma once

#include "imaging/scan/scan_option.h"
#include "imaging/scan/scan_settings.h"

#include <QList>
#include <QRectF>

#include <optional>

namespace tavlo::scan {

// The resolution a preview is scanned at: the device's nearest to this.
inline constexpr double kPreviewDpi = 75.0;

// The settings of a preview scan, made from the settings the dialog shows: the device's whole
// area, its resolution nearest to kPreviewDpi, the chosen mode except that line art and halftone
// become the device's grey mode (a black-and-white preview hides a photo's edges), 8 bits per
// sample when the device offers them. Every other value stays as shown, so the preview looks
// like the scan will.
ScanSettings previewSettings(const QList<ScanOption>& options, const ScanSettings& shown);

// The device's whole area in its unit: from the least tl-x, tl-y to the largest br-x, br-y. No
// result when the device has no ranged area options.
std::optional<QRectF> deviceArea(const QList<ScanOption>& options);

// True when the shown source is a document feeder, which cannot preview without feeding a page
// away.
bool feedsPages(const ScanSettings& shown);

}  // namespace tavlo::scan
