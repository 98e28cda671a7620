#include "environment/desktop_services.h"

#include "environment/qt_desktop_services.h"

namespace tavlo {
namespace {
DesktopServices* installed = nullptr;
}

DesktopServices& desktopServices()
{
    if (installed)
        return *installed;
    static QtDesktopServices qtServices;
    return qtServices;
}

void setDesktopServices(DesktopServices* services)
{
    installed = services;
}

}  // namespace tavlo
