#pragma once

#include "imaging/display_mode.h"

#include <QString>

namespace tavlo {

// The window-level fields that the main window's controllers share. The document state lives in
// DocumentState, because changing it also changes the enabled flags of the menus.
struct MainWindowState {
    // Display mode handed to the view's DrawImage: 1 = scaled to the window ("ｽｹｰﾙ"),
    // 3 = actual size times the zoom factors ("実寸").
    int nDspMd = DisplayMode::Scaled;
    // After-scan colour reduction: the index of the checked "ｽｷｬﾝ後減色(&C)" item (0 = none).
    int iGenClr = 0;
    // After-scan printing: the index of the checked "ｽｷｬﾝ後印刷" item (0 = no printing).
    int iPrnMd = 0;
    // Full path of the file the current image belongs to; "" when it has none (after a paste).
    QString sCurFile;
    // Colour-depth code of the current image as decimal text ("1", "4", "40", "8", "80", "16",
    // "24", "32"), set by UpdateColourChecks; read by text searches ("80.16.24.32.", ...).
    QString sClrCd;
    // Work files are saved as BMP (true) or TIFF (false); follows the ".bmp"/".tif" choice.
    bool bSvBmp = true;
    // The work folder: the user data folder followed by "Temp" (no trailing "/").
    QString sWrkFld;
    // The registered size list, "name,width,height,unit" entries joined by ":".
    QString sRangeList;
    // While true, a selection change in the work-folder list does not open the file: the
    // program itself is moving the selection.
    bool bLstLock = false;
};

}  // namespace tavlo
