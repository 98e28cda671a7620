#pragma once

namespace tavlo {

class DocumentState;
class ImagingControl;
class SelectionController;
struct MainWindowOperations;
struct MainWindowState;

// The main window and the system clipboard: pasting a picture as the current image, copying the
// image (or its selection) as a picture, and the image report "ﾌｧｲﾙの詳細" as text.
class ClipboardController {
public:
    ClipboardController(ImagingControl& ikImg, ImagingControl& ikImg2, SelectionController& sel,
                        MainWindowState& state, DocumentState& doc, MainWindowOperations& ops);

    // Makes the clipboard's picture the current image. The selection is cleared first. A vector
    // (SVG) picture is rendered at 24 bits on white and loses 2 pixels at its right and bottom
    // edges; every pasted image gets 96 dots per inch and the after-scan colour reduction
    // (iGenClr). It has no file (sCurFile ""); document state 1 when drawn, its pixels unsaved.
    // Nothing else changes when the clipboard holds no picture. An unsaved image shown before is
    // asked about first ("変更を保存しますか?"); ｷｬﾝｾﾙ pastes nothing.
    void PasteFromClipboard();

    // Copies the image, or only the selected rectangle, to the clipboard at 96 dots per inch.
    // The copy is made in the hidden control ikImg2, so the view, its image and its selection stay
    // exactly as they were.
    void CopyImageToClipboard();

    // Puts the image report (ImageDetailsReport) on the clipboard as text, replacing what was
    // there, and shows it in a message.
    void ShowImageDetails();

private:
    void setBusy(bool on);

    ImagingControl& m_ikImg;
    ImagingControl& m_ikImg2;
    SelectionController& m_sel;
    MainWindowState& m_state;
    DocumentState& m_doc;
    MainWindowOperations& m_ops;
};

}  // namespace tavlo
