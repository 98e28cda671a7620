#pragma once

#include "imaging/print/printer_access.h"

#include <QMarginsF>
#include <QPageSize>
#include <QString>
#include <QStringList>

namespace tavlo::test {

// A PrinterAccess that answers the printer dialog itself: OK chooses the PDF file pdfFile on
// pageSize with marginsMm (or Cancel when accept is false). It counts the dialogs and knows the
// print queues listed in queues. It installs itself for its lifetime.
class RecordingPrinter : public PrinterAccess {
public:
    RecordingPrinter();
    ~RecordingPrinter() override;

    bool showDialog(QPrinter& printer, QAbstractPrintDialog::PrintDialogOptions options,
                    QWidget* parent) override;
    bool printerExists(const QString& name) override;

    bool accept = true;
    QString pdfFile;
    QPageSize pageSize{QPageSize::A4};
    QMarginsF marginsMm;
    QStringList queues;

    int dialogs = 0;
    QAbstractPrintDialog::PrintDialogOptions lastOptions;
};

// What poppler reads back from a PDF file.
struct PdfPage {
    QSizeF sizeMm;  // the first page's size
    int pages = 0;
    QStringList images;  // lines of "pdfimages -list" after its two header lines
};
PdfPage readPdf(const QString& path);

// One embedded image's "pdfimages -list" columns: width, height, colour, bits per component,
// x-ppi, y-ppi.
struct PdfImage {
    int width = 0;
    int height = 0;
    QString colour;
    int bitsPerComponent = 0;
    int ppiX = 0;
    int ppiY = 0;
};
PdfImage pdfImage(const QString& listLine);

// The first page rendered by pdftoppm at dpi as a grey image (empty when poppler failed).
QImage renderPdfPage(const QString& path, int dpi);

}  // namespace tavlo::test
