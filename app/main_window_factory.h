#pragma once

class QWidget;

namespace tavlo {

// Creates the main window fmMain (its load sequence runs here) with EndProgram as the end of its
// quit path. This is the factory main() hands to StartProgram.
QWidget* createMainWindow();

}  // namespace tavlo
