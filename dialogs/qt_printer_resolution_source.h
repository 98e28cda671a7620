#pragma once

#include "dialogs/printer_resolution_source.h"

namespace tavlo {

// The print-setup dialog of Qt PrintSupport (CUPS underneath). Each call starts from the default
// printer; the resolution is the one the chosen printer prints at in high-resolution mode, the
// same figure a print job at that printer would use.
class QtPrinterResolutionSource : public PrinterResolutionSource {
public:
    std::optional<PrinterResolution> choosePrinter(QWidget* parent) override;

    // The window title of the print-setup dialog.
    static QString dialogTitle();
};

}  // namespace tavlo
