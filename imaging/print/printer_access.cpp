#include "imaging/print/printer_access.h"

#include "environment/replaceable_service.h"
#include "imaging/print/qt_printer_access.h"

namespace tavlo {
namespace {
ReplaceableService<PrinterAccess, QtPrinterAccess> service;
}

PrinterAccess& printerAccess()
{
    return service.get();
}

void setPrinterAccess(PrinterAccess* access)
{
    service.install(access);
}

}  // namespace tavlo
