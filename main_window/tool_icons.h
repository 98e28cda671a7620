#pragma once

#include <QIcon>

namespace tavlo {

// The pictures of the tool strip, the magnifier and the window. The tool buttons take the desktop
// theme's icons by their freedesktop names where the theme has them; every picture is also drawn
// here in code (on a 16-unit grid, 32 for the magnifier), the fallback, rendered sharp at every
// size and screen density, so the program needs no image files.
class ToolIcons {
public:
    // The picture of tool button imBtn(index) (0-3, 5-9): the theme's "document-open",
    // "document-save", "document-save-as", "folder-open", "scanner", "edit-copy",
    // "transform-crop", else (and for the joins 8, 9) our drawing; a null icon for any other index.
    static QIcon button(int index);
    // The 32 x 32 magnifier imZoom.
    static QIcon magnifier();
    // The window's icon: the scanner of the scan button.
    static QIcon window();
};

}  // namespace tavlo
