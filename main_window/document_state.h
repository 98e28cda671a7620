#pragma once

namespace tavlo {

class MenuTree;

// The document state of the current image (0 = no image, 1 = shown and unchanged, 2 = changed)
// together with the enabled flags of the image commands that follow it.
class DocumentState {
public:
    explicit DocumentState(MenuTree& menus) : m_menus(menus) {}

    int state() const { return m_state; }

    // Sets the state and the enabled flags: "上書き保存(&S)" only in state 2; save as, print,
    // save to the work folder, both copies and the image items of the Edit menu whenever there is
    // an image. Nothing else is touched (open, paste, zoom, view and settings stay as they are).
    void SetDocState(int state);

    // Sets the state only, leaving every enabled flag as it is; the rotations, the base-line
    // dialog and the marker tool bar mark the image changed this way.
    void setStateField(int state) { m_state = state; }

private:
    MenuTree& m_menus;
    int m_state = 0;
};

}  // namespace tavlo
