#pragma once

namespace tavlo {

// The display modes of the imaging control's DrawImage, which the main window keeps in nDspMd.
// Plain numbers on purpose: DrawImage answers false for any other number.
struct DisplayMode {
    enum : int {
        Nothing = 0,     // empty the view and let go of the image
        Scaled = 1,      // the whole image fitted into the view ("ｽｹｰﾙ")
        ActualSize = 3,  // at ZoomX x ZoomY with scroll bars ("実寸")
    };
};

}  // namespace tavlo
