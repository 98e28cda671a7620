#pragma once

#include <QList>
#include <QString>

namespace tavlo::scan {

// The paper presets of the scan-settings dialog, portrait, in millimetres.
struct PaperSize {
    QString key;    // stored in the remembered settings: "A4", "B5", "Letter", ...
    QString label;  // what the dialog lists
    double widthMm = 0;
    double heightMm = 0;

    // Every preset, the most used first; B sizes are the Japanese (JIS) B series.
    static const QList<PaperSize>& all();
    // The preset of a key; nullptr for "" and unknown keys.
    static const PaperSize* find(const QString& key);
    // The preset whose size matches width x height within half a millimetre; nullptr otherwise.
    static const PaperSize* matching(double widthMm, double heightMm);
};

}  // namespace tavlo::scan
