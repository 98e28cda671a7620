#include "imaging/shape/mark_editor.h"

#include "imaging/current_image.h"
#include "imaging/view/image_view.h"

#include <QLineEdit>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <utility>

namespace tavlo {
namespace {

// Pointer reach in view pixels when picking, erasing and grabbing the resize handle.
constexpr double kReachViewPixels = 4.0;
constexpr int kHandleViewPixels = 7;

QPointF centreOf(QPoint pixel)
{
    return QPointF(pixel) + QPointF(0.5, 0.5);
}

double reachInImage(const ViewGeometry& geometry)
{
    return kReachViewPixels / std::min(geometry.scaleX(), geometry.scaleY());
}

MarkKind kindOf(MarkerTool tool)
{
    switch (tool) {
    case MarkerTool::Highlighter: return MarkKind::Highlighter;
    case MarkerTool::Line: return MarkKind::Line;
    case MarkerTool::Arrow: return MarkKind::Arrow;
    case MarkerTool::Rectangle: return MarkKind::Rectangle;
    case MarkerTool::Ellipse: return MarkKind::Ellipse;
    case MarkerTool::Text: return MarkKind::Text;
    case MarkerTool::Stamp: return MarkKind::Stamp;
    default: return MarkKind::Pen;
    }
}

// The resize handle: a square on the bottom right corner of the mark's frame, in view pixels.
QRectF handleRect(const Mark& mark, const ViewGeometry& geometry)
{
    const QPointF corner = geometry.toView(mark.frame().bottomRight());
    const double half = kHandleViewPixels / 2.0;
    return QRectF(corner - QPointF(half, half), QSizeF(kHandleViewPixels, kHandleViewPixels));
}

}  // namespace

MarkEditor::MarkEditor(ImageView& view, CurrentImage& current)
    : m_view(view), m_current(current) { }

MarkEditor::~MarkEditor()
{
    delete m_entry;
}

void MarkEditor::setActive(bool active)
{
    if (!active)
        finishText();
    m_active = active;
    m_drag = Drag::None;
}

void MarkEditor::setTool(MarkerTool tool)
{
    finishText();
    m_tool = tool;
    if (tool != MarkerTool::Select && m_selected >= 0) {
        m_selected = -1;
        repaintAll();
        emit marksChanged();
    }
}

Mark MarkEditor::newMark(MarkKind kind) const
{
    Mark mark;
    mark.kind = kind;
    mark.colour = m_style.colour;
    mark.width = std::max(1.0, m_style.width);
    mark.filled = m_style.filled;
    mark.opacity = m_style.highlightOpacity;
    return mark;
}

bool MarkEditor::press(QPoint pixel, const ViewGeometry& geometry)
{
    if (!m_active || geometry.isNull())
        return false;
    finishText();
    const QPointF at = centreOf(pixel);
    const bool onImage = QRect(QPoint(), geometry.imageSize()).contains(pixel);
    m_last = at;
    m_dragChanged = false;
    switch (m_tool) {
    case MarkerTool::Select: {
        const std::vector<Mark>& marks = m_history.marks();
        if (m_selected >= 0 &&
            handleRect(marks[m_selected], geometry).contains(geometry.toView(at))) {
            m_drag = Drag::Resize;
            return true;
        }
        const double reach = reachInImage(geometry);
        int hit = -1;
        for (int i = int(marks.size()) - 1; i >= 0 && hit < 0; --i) {
            if (marks[i].hit(at, reach))
                hit = i;
        }
        if (hit != m_selected) {
            m_selected = hit;
            repaintAll();
            emit marksChanged();
        }
        if (hit < 0)
            return false;
        m_drag = Drag::Move;
        return true;
    }
    case MarkerTool::Eraser:
        m_history.checkpoint();
        m_drag = Drag::Erase;
        m_dragChanged = eraseAlong(at, at, reachInImage(geometry));
        return true;
    case MarkerTool::Text:
        if (!onImage)
            return false;
        beginText(pixel, geometry);
        return true;
    case MarkerTool::Stamp: {
        if (!onImage || m_stamp.isNull())
            return false;
        Mark mark = newMark(MarkKind::Stamp);
        mark.stamp = m_stamp;
        const QSizeF size = m_stamp.size();
        mark.box = QRectF(at - QPointF(size.width() / 2, size.height() / 2), size);
        startMark(mark);
        return true;
    }
    default: {
        if (!onImage)
            return false;
        Mark mark = newMark(kindOf(m_tool));
        if (mark.usesBox())
            mark.box = QRectF(at, at);
        else if (mark.kind == MarkKind::Line || mark.kind == MarkKind::Arrow)
            mark.points = {at, at};
        else
            mark.points = {at};
        startMark(mark);
        return true;
    }
    }
}

void MarkEditor::startMark(const Mark& mark)
{
    m_history.checkpoint();
    m_history.edit().push_back(mark);
    m_drag = Drag::Draw;
    changed();
    repaint(mark.bounds());
}

void MarkEditor::move(QPoint pixel, const ViewGeometry& geometry)
{
    const QPointF at = centreOf(pixel);
    if (m_drag == Drag::None || at == m_last)
        return;
    std::vector<Mark>& marks = m_history.edit();
    switch (m_drag) {
    case Drag::Draw: {
        Mark& mark = marks.back();
        const QRectF before = mark.bounds();
        if (mark.kind == MarkKind::Pen || mark.kind == MarkKind::Highlighter) {
            // Only the new segment needs painting.
            mark.points.push_back(at);
            const double margin = mark.width / 2.0 + 2.0;
            repaint(QRectF(m_last, at).normalized().adjusted(-margin, -margin, margin, margin));
        } else {
            if (mark.kind == MarkKind::Stamp)
                mark.box.moveCenter(at);
            else if (mark.usesBox())
                mark.box.setBottomRight(at);
            else
                mark.points.back() = at;
            repaint(before.united(mark.bounds()));
        }
        break;
    }
    case Drag::Move:
    case Drag::Resize: {
        if (m_selected < 0 || m_selected >= int(marks.size()))
            return;
        if (!m_dragChanged) {
            m_history.checkpoint();
            m_dragChanged = true;
        }
        Mark& mark = m_history.edit()[m_selected];
        const QRectF before = mark.bounds();
        if (m_drag == Drag::Move) {
            mark.moveBy(at - m_last);
        } else {
            const QPointF fixed = mark.frame().topLeft();
            QRectF target = QRectF(fixed, at).normalized();
            target.setWidth(std::max(1.0, target.width()));
            target.setHeight(std::max(1.0, target.height()));
            mark.fitFrame(target);
        }
        // The selection outline and handle lie around the bounds.
        const double pad = (kHandleViewPixels + 2) / std::min(geometry.scaleX(), geometry.scaleY());
        repaint(before.united(mark.bounds()).adjusted(-pad, -pad, pad, pad));
        changed();
        break;
    }
    case Drag::Erase:
        if (eraseAlong(m_last, at, reachInImage(geometry)))
            m_dragChanged = true;
        break;
    case Drag::None: break;
    }
    m_last = at;
}

void MarkEditor::release(QPoint pixel, const ViewGeometry& geometry)
{
    move(pixel, geometry);
    if (m_drag == Drag::Erase && !m_dragChanged)
        m_history.dropCheckpoint();
    m_drag = Drag::None;
    changed();
}

bool MarkEditor::key(int key)
{
    if (!m_active || m_selected < 0 || (key != Qt::Key_Delete && key != Qt::Key_Backspace))
        return false;
    deleteSelected();
    return true;
}

bool MarkEditor::eraseAlong(QPointF from, QPointF to, double tolerance)
{
    // Points along the segment no farther apart than the reach, so no mark slips between them.
    const QPointF d = to - from;
    const int steps = int(std::ceil(std::hypot(d.x(), d.y()) / std::max(0.5, tolerance)));
    std::vector<Mark>& marks = m_history.edit();
    bool erased = false;
    for (std::size_t i = marks.size(); i-- > 0;) {
        bool touched = false;
        for (int step = 0; step <= steps && !touched; ++step)
            touched = marks[i].hit(from + d * (steps ? double(step) / steps : 0.0), tolerance);
        if (touched) {
            repaint(marks[i].bounds());
            marks.erase(marks.begin() + std::ptrdiff_t(i));
            erased = true;
        }
    }
    if (erased) {
        m_selected = -1;
        changed();
    }
    return erased;
}

void MarkEditor::beginText(QPoint pixel, const ViewGeometry& geometry)
{
    const Image* image = std::as_const(m_current).image();
    const int dpi = image && image->dpiY() > 0 ? image->dpiY() : 72;
    m_entryAt = QPointF(pixel);
    m_entryHeight = std::max(1.0, std::round(m_style.fontPoints * dpi / 72.0));
    auto* entry = new QLineEdit(m_view.viewport());
    entry->setObjectName(QStringLiteral("markText"));
    entry->setFrame(false);
    QFont font = entry->font();
    font.setPixelSize(
        std::clamp(int(std::lround(m_entryHeight * geometry.scaleY() * 0.8)), 6, 400));
    entry->setFont(font);
    QPalette colours = entry->palette();
    colours.setColor(QPalette::Text, m_style.colour);
    entry->setPalette(colours);
    const QPointF topLeft = geometry.toView(m_entryAt);
    entry->setGeometry(int(std::floor(topLeft.x())), int(std::floor(topLeft.y())),
                       std::max(120, m_view.viewport()->width() / 3), entry->sizeHint().height());
    connect(entry, &QLineEdit::returnPressed, this, &MarkEditor::finishText);
    connect(entry, &QLineEdit::editingFinished, this, &MarkEditor::finishText);
    m_entry = entry;
    entry->show();
    entry->setFocus();
}

void MarkEditor::finishText()
{
    if (!m_entry)
        return;
    const QString text = m_entry->text();
    dropEntry();
    if (text.trimmed().isEmpty())
        return;
    Mark mark = newMark(MarkKind::Text);
    mark.text = text;
    mark.box = QRectF(m_entryAt, textSizeAt(text, m_entryHeight));
    m_history.checkpoint();
    m_history.edit().push_back(mark);
    repaint(mark.bounds());
    changed();
}

void MarkEditor::dropEntry()
{
    if (!m_entry)
        return;
    // The field goes at the next turn of the event loop (this may run inside its own signal);
    // until then it is nameless and hidden, so nobody takes it for the open one.
    QLineEdit* entry = m_entry;
    m_entry = nullptr;
    entry->setObjectName(QString());
    entry->hide();
    entry->deleteLater();
}

void MarkEditor::deleteSelected()
{
    if (m_selected < 0 || m_selected >= int(m_history.marks().size()))
        return;
    m_history.checkpoint();
    repaintAll();
    m_history.edit().erase(m_history.edit().begin() + m_selected);
    m_selected = -1;
    changed();
}

void MarkEditor::undo()
{
    step(&MarkHistory::undo);
}

void MarkEditor::redo()
{
    step(&MarkHistory::redo);
}

void MarkEditor::step(bool (MarkHistory::*direction)())
{
    finishText();
    if ((m_history.*direction)()) {
        m_selected = -1;
        repaintAll();
        changed();
    }
}

void MarkEditor::clear()
{
    dropEntry();
    m_history.clear();
    m_selected = -1;
    m_drag = Drag::None;
    repaintAll();
    changed();
}

void MarkEditor::paint(QPainter& painter, const ViewGeometry& geometry, const QRect& area) const
{
    const std::vector<Mark>& marks = m_history.marks();
    if (marks.empty() || geometry.isNull())
        return;
    const QRect shown = area & geometry.contentRect();
    if (shown.isEmpty())
        return;
    const QRectF visible(geometry.toImage(QPointF(shown.topLeft())),
                         geometry.toImage(QPointF(shown.bottomRight() + QPoint(1, 1))));
    painter.save();
    // Marks end at the image's edges, as they do when committed.
    painter.setClipRect(shown);
    painter.translate(geometry.origin());
    painter.scale(geometry.scaleX(), geometry.scaleY());
    for (const Mark& mark : marks) {
        if (mark.bounds().intersects(visible))
            mark.paint(painter);
    }
    painter.restore();
    if (m_selected < 0 || m_selected >= int(marks.size()))
        return;
    const Mark& mark = marks[m_selected];
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 0));
    const QRectF frame = geometry.toView(mark.bounds());
    painter.drawRect(frame);
    QPen dashes(Qt::black, 0);
    dashes.setDashPattern({3, 3});
    painter.setPen(dashes);
    painter.drawRect(frame);
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::white);
    painter.drawRect(handleRect(mark, geometry));
    painter.restore();
}

void MarkEditor::repaint(const QRectF& imageArea)
{
    m_view.updateImageArea(imageArea);
}

void MarkEditor::repaintAll()
{
    m_view.viewport()->update();
}

void MarkEditor::changed()
{
    emit marksChanged();
}

}  // namespace tavlo
