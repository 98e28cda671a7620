#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace tavlo {

// The printer a person chose in the print-setup dialog, with the resolution it prints at.
struct PrinterResolution {
    QString name;        // the printer's name as the desktop shows it
    int horizontal = 0;  // dots per inch across the page
    int vertical = 0;    // dots per inch down the page
};

// Lets the user choose a printer through the print-setup dialog and reports its resolution. It is
// a seam: the program uses the Qt print dialog, tests install an answer of their own so that no
// person and no printer is needed.
class PrinterResolutionSource {
public:
    virtual ~PrinterResolutionSource() = default;

    // Shows the print-setup dialog over parent (may be nullptr). The chosen printer, or nothing
    // when the user cancelled.
    virtual std::optional<PrinterResolution> choosePrinter(QWidget* parent) = 0;
};

// The process-wide source: the Qt print dialog unless a test installed its own.
PrinterResolutionSource& printerResolutionSource();

// Installs a source (tests) or, with nullptr, goes back to the Qt print dialog. The caller keeps
// ownership and must outlive its installation.
void setPrinterResolutionSource(PrinterResolutionSource* source);

}  // namespace tavlo
