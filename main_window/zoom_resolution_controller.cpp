#include "main_window/zoom_resolution_controller.h"

#include "imaging/display_mode.h"

#include "dialogs/resolution_dialog.h"
#include "environment/number_text.h"
#include "imaging/imaging_control.h"
#include "main_window/document_state.h"
#include "main_window/main_window_state.h"
#include "main_window/menu_tree.h"

namespace tavlo {

ZoomResolutionController::ZoomResolutionController(ImagingControl& ikImg, MenuTree& menus,
                                                   MainWindowState& state, DocumentState& doc,
                                                   QWidget* dialogParent)
    : m_ikImg(ikImg), m_menus(menus), m_state(state), m_doc(doc), m_dialogParent(dialogParent)
{
}

void ZoomResolutionController::ZoomToItem(int index)
{
    // The factor is single precision, as it always was (" 60%" zooms by 0.6f).
    float factor = float(leadingNumber(m_menus.mnZoom.caption(index))) / 100.0f;
    m_state.nDspMd = DisplayMode::ActualSize;
    if (factor == 0)
        factor = 1;
    m_ikImg.setZoomX(double(factor));
    m_ikImg.setZoomY(double(factor));
    m_ikImg.DrawImage(m_state.nDspMd);
}

void ZoomResolutionController::SetImageResolution()
{
    if (m_ikImg.ImageHandle() == 0)
        return;
    m_ikImg.UpdateImageInfo();
    const int width = m_ikImg.ImageWidth();
    const int height = m_ikImg.ImageHeight();
    int dpiX = m_ikImg.XResolution();
    int dpiY = m_ikImg.YResolution();
    if (dpiX == 0)
        dpiX = 72;
    if (dpiY == 0)
        dpiY = 72;
    bool confirmed = false;
    ResolutionDialog::Act(dpiX, dpiY, width, height, confirmed, m_dialogParent);
    if (confirmed) {
        m_ikImg.setXResolution(dpiX);
        m_ikImg.setYResolution(dpiY);
        m_ikImg.ApplyResolution();
        m_doc.ImageEdited();
    } else {
        m_doc.SetDocState(DocState::Changed);
    }
}

}  // namespace tavlo
