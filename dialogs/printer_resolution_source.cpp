#include "dialogs/printer_resolution_source.h"

#include "dialogs/qt_printer_resolution_source.h"

namespace tavlo {
namespace {
PrinterResolutionSource* installed = nullptr;
}

PrinterResolutionSource& printerResolutionSource()
{
    if (installed)
        return *installed;
    static QtPrinterResolutionSource qtSource;
    return qtSource;
}

void setPrinterResolutionSource(PrinterResolutionSource* source)
{
    installed = source;
}

}  // namespace tavlo
