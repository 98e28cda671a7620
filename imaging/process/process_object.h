#pragma once

#include "imaging/current_image.h"
#include "imaging/process/pixel_rect.h"

#include <QPolygon>

namespace tavlo {

// The imaging control's processing object: pixel operations on the control's current image.
// Every operation returns true when it changed the image as asked and false, leaving the image as
// it was, when there is no image, an argument is out of range or memory runs out. Dots per inch
// are kept (swapped by quarter turns). The image keeps its handle; a vector picture's preview
// becomes a plain bitmap under a new handle when it is processed.
//
// The processing rectangle (RectLeft, RectTop, RectRight, RectBottom) is in image pixels with left
// and top inclusive, right and bottom exclusive (width = right - left) and is clipped to the image
// by each operation. It starts empty (all 0).
//
// Removing a band (the main window's join): for columns [l, r) of a W x H image, trim a copy to
// (r, 0, W, H), paste that copy onto the image at (l, 0), then trim the image to
// (0, 0, W - (r - l), H); rows [t, b) likewise with (0, b, W, H), (0, t) and (0, 0, W, H - (b -
// t)). Every pixel outside the band keeps its value, at every code. A band that reaches the right
// (or bottom) edge leaves nothing for the first trim, which then fails: the last trim alone does
// it.
//
// User-interface thread only (the operations themselves use worker threads inside).
class ProcessObject {
public:
    explicit ProcessObject(CurrentImage& current);

    // Converts to another colour-depth code.
    // target: 1, 4, 40, 8, 80, 16, 24 or 32 (anything else fails).
    // palette: how 4- and 8-bit palettes are chosen; 0, the only kind, is a palette made for this
    //   image (libimagequant); other values are read as 0.
    // dither: error diffusion where colours are lost (see process/colour_conversion.h for each
    //   pair of codes).
    // threshold: 1-bit results make a pixel white when its luma is >= threshold (0..256),
    //   otherwise black; ignored by other targets. The main window passes 128 (and 50 when
    //   saving, where the target is never 1).
    // Converting to the current code changes nothing and succeeds.
    bool ConvertColor(int target, int palette, bool dither, int threshold);

    // RectMode: what happens to the processing rectangle after an operation that changes the
    // image's size (Trim, Resize, RotateImage): 0 (the start value) keeps it as set; 1 empties it
    // (all 0), so a later rectangle operation cannot use corners that belonged to the old size.
    int RectMode() const { return m_rectMode; }
    void setRectMode(int mode) { m_rectMode = mode; }

    // RectSelect: the region the emphasis operations change: 0 the whole image, 1 the processing
    // rectangle, 2 (the start value) the polygon given to the call. Any other value reads as 2.
    // Trim always keeps the processing rectangle, whatever RectSelect says.
    int RectSelect() const { return m_rectSelect; }
    void setRectSelect(int select) { m_rectSelect = select; }

    int RectLeft() const { return m_rect.left; }
    int RectTop() const { return m_rect.top; }
    int RectRight() const { return m_rect.right; }
    int RectBottom() const { return m_rect.bottom; }
    void setRectLeft(int v) { m_rect.left = v; }
    void setRectTop(int v) { m_rect.top = v; }
    void setRectRight(int v) { m_rect.right = v; }
    void setRectBottom(int v) { m_rect.bottom = v; }

    // Keeps exactly the processing rectangle (clipped to the image). Fails when that is empty.
    bool Trim();

    // Puts the image of handle onto the current image with its top-left pixel at (x, y) of the
    // current image, cutting off what falls outside; the current image keeps its size and code
    // (see process/paste.h for a piece of another code). Fails when handle names no image or
    // nothing lands inside.
    bool PasteImage(quint32 handle, int x, int y);

    // Mirrors, then turns.
    // angle: hundredths of a degree, positive turns to the left (anticlockwise as seen).
    // mirrorLeftRight, mirrorTopBottom: mirror before turning.
    // smooth: interpolate turns other than whole quarters (see process/free_turn.h).
    // red, green, blue: colour of the corners the turned image leaves uncovered (0..255).
    // keepSize: keep width and height, cutting around the centre; false grows the canvas to hold
    //   the whole turned image. Whole quarter turns and mirrors are exact at every code and never
    //   cut: a quarter turn swaps width and height and the dots per inch.
    bool RotateImage(int angle, bool mirrorLeftRight, bool mirrorTopBottom, bool smooth, int red,
                     int green, int blue, bool keepSize);

    // Scales to width x height pixels (each 1..65535).
    // method: -1 smooth (area averaging when shrinking, bilinear when enlarging; 1-bit and
    //   palette images keep their palette, see process/resize.h), 0 nearest pixel; other values
    //   read as -1.
    bool Resize(int width, int height, int method);

    // Emphasis of a region (see process/emphasis.h for the exact colour maps and how each code
    // takes them). points: polygon corners in image pixels; count: how many of them are used
    // (at most points.size()). The region is chosen by RectSelect. Only pixels inside change.
    // Relative fill: adds red, green, blue to every channel (the main window passes 55, 55, 55).
    bool EmphasizeRelativeFill(const QPolygon& points, int count, int red, int green, int blue);
    // Relative adjustment: contrast change about mid grey, -255..255 (the main window passes
    // -100, a flatter region).
    bool EmphasizeRelativeAdjust(const QPolygon& points, int count, int contrast);
    // Marker: a highlighter multiply with the colour red, green, blue; a negative component means
    // the standard yellow (the main window passes 0, 0, -1).
    bool EmphasizeMarker(const QPolygon& points, int count, int red, int green, int blue);

private:
    // The current image, ready to change in place (nullptr when there is none).
    Image* editableImage();
    // Puts the result in place of the current image; false for a null result.
    bool commit(Image result);
    // Called after an operation that may have changed the size.
    void afterResize();
    QPolygon region(const QPolygon& points, int count) const;

    CurrentImage& m_current;
    int m_rectMode = 0;
    int m_rectSelect = 2;
    process::PixelRect m_rect;
};

}  // namespace tavlo
