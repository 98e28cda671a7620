#pragma once

#include <QByteArray>
#include <QMarginsF>
#include <QSizeF>
#include <QString>

#include <optional>

class QPrinter;

namespace tavlo {

// The printer a person chose and its page settings, as the print settings file "IkPrn.Ik" keeps
// them between runs. A plain value: safe to copy and to hand to another thread.
//
// The file is UTF-8 text, a first line "IkPrn 1" and then one "key=value" line per setting:
//   output=printer|pdf   printer=<print queue>   file=<PDF file when output=pdf>
//   paper=<QPageSize::PageSizeId>,<width>x<height> (millimetres)   source=<QPrinter::PaperSource>
//   orientation=portrait|landscape   margins=<left>,<top>,<right>,<bottom> (millimetres)
//   colour=colour|grey   duplex=<QPrinter::DuplexMode>   copies=<1..999>   resolution=<dpi>
// Every key must be present exactly once with a valid value; anything else makes the file damaged,
// which its reader treats like no file at all (the printer dialog is shown again).
struct PrintSettings {
    bool toPdf = false;
    QString printerName;
    QString pdfFile;
    int paperId = 0;  // QPageSize::PageSizeId; Custom uses paperMm
    QSizeF paperMm;
    int paperSource = 0;
    bool landscape = false;
    QMarginsF marginsMm;
    bool colour = true;
    int duplex = 0;
    int copies = 1;
    int resolution = 0;

    // What the printer is set to now.
    static PrintSettings capture(const QPrinter& printer);

    // Sets the printer to these settings.
    void applyTo(QPrinter& printer) const;

    QByteArray toText() const;
    // The settings of a file's bytes; nothing when the bytes are damaged.
    static std::optional<PrintSettings> fromText(const QByteArray& text);

    bool operator==(const PrintSettings&) const = default;
};

}  // namespace tavlo
