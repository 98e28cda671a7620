#pragma once

// The printer dialog of the benchmarks: answered at once with a PDF file on A4 without margins,
// so a benchmark prints the way a person who chose "print to file" would, without a person.
#include "imaging/print/printer_access.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>

namespace tavlo::bench {

class PdfPrinter : public PrinterAccess {
public:
    explicit PdfPrinter(QString file) : m_file(std::move(file)) { setPrinterAccess(this); }
    ~PdfPrinter() override { setPrinterAccess(nullptr); }

    bool showDialog(QPrinter& printer, QAbstractPrintDialog::PrintDialogOptions, QWidget*) override
    {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_file);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        return true;
    }
    bool printerExists(const QString&) override { return false; }

private:
    QString m_file;
};

}  // namespace tavlo::bench
