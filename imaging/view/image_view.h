#pragma once

#include "imaging/display_mode.h"
#include "imaging/view/tile_renderer.h"
#include "imaging/view/view_geometry.h"
#include "imaging/view/view_overlay.h"
#include "imaging/view/view_tool.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QRect>
#include <QTimer>

#include <atomic>
#include <memory>

namespace tavlo {

class CurrentImage;
class Image;

// The picture area of the imaging control: shows the control's current image, lets the user drag
// a selection rectangle with the left button and reports clicks, all in image pixels.
//
// Display modes: 0 shows nothing; 1 fits the whole image into the view with its aspect ratio kept,
// centred; 3 shows it at the zoom factors (1.0 = one image pixel per view pixel), centred while it
// is smaller than the view, with scroll bars when it is larger.
//
// Painting converts and scales only the visible part of the image (TileRenderer) into a tile the
// size of the view that is kept until the image, the zoom, the scroll position or the view's size
// change, so repaints (the overlay, the rubber band) only copy it. A shrunk picture is first
// painted from a bounded number of samples (within one frame); a worker thread then renders the
// same tile from every source pixel and the view swaps it in when it still matches
// (pictureRefined). The worker reads its own copy of the image (shared pixels), so the image may
// change meanwhile.
//
// Mouse: a left press that moves at least kDragThreshold view pixels drags a selection covering
// every image pixel from the one under the press to the one under the pointer, clipped to the
// image; a left press released before that is a click, which clears the selection and reports the
// pixel when it lies on the image. Dragging beyond the edge of a scrollable picture scrolls it.
// Every button release is reported with its button, the shift keys and the image pixel under the
// pointer.
// A ViewTool (the marker tool bar's editor, view_tool.h) sees left presses first; a press it takes
// neither selects nor clicks.
//
// User-interface thread only.
class ImageView : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int kDragThreshold = 3;
    static constexpr int kAutoScrollInterval = 30;  // milliseconds

    explicit ImageView(CurrentImage& current, QWidget* parent = nullptr);
    ~ImageView() override;

    int displayMode() const { return m_mode; }

    // Mode 1 or 3 with the zoom factors for mode 3; clears the overlay. Zooming the same image
    // keeps the image point at the centre of the view in place; a new image starts at its top left.
    void showImage(int mode, double zoomX, double zoomY);

    // Mode 0: the view shows nothing and forgets the selection.
    void showNothing();

    // Lays the picture out again for the image as it is now (it may have changed size or pixels),
    // redraws it and removes the overlay.
    void refresh();

    // Called when the control's image was replaced: lays it out anew from its top left.
    void imageReplaced();

    // Where the picture lies in the viewport now (a null geometry while nothing is shown).
    ViewGeometry viewGeometry() const;

    ViewOverlay& overlay() { return m_overlay; }

    // The tool that takes left drags and paints over the picture (none: the selection rubber
    // band). The view does not own it.
    void setTool(ViewTool* tool);
    ViewTool* tool() const { return m_tool; }
    // Repaints the part of the view that shows the image rectangle (image pixels).
    void updateImageArea(const QRectF& imageRect);

    // Selection edges in image pixels, left and top inclusive, right and bottom exclusive, as last
    // set or dragged; all 0 = none. Values written by the program are kept as written.
    int selectionEdge(int index) const { return m_edges[index]; }
    void setSelectionEdges(int left, int top, int right, int bottom);

    // The selection ordered and clipped to the image; empty when there is none.
    QRect selection() const;

    // Renders the viewport's picture into target as a paint would (benchmarks and tests).
    void paintPicture(QPainter& painter, const QRect& area);

signals:
    // button: 1 left, 2 right, 4 middle; shift: 1 Shift, 2 Ctrl, 4 Alt, added; x, y: the image
    // pixel under the pointer (outside the image when released beside it; 0, 0 when nothing is
    // shown).
    void mouseReleased(int button, int shift, int x, int y);
    void clicked(int x, int y);
    void selectionChanged();
    // The shrunk picture on show was replaced by its full-quality rendering.
    void pictureRefined();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class Anchor { KeepScroll, KeepCentre, Resize, TopLeft };

    const Image* shownImage() const;
    ViewGeometry computeGeometry(const Image& image) const;
    void layoutPicture(Anchor anchor);
    bool layoutIsStale(const Image& image) const;
    void invalidateTile();
    void paintSelection(QPainter& painter, const ViewGeometry& geometry) const;
    void dragTo(QPoint viewPos);
    void autoScrollStep();
    void requestRefinement(const Image& image, const ViewGeometry& geometry);
    void acceptRefinement(const QImage& tile, quint64 generation);
    void cancelRefinement();

    CurrentImage& m_current;
    int m_mode = DisplayMode::Nothing;
    double m_zoomX = 1.0;
    double m_zoomY = 1.0;
    ViewGeometry m_geometry;
    quint32 m_layoutHandle = 0;
    QSize m_layoutImageSize;
    QSize m_layoutViewport;
    bool m_inLayout = false;

    TileRenderer m_renderer;
    QImage m_tile;
    bool m_tileValid = false;
    quint32 m_tileHandle = 0;
    qint64 m_tileImageKey = 0;
    ViewGeometry m_tileGeometry;
    quint64 m_refineGeneration = 0;
    std::shared_ptr<std::atomic<bool>> m_refineCancel;

    ViewOverlay m_overlay;
    ViewTool* m_tool = nullptr;
    bool m_toolDragging = false;
    int m_edges[4] = {0, 0, 0, 0};

    bool m_leftPressed = false;
    bool m_dragging = false;
    QPoint m_pressPos;
    QPoint m_pressPixel;
    QPoint m_dragPos;
    QTimer m_autoScroll;
};

}  // namespace tavlo
