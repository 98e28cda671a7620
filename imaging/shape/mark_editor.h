#pragma once

#include "imaging/shape/mark_history.h"
#include "imaging/view/view_tool.h"

#include <QColor>
#include <QImage>
#include <QLineEdit>
#include <QObject>
#include <QPointer>

namespace tavlo {

class CurrentImage;
class ImageView;

// The tools of the marker tool bar.
enum class MarkerTool {
    Select,  // pick a mark: drag it to move it, drag its corner handle to resize it
    Pen,
    Highlighter,
    Line,
    Arrow,
    Rectangle,
    Ellipse,
    Text,    // a click opens a text field on the view (the input method works in it)
    Stamp,   // a click places the stamp picture at its own size, centred on the pixel
    Eraser,  // removes the marks the pointer passes over
};

// What new marks look like.
struct MarkStyle {
    QColor colour = Qt::blue;
    double width = 4.0;         // image pixels
    bool filled = false;        // rectangles and ellipses
    int fontPoints = 12;        // text size in points at the image's dots per inch
    int highlightOpacity = 50;  // percent
};

// Draws and edits the marks on the view with the left button, in image pixels, and paints them
// over the picture. Only a press on the image starts a mark; with the select tool a press beside
// every mark leaves the view its selection rubber band. While inactive (the tool bar hidden) it
// paints its marks but takes no presses. Repaints only the view area a change touches, so a stroke
// on a 600 dpi page stays smooth at any zoom. User-interface thread only.
class MarkEditor : public QObject, public ViewTool {
    Q_OBJECT
public:
    MarkEditor(ImageView& view, CurrentImage& current);
    ~MarkEditor() override;

    const MarkHistory& history() const { return m_history; }
    const std::vector<Mark>& marks() const { return m_history.marks(); }

    void setActive(bool active);
    bool isActive() const { return m_active; }
    void setTool(MarkerTool tool);
    MarkerTool tool() const { return m_tool; }
    MarkStyle& style() { return m_style; }
    void setStamp(const QImage& stamp) { m_stamp = stamp; }

    // The selected mark's index, -1 for none.
    int selected() const { return m_selected; }
    void deleteSelected();
    void undo();
    void redo();
    // Forgets every mark and the history.
    void clear();
    // The open text field of the text tool, or nullptr.
    QLineEdit* textEntry() const { return m_entry; }
    // Ends the text field: its text (when any) becomes a mark.
    void finishText();

    bool press(QPoint pixel, const ViewGeometry& geometry) override;
    void move(QPoint pixel, const ViewGeometry& geometry) override;
    void release(QPoint pixel, const ViewGeometry& geometry) override;
    bool key(int key) override;
    void paint(QPainter& painter, const ViewGeometry& geometry, const QRect& area) const override;

signals:
    // The marks, the selection or what can be undone changed.
    void marksChanged();

private:
    enum class Drag { None, Draw, Move, Resize, Erase };

    Mark newMark(MarkKind kind) const;
    // A new mark that the drag under way shapes.
    void startMark(const Mark& mark);
    void beginText(QPoint pixel, const ViewGeometry& geometry);
    void dropEntry();
    void step(bool (MarkHistory::*direction)());
    // Removes the marks within tolerance of the segment the pointer swept.
    bool eraseAlong(QPointF from, QPointF to, double tolerance);
    void repaint(const QRectF& imageArea);
    void repaintAll();
    void changed();

    ImageView& m_view;
    CurrentImage& m_current;
    MarkHistory m_history;
    MarkStyle m_style;
    MarkerTool m_tool = MarkerTool::Pen;
    QImage m_stamp;
    bool m_active = false;
    int m_selected = -1;
    Drag m_drag = Drag::None;
    bool m_dragChanged = false;
    QPointF m_last;
    QPointer<QLineEdit> m_entry;
    QPointF m_entryAt;
    double m_entryHeight = 0;
};

}  // namespace tavlo
