#pragma once

namespace tavlo {

class MenuTree;

// The document state of the current image.
enum class DocState {
    NoImage = 0,    // nothing shown
    Unchanged = 1,  // shown as loaded or saved
    Changed = 2,    // changed since it was loaded or saved
};

// The document state together with the enabled flags of the image commands that follow it.
class DocumentState {
public:
    explicit DocumentState(MenuTree& menus) : m_menus(menus) {}

    DocState state() const { return m_state; }

    // Sets the state and the enabled flags: "上書き保存(&S)" only when Changed; save as, print,
    // save to the work folder, both copies and the image items of the Edit menu whenever there is
    // an image. Nothing else is touched (open, paste, zoom, view and settings stay as they are).
    void SetDocState(DocState state);

    // Sets the state only, leaving every enabled flag as it is; the rotations, the base-line
    // dialog and the marker tool bar mark the image changed this way.
    void setStateField(DocState state) { m_state = state; }

private:
    MenuTree& m_menus;
    DocState m_state = DocState::NoImage;
};

}  // namespace tavlo
