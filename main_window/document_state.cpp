#include "main_window/document_state.h"

#include "main_window/menu_items.h"
#include "main_window/menu_tree.h"

namespace tavlo {

void DocumentState::SetDocState(DocState state)
{
    m_state = state;
    if (state == DocState::NoImage)
        m_unsaved = false;
    m_menus.mnFile.setEnabled(FileItem::Overwrite, state == DocState::Changed);
    const bool hasImage = state != DocState::NoImage;
    for (int i : {FileItem::SaveAs, FileItem::Print, FileItem::SaveToWorkFolder})
        m_menus.mnFile.setEnabled(i, hasImage);
    for (int i : {ClpItem::Copy, ClpItem::CopyAndMinimise})
        m_menus.mnClp.setEnabled(i, hasImage);
    for (int i : {EdtItem::Range, EdtItem::Trim, EdtItem::Resize, EdtItem::Join, EdtItem::Rotate,
                  EdtItem::Colours, EdtItem::ToolBar, EdtItem::Resolution})
        m_menus.mnEdt.setEnabled(i, hasImage);
}

void DocumentState::ImageEdited()
{
    m_unsaved = true;
    SetDocState(DocState::Changed);
}

void DocumentState::ImageWithoutFile()
{
    SetDocState(DocState::Unchanged);
    m_unsaved = true;
}

void DocumentState::ImageMatchesFile()
{
    m_unsaved = false;
    SetDocState(DocState::Unchanged);
}

}  // namespace tavlo
