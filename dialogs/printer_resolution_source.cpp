#include "dialogs/printer_resolution_source.h"

#include "environment/replaceable_service.h"
#include "dialogs/qt_printer_resolution_source.h"

namespace tavlo {
namespace {
ReplaceableService<PrinterResolutionSource, QtPrinterResolutionSource> service;
}

PrinterResolutionSource& printerResolutionSource()
{
    return service.get();
}

void setPrinterResolutionSource(PrinterResolutionSource* source)
{
    service.install(source);
}

}  // namespace tavlo
