#pragma once

#include "imaging/image.h"

#include <QHash>
#include <QRectF>
#include <QString>

#include <optional>

namespace tavlo::scan {

// The last preview and scan area of each device, kept for the rest of the program's run, so that
// the scan-settings dialog opens again showing the page the user last looked at and the area
// they last drew. Nothing of it is written to disk: a preview of an old page is worthless in the
// next session. User-interface thread only.
class PreviewMemory {
public:
    struct Preview {
        Image image;     // with the dots per inch it was scanned at
        QRectF glassMm;  // the area of the device the image covers, in the device's unit
    };

    static PreviewMemory& instance();

    std::optional<Preview> preview(const QString& device) const;
    void setPreview(const QString& device, const Preview& preview);

    // The area shown when the dialog of the device last closed, in the device's unit.
    std::optional<QRectF> area(const QString& device) const;
    void setArea(const QString& device, const QRectF& area);

    void clear();

private:
    QHash<QString, Preview> m_previews;
    QHash<QString, QRectF> m_areas;
};

}  // namespace tavlo::scan
