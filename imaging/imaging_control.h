#pragma once

#include "imaging/clipboard/vector_object.h"
#include "imaging/current_image.h"
#include "imaging/file_object.h"
#include "imaging/process/process_object.h"
#include "imaging/print/printer_object.h"

#include <QWidget>

#include <memory>
#include <optional>

namespace tavlo::scan {
class ScannerObject;
}

namespace tavlo {

class ImageView;
class ShapeObject;
class ViewOverlay;

// The imaging control: a widget that holds one current image (by handle, see CurrentImage), shows
// it in its view and offers the operations the main window and the dialogs call, under their
// names. A control that is never shown (the main window's scratch control) works the same.
//
// Current image: ImageHandle reads the handle (0 = none); setImageHandle takes a handle over and
// releases the one held before (and drops the marker tool bar's uncommitted marks). DuplicateImage
// returns a new, independent copy of any handle's image under a new handle (0 when the handle names
// no image); the caller owns it until it hands it to a control.
//
// Display (DrawImage):
//   mode 0  empties the view and lets go of the image (ImageHandle becomes 0, the selection and the
//           overlay are cleared): the control then holds no image, as its callers assume after
//           closing one. Returns true.
//   mode 1  fits the whole image into the view with its aspect ratio kept.
//   mode 3  shows it at ZoomX x ZoomY (1.0 = one image pixel per view pixel; the view shows 0.01 %
//           to 10,000 %, larger or smaller factors are shown at those bounds) with scroll bars.
//   Modes 1 and 3 return false when there is no image; any other mode returns false and changes
//   nothing. Drawing removes the overlay. The zoom factors take effect at the next DrawImage.
// RefreshView lays the picture out again for the image as it is now (after a rotation, a trim, a
// colour change), repaints it and removes the overlay.
//
// Image information: ImageWidth, ImageHeight, BitCount, IsGray, ImageDataSize and ImageKind always
// describe the current image (0 / false without one). XResolution and YResolution read the image's
// dots per inch unless a value was set since the last UpdateImageInfo or image change; the set
// values are written into the image by ApplyResolution (false without an image). UpdateImageInfo
// forgets values that were set and not applied.
//
// Selection: SelLeft, SelTop, SelRight, SelBottom in image pixels, left and top inclusive, right
// and bottom exclusive; all 0 = none. The user drags it with the left button (clipped to the
// image); values set by the program are kept as set and shown clipped. See ImageView.
//
// Events (signals): ImageMouseUp(button, shift, x, y) for every button released over the view
// (button 1 left, 2 right, 4 middle; shift 1 Shift + 2 Ctrl + 4 Alt; x, y the image pixel under the
// pointer); ImageClicked(x, y) for a left click on the image, in image pixels; ImageEdited when the
// user committed marks of the marker tool bar into the image; ToolBarVisibleChanged(false)
// when the user closed the marker tool bar.
//
// User-interface thread only.
class ImagingControl : public QWidget {
    Q_OBJECT
public:
    explicit ImagingControl(QWidget* parent = nullptr);
    ~ImagingControl() override;

    // The current image, for the control's sub-objects and for tests.
    CurrentImage& currentImage() { return m_current; }
    const CurrentImage& currentImage() const { return m_current; }
    ImageView* view() const { return m_view; }

    quint32 ImageHandle() const { return m_current.handle(); }
    void setImageHandle(quint32 handle);
    quint32 DuplicateImage(quint32 handle) const;

    bool DrawImage(int mode);
    void RefreshView();
    double ZoomX() const { return m_zoomX; }
    void setZoomX(double zoom) { m_zoomX = zoom; }
    double ZoomY() const { return m_zoomY; }
    void setZoomY(double zoom) { m_zoomY = zoom; }

    void UpdateImageInfo();
    int ImageWidth() const;
    int ImageHeight() const;
    int BitCount() const;
    bool IsGray() const;
    int XResolution() const;
    void setXResolution(int dotsPerInch) { m_pendingDpiX = dotsPerInch; }
    int YResolution() const;
    void setYResolution(int dotsPerInch) { m_pendingDpiY = dotsPerInch; }
    qint64 ImageDataSize() const;
    int ImageKind() const;
    bool ApplyResolution();

    int SelLeft() const;
    void setSelLeft(int left);
    int SelTop() const;
    void setSelTop(int top);
    int SelRight() const;
    void setSelRight(int right);
    int SelBottom() const;
    void setSelBottom(int bottom);

    // Pointer shape over the control: 0 the view's own, 13 arrow with hourglass, 14 hourglass (see
    // cursorShapeForPointer for the other codes).
    int MousePointer() const { return m_mousePointer; }
    void setMousePointer(int code);

    // The shape object: the marker tool bar and its marks over the image
    // (imaging/shape/shape_object.h).
    tavlo::ShapeObject& ShapeObject() { return *m_shape; }

    // Set by the main window when it hid the marker tool bar; read by the tool bar's owner.
    bool ToolBarHiddenFlag() const { return m_toolBarHidden; }
    void setToolBarHiddenFlag(bool hidden) { m_toolBarHidden = hidden; }

    // The printer object: printing (imaging/print/printer_object.h) and the drawing calls it
    // shares with the view's drawing surface ViewDC.
    tavlo::PrinterObject& PrinterObject() { return m_printer; }
    ViewOverlay* ViewDC();

    // Clipboard: LoadFromClipboard makes the clipboard's picture the current image (a bitmap, kind
    // 1, at the colour-depth code and dots per inch its data says; or an SVG picture, kind 2, shown
    // through a preview until VectorObject().RenderToBitmap); false with nothing changed when the
    // clipboard holds no picture. ClearClipboard empties the clipboard; CopyToClipboard puts the
    // image on it as BMP, PNG and Qt image data with its dots per inch (false without an image).
    bool LoadFromClipboard();
    bool ClearClipboard();
    bool CopyToClipboard();
    tavlo::VectorObject& VectorObject() { return m_vector; }

    // The file object (loading and saving the current image) and the processing object (pixel
    // operations on it), both working on the current image.
    tavlo::FileObject& FileObject() { return m_file; }
    tavlo::ProcessObject& ProcessObject() { return m_process; }

    // The scanner object (imaging/scan/scanner_object.h), made on first use, so that controls
    // which never scan (the scratch control, the dialogs' controls) start no scanning thread.
    // Only one scanner object of the process can use SANE: the main window's view owns it.
    tavlo::scan::ScannerObject& ScannerObject();

signals:
    void ImageMouseUp(int button, int shift, int x, int y);
    void ImageClicked(int x, int y);
    void ImageEdited();
    void ToolBarVisibleChanged(bool visible);
    // The selection changed (dragged by the user or set by the program).
    void SelectionChanged();

private:
    void setSelectionEdge(int index, int value);
    void imageReplaced();

    CurrentImage m_current;
    tavlo::PrinterObject m_printer;
    tavlo::VectorObject m_vector{m_current};
    tavlo::FileObject m_file{m_current};
    tavlo::ProcessObject m_process{m_current};
    std::unique_ptr<scan::ScannerObject> m_scanner;
    ImageView* m_view = nullptr;
    std::unique_ptr<tavlo::ShapeObject> m_shape;
    double m_zoomX = 1.0;
    double m_zoomY = 1.0;
    std::optional<int> m_pendingDpiX;
    std::optional<int> m_pendingDpiY;
    int m_mousePointer = 0;
    bool m_toolBarHidden = false;
};

}  // namespace tavlo
