#pragma once

namespace tavlo {

class ImagingControl;

// The selection rectangle the user dragged on the image, in image pixels (left and top inclusive,
// right and bottom exclusive, as the control and its processing object count them).
struct Selection {
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;
    // True when any of the four values is above 0.
    bool present = false;
};

// Reading and clearing the view's selection for the edit commands.
class SelectionController {
public:
    explicit SelectionController(ImagingControl& ikImg) : m_ikImg(ikImg) { }

    // The selection as the control holds it; all 0 and not present without an image.
    Selection GetSelection() const;

    // Sets the four selection values to 0; with redraw the view is refreshed as well.
    void ClearSelection(bool redraw);

private:
    ImagingControl& m_ikImg;
};

}  // namespace tavlo
