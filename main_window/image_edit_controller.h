#pragma once

#include <QString>

#include <optional>

namespace tavlo {

class DocumentState;
class ImagingControl;
class SelectionController;
struct MainWindowOperations;
struct MainWindowState;

// The edits of the current image: the fixed rotations and mirrorings ("回転") and the operations
// on the dragged selection: trim ("ﾄﾘﾐﾝｸﾞ"), shrink to it ("ﾘｻｲｽﾞ"), join across it ("綴じ込み")
// and emphasis ("強調(相対)", "強調(ﾏｰｶｰ)"). The pixels are the processing object's work; this
// class decides the order of the calls, the geometry and the colour-depth bookkeeping.
// Every command returns silently without an image or, where it needs one, without a selection.
class ImageEditController {
public:
    ImageEditController(ImagingControl& ikImg, ImagingControl& ikImg2, SelectionController& sel,
                        MainWindowState& state, DocumentState& doc, MainWindowOperations& ops);

    // One fixed turn or mirror of "回転"; angles in hundredths of a degree, positive to the left.
    struct Rotation {
        int angle = 0;
        bool mirrorLeftRight = false;
        bool mirrorTopBottom = false;
    };
    // The step of a "回転" caption: "左右反転", "上下反転", "右90度", "右180度", "左90度",
    // "左180度"; nothing for any other caption.
    static std::optional<Rotation> rotationOf(const QString& caption);
    // Whether the image can be smoothed at its depth, from sClrCd: sClrCd occurs in "80.16.24.32."
    // (a plain text search, so only "40" turns without smoothing). A turn smooths only then; a
    // shrink converts to 16 first otherwise.
    static bool smoothFor(const QString& sClrCd);

    // Turns or mirrors the image by the caption of a "回転" item (white corners), then refreshes.
    void RotateFlip(const QString& caption);

    // Every command that changes pixels marks the image changed (DocumentState::ImageEdited).

    // Keeps only the selected rectangle; the selection is cleared and the image marked changed.
    void TrimToSelection();

    // Resizes the whole image to the selection's size: mode 0 to its width, the height keeping
    // the aspect ratio; mode 1 to its height likewise; mode 2 to its width and height. When
    // sClrCd does not occur in "80.16.24.32." (a plain text search, so only for "40") the image
    // is first converted to 16 bits and stays there; others are resized at their own code (a
    // palette image keeps its palette).
    void ShrinkToSelection(int mode);

    // Removes the selected band and closes the gap: direction 0 ("縦方向") the rows top to
    // bottom - 1 across the whole width, 1 ("横方向") the columns left to right - 1 across the
    // whole height. Every other pixel keeps its value and the image keeps its colour-depth code
    // and palette: the processing object moves pixels exactly at every code, so palette images
    // need no detour through 16 bits (which would round their colours to 5 bits a channel).
    // A band covering the whole image cannot be removed and leaves it as it was.
    void JoinAcrossSelection(int direction);

    // Emphasises the selected rectangle: kind 0 the relative emphasis (lightened and flattened),
    // 1 the marker (highlighter yellow). The image is emphasised at its own code, so no pixel
    // outside the rectangle changes (process/emphasis.h says how each code takes the colours).
    void EmphasiseSelection(int kind);

private:
    void setRect(ImagingControl& control, int left, int top, int right, int bottom);
    bool removeBand(bool columns, int from, int to);
    void setBusy(bool on);

    ImagingControl& m_ikImg;
    ImagingControl& m_ikImg2;
    SelectionController& m_sel;
    MainWindowState& m_state;
    DocumentState& m_doc;
    MainWindowOperations& m_ops;
};

}  // namespace tavlo
