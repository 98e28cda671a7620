#pragma once

#include <QIcon>

namespace tavlo {

// The pictures of the tool strip, the magnifier and the window, drawn here in code so the program
// needs no image files for them. Each is drawn on a 16-unit grid (32 for the magnifier) and
// rendered at one and two times its size for high-density screens.
class ToolIcons {
public:
    // The picture of tool button imBtn(index) (0-3, 5-9); a null icon for any other index.
    static QIcon button(int index);
    // The 32 x 32 magnifier imZoom.
    static QIcon magnifier();
    // The window's icon: the scanner of the scan button.
    static QIcon window();
};

}  // namespace tavlo
