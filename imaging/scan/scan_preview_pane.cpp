#include "imaging/scan/scan_preview_pane.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace tavlo::scan {
namespace {

// Half the side of a handle, and how far from an edge a press still takes it, in pane pixels.
constexpr double kHandle = 4.0;
constexpr double kReach = 6.0;

}  // namespace

ScanPreviewPane::ScanPreviewPane(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize ScanPreviewPane::sizeHint() const
{
    return {300, 360};
}

QSize ScanPreviewPane::minimumSizeHint() const
{
    return {160, 160};
}

void ScanPreviewPane::setGlass(const QRectF& glass, double step)
{
    m_glass = glass;
    m_step = step > 0 ? step : 0.1;
    m_scaled = QImage();
    update();
}

void ScanPreviewPane::setPreview(const Image& image, const QRectF& covered)
{
    m_previewImage = image;
    m_preview = image.isNull() ? QImage() : image.pixels().convertToFormat(QImage::Format_RGB32);
    m_covered = covered;
    m_scaled = QImage();
    update();
}

void ScanPreviewPane::setArea(const QRectF& area)
{
    m_area = area.normalized().intersected(m_glass);
    update();
}

double ScanPreviewPane::scale() const
{
    const QRectF pane = QRectF(contentsRect()).adjusted(kReach, kReach, -kReach, -kReach);
    if (m_glass.width() <= 0 || m_glass.height() <= 0 || pane.width() <= 0 || pane.height() <= 0)
        return 1.0;
    return std::min(pane.width() / m_glass.width(), pane.height() / m_glass.height());
}

QRectF ScanPreviewPane::glassOnPane() const
{
    const double s = scale();
    const QSizeF size(m_glass.width() * s, m_glass.height() * s);
    const QPointF centre = QRectF(contentsRect()).center();
    return {centre - QPointF(size.width() / 2, size.height() / 2), size};
}

QPointF ScanPreviewPane::toPane(const QPointF& device) const
{
    const double s = scale();
    return glassOnPane().topLeft() + (device - m_glass.topLeft()) * s;
}

QPointF ScanPreviewPane::toDevice(const QPointF& pane) const
{
    const double s = scale();
    return m_glass.topLeft() + (pane - glassOnPane().topLeft()) / s;
}

QRectF ScanPreviewPane::toPane(const QRectF& device) const
{
    return {toPane(device.topLeft()), toPane(device.bottomRight())};
}

ScanPreviewPane::Grip ScanPreviewPane::gripAt(const QPointF& p) const
{
    if (!m_area.isEmpty()) {
        const QRectF a = toPane(m_area);
        const bool nearLeft = std::abs(p.x() - a.left()) <= kReach;
        const bool nearRight = std::abs(p.x() - a.right()) <= kReach;
        const bool nearTop = std::abs(p.y() - a.top()) <= kReach;
        const bool nearBottom = std::abs(p.y() - a.bottom()) <= kReach;
        const bool withinX = p.x() >= a.left() - kReach && p.x() <= a.right() + kReach;
        const bool withinY = p.y() >= a.top() - kReach && p.y() <= a.bottom() + kReach;
        if (nearLeft && nearTop)
            return Grip::TopLeft;
        if (nearRight && nearTop)
            return Grip::TopRight;
        if (nearLeft && nearBottom)
            return Grip::BottomLeft;
        if (nearRight && nearBottom)
            return Grip::BottomRight;
        if (nearLeft && withinY)
            return Grip::Left;
        if (nearRight && withinY)
            return Grip::Right;
        if (nearTop && withinX)
            return Grip::Top;
        if (nearBottom && withinX)
            return Grip::Bottom;
        if (a.contains(p))
            return Grip::Move;
    }
    return glassOnPane().contains(p) ? Grip::New : Grip::None;
}

Qt::CursorShape ScanPreviewPane::cursorFor(Grip grip)
{
    switch (grip) {
    case Grip::None: return Qt::ArrowCursor;
    case Grip::New: return Qt::CrossCursor;
    case Grip::Move: return Qt::SizeAllCursor;
    case Grip::Left:
    case Grip::Right: return Qt::SizeHorCursor;
    case Grip::Top:
    case Grip::Bottom: return Qt::SizeVerCursor;
    case Grip::TopLeft:
    case Grip::BottomRight: return Qt::SizeFDiagCursor;
    case Grip::TopRight:
    case Grip::BottomLeft: return Qt::SizeBDiagCursor;
    }
    return Qt::ArrowCursor;
}

double ScanPreviewPane::snap(double v, double origin, double end) const
{
    v = std::clamp(v, origin, end);
    double snapped = origin + std::round((v - origin) / m_step) * m_step;
    if (snapped > end + 1e-9)
        snapped -= m_step;
    // Keep the grid's own decimals (0.1 * 3 is 0.30000000000000004).
    return std::round(snapped * 1e6) / 1e6;
}

double ScanPreviewPane::snapX(double x) const
{
    return snap(x, m_glass.left(), m_glass.right());
}

double ScanPreviewPane::snapY(double y) const
{
    return snap(y, m_glass.top(), m_glass.bottom());
}

QRectF ScanPreviewPane::dragged(Grip grip, const QRectF& start, const QPointF& from,
                                const QPointF& to) const
{
    const QPointF delta = to - from;
    const double minSize = m_step;
    double left = start.left(), top = start.top();
    double right = start.right(), bottom = start.bottom();
    switch (grip) {
    case Grip::None: return start;
    case Grip::New: {
        const double x0 = snapX(from.x()), y0 = snapY(from.y());
        const double x1 = snapX(to.x()), y1 = snapY(to.y());
        left = std::min(x0, x1), right = std::max(x0, x1);
        top = std::min(y0, y1), bottom = std::max(y0, y1);
        if (right - left < minSize) {
            right = left + minSize;
            if (right > m_glass.right() + 1e-9)
                left = (right = snapX(m_glass.right())) - minSize;
        }
        if (bottom - top < minSize) {
            bottom = top + minSize;
            if (bottom > m_glass.bottom() + 1e-9)
                top = (bottom = snapY(m_glass.bottom())) - minSize;
        }
        return {QPointF(left, top), QPointF(right, bottom)};
    }
    case Grip::Move: {
        // The size stays; the position stops at the glass's edges.
        const double w = start.width(), h = start.height();
        left = std::clamp(start.left() + delta.x(), m_glass.left(), m_glass.right() - w);
        top = std::clamp(start.top() + delta.y(), m_glass.top(), m_glass.bottom() - h);
        left = snapX(left), top = snapY(top);
        if (left + w > m_glass.right() + 1e-9)
            left -= m_step;
        if (top + h > m_glass.bottom() + 1e-9)
            top -= m_step;
        return {left, top, w, h};
    }
    default: break;
    }
    const bool movesLeft = grip == Grip::Left || grip == Grip::TopLeft || grip == Grip::BottomLeft;
    const bool movesRight =
        grip == Grip::Right || grip == Grip::TopRight || grip == Grip::BottomRight;
    const bool movesTop = grip == Grip::Top || grip == Grip::TopLeft || grip == Grip::TopRight;
    const bool movesBottom =
        grip == Grip::Bottom || grip == Grip::BottomLeft || grip == Grip::BottomRight;
    // An edge follows the pointer but never crosses the opposite edge.
    if (movesLeft)
        left = snapX(std::min(start.left() + delta.x(), right - minSize));
    if (movesRight)
        right = snapX(std::max(start.right() + delta.x(), left + minSize));
    if (movesTop)
        top = snapY(std::min(start.top() + delta.y(), bottom - minSize));
    if (movesBottom)
        bottom = snapY(std::max(start.bottom() + delta.y(), top + minSize));
    return {QPointF(left, top), QPointF(right, bottom)};
}

void ScanPreviewPane::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Dark));
    const QRectF glass = glassOnPane();
    painter.fillRect(glass, Qt::white);
    if (!m_preview.isNull()) {
        const QRectF target = toPane(m_covered);
        const QSize size = target.size().toSize();
        if (m_scaled.size() != size && !size.isEmpty())
            m_scaled = m_preview.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        painter.save();
        painter.setClipRect(glass);
        painter.drawImage(target.topLeft(), m_scaled);
        painter.restore();
    }
    if (m_area.isEmpty())
        return;
    // The glass outside the area is shaded, the area framed with its handles.
    const QRectF area = toPane(m_area);
    QPainterPath outside;
    outside.addRect(glass);
    outside.addRect(area);
    painter.fillPath(outside, QColor(0, 0, 0, 96));
    painter.setPen(QPen(QColor(0, 90, 200), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area);
    painter.setBrush(QColor(0, 90, 200));
    const double xs[] = {area.left(), area.center().x(), area.right()};
    const double ys[] = {area.top(), area.center().y(), area.bottom()};
    for (double x : xs) {
        for (double y : ys) {
            if (x == xs[1] && y == ys[1])
                continue;
            painter.drawRect(QRectF(x - kHandle, y - kHandle, 2 * kHandle, 2 * kHandle));
        }
    }
}

void ScanPreviewPane::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_grip = gripAt(event->position());
    m_dragStart = m_area;
    m_pressDevice = toDevice(event->position());
    if (m_grip == Grip::New) {
        m_area = dragged(Grip::New, m_area, m_pressDevice, m_pressDevice);
        update();
        emit areaDragged(m_area);
    }
}

void ScanPreviewPane::mouseMoveEvent(QMouseEvent* event)
{
    if (m_grip == Grip::None || !(event->buttons() & Qt::LeftButton)) {
        setCursor(cursorFor(gripAt(event->position())));
        return;
    }
    const QRectF area = dragged(m_grip, m_dragStart, m_pressDevice, toDevice(event->position()));
    if (area == m_area)
        return;
    m_area = area;
    update();
    emit areaDragged(m_area);
}

void ScanPreviewPane::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_grip = Grip::None;
    setCursor(cursorFor(gripAt(event->position())));
}

}  // namespace tavlo::scan
