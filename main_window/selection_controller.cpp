#include "main_window/selection_controller.h"

#include "imaging/imaging_control.h"

namespace tavlo {

Selection SelectionController::GetSelection() const
{
    Selection selection;
    if (m_ikImg.ImageHandle() == 0)
        return selection;
    selection.left = m_ikImg.SelLeft();
    selection.top = m_ikImg.SelTop();
    selection.right = m_ikImg.SelRight();
    selection.bottom = m_ikImg.SelBottom();
    selection.present =
        selection.left > 0 || selection.top > 0 || selection.right > 0 || selection.bottom > 0;
    return selection;
}

void SelectionController::ClearSelection(bool redraw)
{
    m_ikImg.setSelLeft(0);
    m_ikImg.setSelTop(0);
    m_ikImg.setSelRight(0);
    m_ikImg.setSelBottom(0);
    if (redraw)
        m_ikImg.RefreshView();
}

}  // namespace tavlo
