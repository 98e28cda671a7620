#pragma once

class QWidget;

namespace tavlo {

// Sizes a dialog to its contents and centres it over the main window: left = main left + (main
// width - dialog width) / 2, top likewise. Without a main window it only takes its size.
void centreDialogOver(QWidget& dialog, QWidget* mainWindow);

}  // namespace tavlo
