#pragma once

#include <QString>

class QWidget;

namespace tavlo {

class ImagingControl;
class MenuTree;
class SelectionController;
struct MainWindowState;

// The registered selection sizes of "範囲": registering them through the size registration dialog,
// their menu items (mnUsHn, above the separator mnRng 0) and applying one as the selection.
// The list lives in sRangeList ("name,width,height,unit" entries joined by ":", see
// dialogs/size_entry.h), read from "PC_RNG" at load and written back at quit.
//
// Applying an entry keeps the image's dots per inch: an entry in pixels selects that many pixels,
// an entry in centimetres ("cm", exactly in lower case; any other unit counts as pixels) converts
// with the image's own resolution across and down. Only an image without a stored resolution is
// given 96 dots per inch, which is also the rate its centimetres are converted at.
class RegisteredSizes {
public:
    RegisteredSizes(ImagingControl& ikImg, MenuTree& menus, SelectionController& selection,
                    MainWindowState& state, QWidget* dialogParent);

    // "範囲の登録": opens the size registration dialog on the list and the selection's size;
    // a list that comes back changed rebuilds the menu. Nothing happens without a selection.
    void RegisterRange();

    // Takes the list over: sRangeList becomes its readable entries, unchanged, joined by ":"
    // (empty segments and entries FormatRangeCaption refuses are dropped) and item i of mnUsHn
    // shows entry i. The separator shows only with items; item 0 always exists, hidden when unused.
    void BuildRangeMenu(const QString& list);

    // The menu caption of an entry, "A4(21 * 29.7 cm)"; empty when the entry has fewer than four
    // fields, an empty name or a width or height that reads as 0.
    static QString FormatRangeCaption(const QString& entry);

    // The size of entry index in image pixels of the current image (see the class comment); the
    // outputs are left as they were when the list is empty or has no such entry.
    void GetRangeSize(int index, float& width, float& height);

    // A click on item index of mnUsHn: the selection from (1, 1) covering the entry's size, cut at
    // the image's right and bottom edges. Nothing happens without an image or for a zero size.
    void ApplyRegisteredSize(int index);

private:
    ImagingControl& m_ikImg;
    MenuTree& m_menus;
    SelectionController& m_selection;
    MainWindowState& m_state;
    QWidget* m_dialogParent;
};

}  // namespace tavlo
