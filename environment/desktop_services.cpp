#include "environment/desktop_services.h"

#include "environment/replaceable_service.h"
#include "environment/qt_desktop_services.h"

namespace tavlo {
namespace {
ReplaceableService<DesktopServices, QtDesktopServices> service;
}

DesktopServices& desktopServices()
{
    return service.get();
}

void setDesktopServices(DesktopServices* services)
{
    service.install(services);
}

}  // namespace tavlo
