#pragma once

namespace tavlo {

class DocumentState;
class ImagingControl;
class MenuTree;
struct MainWindowOperations;
struct MainWindowState;

// The colour depth of the current image: the "色数" menu (mnColr), its ticks and sClrCd.
//
// Colour-depth codes: 1, 4, 8, 16, 24, 32 bits per pixel; 40 and 80 for 4- and 8-bit images whose
// palette is grey. The "色数" items 1-7 stand for 4, 40, 8, 80, 16, 24, 32; code 1 has no item.
class ColourDepthController {
public:
    ColourDepthController(ImagingControl& ikImg, MenuTree& menus, DocumentState& doc,
                          MainWindowState& state);

    // Ticks the "色数" item of the code and unticks the others, and sets sClrCd to the code as
    // decimal text. Code 0 means: the code of the current image (bits, or bits x 10 for a grey 4-
    // or 8-bit image). Returns the code used; without an image nothing changes and 0 is returned.
    int UpdateColourChecks(int code);

    // Converts the current image to the code (40 in two steps: to 8-bit grey, then, only if that
    // worked, to 4 bits). Error diffusion is used except for 4 and 40. Unless quiet, the document
    // state becomes 2 and the ticks follow: the chosen code when the conversion worked, the image's
    // own code when it did not. Quiet conversions (the emphasis works through 16 bits and back)
    // leave the ticks and sClrCd alone. Without an image nothing happens. True when converted.
    bool ConvertColourDepth(int code, bool quiet);

    // The colour-depth code of the after-scan reduction choice iGenClr: 1-5 as the menu offers
    // them (4, 40, 8, 80, 16); 6, 7 and 8, which only an edited settings file gives, 24, 32, 32;
    // 0 for none (0 and any other value: no reduction).
    static int afterScanCode(int iGenClr);

private:
    ImagingControl& m_ikImg;
    MenuTree& m_menus;
    DocumentState& m_doc;
    MainWindowState& m_state;
};

}  // namespace tavlo
