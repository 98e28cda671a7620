#include "main_window/document_state.h"

#include "main_window/menu_tree.h"

namespace tavlo {

void DocumentState::SetDocState(int state)
{
    m_state = state;
    m_menus.mnFile.setEnabled(1, state == 2);
    const bool hasImage = state != 0;
    for (int i : {2, 5, 7})
        m_menus.mnFile.setEnabled(i, hasImage);
    for (int i : {0, 1})
        m_menus.mnClp.setEnabled(i, hasImage);
    for (int i : {0, 1, 2, 4, 5, 7, 8, 12})
        m_menus.mnEdt.setEnabled(i, hasImage);
}

}  // namespace tavlo
