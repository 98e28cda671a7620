#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace tavlo {

// Creates the main window (not yet shown). Creating it runs the window's whole load sequence.
// main() passes createMainWindow (app/main_window_factory.h); tests may pass their own.
using MainWindowFactory = std::function<QWidget*()>;

// The program name of an executable: its base name without extension, with a trailing "_dv"
// (any case) removed, so a second build named "tavlo_dv" shares the ordinary build's user data
// folder, settings and desktop entries. "tavlo_DV" -> "tavlo", "tavlo_dvx" stays, "_dv" -> "".
QString programNameFromExecutable(const QString& executablePath);

// Starts the program: sets the program name and folder from the running executable, shows the
// busy pointer, sets the started flag, creates the main window through the factory and shows it
// as a normal window, then restores the pointer. The window is deleted when it closes. Returns
// the window (nullptr when the factory gave none); the program then lives in the event loop.
QWidget* StartProgram(const MainWindowFactory& createMainWindow);

// Ends the program, the last step of the quit path: marks the process as ending (so close
// handlers do not save again), closes every window in the order they were created, releases the
// file-system service and the settings store, and makes the event loop end. The caller must
// return to the event loop at once; main() then returns and nothing else of the program runs.
void EndProgram();

}  // namespace tavlo
