#pragma once

namespace tavlo {

// Installs Qt's own Japanese translation (qtbase_ja from Qt's translations folder, the Debian
// package qt6-translations-l10n) into the application, whatever the desktop's language, so the
// file dialogs and the buttons of message boxes speak Japanese like the rest of the program.
// Once per process; later calls do nothing. False when the translation is not installed (the
// standard dialogs then keep Qt's English).
bool installQtJapanese();

}  // namespace tavlo
