#pragma once

class QString;
class QWidget;

namespace tavlo {

// Creates the main window fmMain (its load sequence runs here) with EndProgram as the end of its
// quit path. This is the factory main() hands to StartProgram.
QWidget* createMainWindow();

// Opens a file in a window createMainWindow made, as soon as the event loop runs (the window is
// drawn first; a message about a file that cannot be read then has its window behind it).
void openInMainWindow(QWidget* window, const QString& path);

}  // namespace tavlo
