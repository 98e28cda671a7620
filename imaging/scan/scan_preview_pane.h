#pragma once

#include "imaging/image.h"

#include <QImage>
#include <QRectF>
#include <QWidget>

namespace tavlo::scan {

// The preview pane of the scan-settings dialog: the scanner's whole glass scaled to the pane, the
// last preview drawn on it, and the scan area as a rectangle the user moves (drag inside it),
// resizes (drag one of its eight handles or edges) or draws anew (drag outside it). The cursor
// shows what a press would take hold of.
//
// Units: positions are in the device's unit (millimetres for almost every scanner), the same as
// the dialog's area fields. One pair of exact inverse mappings, toPane() and toDevice(), links
// pane pixels and the device's unit; the glass keeps its aspect ratio, centred in the pane.
//
// A drag keeps the area inside the glass and puts every edge on the step grid from the glass's
// top-left corner (the device's quantisation, or the precision of the fields), at least one step
// wide and high, so what is drawn is what will be scanned. areaDragged() reports each change while
// the mouse moves; setArea() (from the fields) shows an area without reporting it.
class ScanPreviewPane : public QWidget {
    Q_OBJECT
public:
    // What a press at a point takes hold of.
    enum class Grip {
        None,  // off the glass
        New,   // on the glass outside the area: a new area from there
        Move,
        Left,
        Top,
        Right,
        Bottom,
        TopLeft,
        TopRight,
        BottomLeft,
        BottomRight,
    };

    explicit ScanPreviewPane(QWidget* parent = nullptr);

    // The device's whole area and the step of its edges (> 0).
    void setGlass(const QRectF& glass, double step);
    QRectF glass() const { return m_glass; }
    double step() const { return m_step; }

    // The preview and the part of the glass it shows (a null image shows an empty glass).
    void setPreview(const Image& image, const QRectF& covered);
    bool hasPreview() const { return !m_preview.isNull(); }
    const Image& preview() const { return m_previewImage; }
    QRectF previewArea() const { return m_covered; }

    void setArea(const QRectF& area);
    QRectF area() const { return m_area; }

    // Where the glass is drawn, and the mappings between pane pixels and the device's unit.
    QRectF glassOnPane() const;
    QPointF toPane(const QPointF& device) const;
    QPointF toDevice(const QPointF& pane) const;
    QRectF toPane(const QRectF& device) const;

    Grip gripAt(const QPointF& pane) const;
    static Qt::CursorShape cursorFor(Grip grip);

    // The area a drag of grip gives when the pointer went from `from` to `to` (device unit),
    // starting from the area `start`: clamped, on the step grid, at least one step in size.
    QRectF dragged(Grip grip, const QRectF& start, const QPointF& from, const QPointF& to) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void areaDragged(const QRectF& area);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    double scale() const;  // pane pixels per device unit
    double snapX(double x) const;
    double snapY(double y) const;
    double snap(double v, double origin, double end) const;

    QRectF m_glass{0, 0, 210, 297};
    double m_step = 0.1;
    Image m_previewImage;
    QImage m_preview;  // the preview as 32-bit colour for drawing
    QImage m_scaled;   // m_preview scaled to its place on the pane, made when the size changes
    QRectF m_covered;
    QRectF m_area;

    Grip m_grip = Grip::None;
    QRectF m_dragStart;
    QPointF m_pressDevice;
};

}  // namespace tavlo::scan
