#pragma once

namespace tavlo {

class ImagingControl;

// SetBusy: the busy pointer around the main window's long operations. On: the view's pointer
// becomes the hourglass (control pointer 14) and the whole program shows the arrow with hourglass
// (an application override cursor, so other windows and dialogs show it too). Off: both go back
// to normal. It is a switch, not a count: one "off" ends any number of "on"s, and an "off" while
// not busy changes nothing (so it never removes an override cursor someone else set).
// User-interface thread only.
class BusyState {
public:
    explicit BusyState(ImagingControl& ikImg) : m_ikImg(ikImg) { }
    ~BusyState();
    BusyState(const BusyState&) = delete;
    BusyState& operator=(const BusyState&) = delete;

    void SetBusy(bool on);
    bool isBusy() const { return m_busy; }

private:
    ImagingControl& m_ikImg;
    bool m_busy = false;
};

}  // namespace tavlo
