#pragma once

#include "imaging/image.h"
#include "imaging/scan/scan_settings.h"

#include <QObject>
#include <QString>

namespace tavlo::scan {

// How a preview scan ended.
enum class PreviewEnd {
    Done,       // the image arrived
    Cancelled,  // cancel() stopped it; no image
    Failed,     // the scanner failed; message says why (Japanese); no image
};

// Where the scan-settings dialog gets its preview from: one page scanned on the device the dialog
// belongs to, handed back as an image. It is never a page of the user's: it raises no
// ImageAcquired and goes into no file.
//
// Threading: every member is for the user-interface thread, and start() returns at once; the
// page is read elsewhere and finished() comes later, once per start() that returned true.
class PreviewSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Scans one page with the preview's settings (see previewSettings()) and leaves the device
    // with the settings the dialog shows. false when a preview is already going on or the device
    // cannot take one now; then no finished() follows.
    virtual bool start(const ScanSettings& preview, const ScanSettings& shown) = 0;

    // Stops the preview going on as soon as the scanner allows; finished() then says Cancelled
    // (or Done, when the page was complete already). Nothing when idle.
    virtual void cancel() = 0;

    virtual bool isBusy() const = 0;

signals:
    // percent 0..100 of the page, -1 while its length is unknown.
    void progressChanged(int percent);
    // image carries the resolution it was scanned at as dots per inch; null unless end is Done.
    void finished(const tavlo::Image& image, tavlo::scan::PreviewEnd end, const QString& message);
};

}  // namespace tavlo::scan
