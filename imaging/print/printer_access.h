#pragma once

#include <QAbstractPrintDialog>
#include <QString>

class QPrinter;
class QWidget;

namespace tavlo {

// What printing needs from the desktop's print system: the printer dialog and whether a print
// queue still exists. It is a seam: the program uses Qt PrintSupport (CUPS underneath), tests
// install a double that answers the dialog itself (typically with a PDF file), so no test shows a
// dialog or needs a printer. User-interface thread only.
class PrinterAccess {
public:
    virtual ~PrinterAccess() = default;

    // Shows the printer dialog for printer, offering the given options. True when the user chose
    // OK; printer then holds the choice (queue or PDF file, paper, orientation, copies, ...).
    virtual bool showDialog(QPrinter& printer, QAbstractPrintDialog::PrintDialogOptions options,
                            QWidget* parent) = 0;

    // True when the print system has a queue of that name.
    virtual bool printerExists(const QString& name) = 0;
};

// The process-wide access: Qt's print dialog and CUPS unless a test installed its own.
PrinterAccess& printerAccess();

// Installs an access (tests) or, with nullptr, goes back to Qt's. The caller keeps ownership and
// must outlive its installation.
void setPrinterAccess(PrinterAccess* access);

}  // namespace tavlo
