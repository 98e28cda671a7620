#pragma once

#include "imaging/print/printer_access.h"

namespace tavlo {

// The printer dialog of Qt PrintSupport and the CUPS queues it knows.
class QtPrinterAccess : public PrinterAccess {
public:
    bool showDialog(QPrinter& printer, QAbstractPrintDialog::PrintDialogOptions options,
                    QWidget* parent) override;
    bool printerExists(const QString& name) override;
};

}  // namespace tavlo
