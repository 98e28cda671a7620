#include "app/main_window_factory.h"

#include "app/program.h"
#include "main_window/main_window.h"

namespace tavlo {

QWidget* createMainWindow()
{
    auto* window = new fmMain;
    window->endProgram = &EndProgram;
    return window;
}

}  // namespace tavlo
