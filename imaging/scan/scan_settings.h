#pragma once

#include <QList>
#include <QMetaType>
#include <QPair>
#include <QString>
#include <QStringList>

namespace tavlo::scan {

// The option values a run scans with, by SANE option name, as canonical text (see ScanOption).
// The scanning thread applies the well-known options first, in the order kAppliedFirst lists
// (source and mode change what resolution and area allow), then the others in their order here.
// Values outside what the device allows are brought inside its constraint; names the device does
// not have, or options that are inactive at that point, are skipped.
struct ScanSettings {
    // SANE's well-known option names.
    static inline const QString kSource = QStringLiteral("source");
    static inline const QString kMode = QStringLiteral("mode");
    static inline const QString kDepth = QStringLiteral("depth");
    static inline const QString kResolution = QStringLiteral("resolution");
    static inline const QString kLeft = QStringLiteral("tl-x");
    static inline const QString kTop = QStringLiteral("tl-y");
    static inline const QString kRight = QStringLiteral("br-x");
    static inline const QString kBottom = QStringLiteral("br-y");
    static const QStringList& appliedFirst();

    QList<QPair<QString, QString>> values;
    QString paper;  // the paper preset the area came from (a PaperSize key), "" for a free area

    bool has(const QString& name) const;
    QString value(const QString& name) const;  // "" when absent
    void set(const QString& name, const QString& value);
    void remove(const QString& name);

    // The values in the order the scanning thread applies them.
    QList<QPair<QString, QString>> inApplyOrder() const;
};

}  // namespace tavlo::scan

Q_DECLARE_METATYPE(tavlo::scan::ScanSettings)
