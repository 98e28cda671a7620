#include "main_window/colour_depth_controller.h"

#include "imaging/imaging_control.h"
#include "main_window/command_router.h"
#include "main_window/document_state.h"
#include "main_window/main_window_state.h"
#include "main_window/menu_tree.h"

namespace tavlo {

ColourDepthController::ColourDepthController(ImagingControl& ikImg, MenuTree& menus,
                                             DocumentState& doc, MainWindowState& state)
    : m_ikImg(ikImg), m_menus(menus), m_doc(doc), m_state(state)
{
}

int ColourDepthController::UpdateColourChecks(int code)
{
    if (m_ikImg.ImageHandle() == 0)
        return 0;
    if (code == 0) {
        m_ikImg.UpdateImageInfo();
        const int bits = m_ikImg.BitCount();
        code = (bits == 4 || bits == 8) && m_ikImg.IsGray() ? bits * 10 : bits;
    }
    for (int index = 1; index <= 7; ++index)
        m_menus.mnColr.setChecked(index, CommandRouter::colourCodeOfItem(index) == code);
    m_state.sClrCd = QString::number(code);
    return code;
}

bool ColourDepthController::ConvertColourDepth(int code, bool quiet)
{
    if (m_ikImg.ImageHandle() == 0)
        return false;
    ProcessObject& process = m_ikImg.ProcessObject();
    const bool dither = code != 4 && code != 40;
    bool done = false;
    if (code == 40)
        done = process.ConvertColor(80, 0, false, 128) && process.ConvertColor(4, 0, false, 128);
    else
        done = process.ConvertColor(code, 0, dither, 128);
    if (!quiet) {
        m_doc.ImageEdited();
        UpdateColourChecks(done ? code : 0);
    }
    return done;
}

int ColourDepthController::afterScanCode(int iGenClr)
{
    static const int codes[] = {4, 40, 8, 80, 16, 24, 32, 32};
    return iGenClr >= 1 && iGenClr <= 8 ? codes[iGenClr - 1] : 0;
}

}  // namespace tavlo
