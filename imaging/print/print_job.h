#pragma once

#include "imaging/image.h"
#include "imaging/print/print_settings.h"

#include <QList>
#include <QPageLayout>
#include <QRect>
#include <QString>

#include <memory>

class QPrinter;

namespace tavlo {

// One image placed on a printed page; the rectangle is in 0.1 mm from the top-left corner of the
// printable area.
struct PlacedImage {
    Image image;
    QRect tenthsMm;
};

// Everything one print job needs, gathered on the user-interface thread, so that it can be
// rendered and sent on another one: the pages, the page layout and resolution the printable area
// was measured with, and where the job goes.
struct PrintJob {
    QString docName;
    PrintSettings settings;  // settings.toPdf: written to settings.pdfFile
    QPageLayout layout;
    int resolution = 0;                 // dots per inch of the device coordinates
    std::unique_ptr<QPrinter> printer;  // the print queue's printer, made on the user-interface
                                        // thread (Qt's print system is not asked from elsewhere)
    QList<QList<PlacedImage>> pages;

    PrintJob();
    ~PrintJob();
    PrintJob(PrintJob&&) noexcept;
    PrintJob& operator=(PrintJob&&) noexcept;

    // Where the job goes, for messages: the PDF file or the print queue.
    QString target() const;
};

// Renders the job and sends it: to the print queue, or to the PDF file through AtomicFile (a job
// that fails leaves no file and whatever was there before untouched). The image keeps its own
// pixels at their own resolution either way: for a print queue it is drawn into its rectangle in
// the device's own coordinates with lossless image rendering (the print system gets the pixels,
// not a copy resampled to the page), a PDF file holds it as it is (writePdfImages); a 1-bit page
// stays sharp black and white.
// "" when the job was handed over completely, otherwise the reason in Japanese.
// Any thread; the job must not be shared.
QString renderPrintJob(PrintJob& job);

}  // namespace tavlo
