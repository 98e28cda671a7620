#include "imaging/view/image_view.h"

#include "imaging/current_image.h"
#include "imaging/display_mode.h"
#include "imaging/view/mouse_pointer.h"
#include "imaging/worker_threads.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QThreadPool>

#include <algorithm>
#include <cmath>
#include <utility>

namespace tavlo {
namespace {

QPoint floorPoint(QPointF p)
{
    return QPoint(int(std::floor(p.x())), int(std::floor(p.y())));
}

int buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

int shiftCode(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

// Scroll bar range and steps for a picture length in a view length.
void setUpBar(QScrollBar* bar, int content, int view)
{
    bar->setRange(0, std::max(0, content - view));
    bar->setPageStep(std::max(1, view));
    bar->setSingleStep(std::max(1, view / 20));
}

// Where the picture starts along one axis: centred while it fits, else moved by the scroll bar.
int originFor(int content, int view, int scroll)
{
    if (content <= view)
        return (view - content) / 2;
    return -std::clamp(scroll, 0, content - view);
}

}  // namespace

ImageView::ImageView(CurrentImage& current, QWidget* parent)
    : QAbstractScrollArea(parent), m_current(current)
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setCursor(cursorShapeForPointer(0));
    m_overlay.setChangedCallback([this] { viewport()->update(); });
    m_autoScroll.setInterval(kAutoScrollInterval);
    connect(&m_autoScroll, &QTimer::timeout, this, &ImageView::autoScrollStep);
}

ImageView::~ImageView()
{
    cancelRefinement();
}

const Image* ImageView::shownImage() const
{
    if (m_mode == DisplayMode::Nothing)
        return nullptr;
    return std::as_const(m_current).image();
}

void ImageView::showImage(int mode, double zoomX, double zoomY)
{
    const bool sameImage = m_current.handle() == m_layoutHandle && m_mode != DisplayMode::Nothing;
    m_mode = mode;
    m_zoomX = zoomX;
    m_zoomY = zoomY;
    m_overlay.clear();
    layoutPicture(sameImage ? Anchor::KeepCentre : Anchor::TopLeft);
}

void ImageView::showNothing()
{
    m_mode = DisplayMode::Nothing;
    m_overlay.clear();
    m_dragging = false;
    m_leftPressed = false;
    m_autoScroll.stop();
    setSelectionEdges(0, 0, 0, 0);
    layoutPicture(Anchor::TopLeft);
}

void ImageView::refresh()
{
    m_overlay.clear();
    const bool sameImage = m_current.handle() == m_layoutHandle;
    layoutPicture(sameImage ? Anchor::KeepScroll : Anchor::TopLeft);
}

void ImageView::imageReplaced()
{
    layoutPicture(Anchor::TopLeft);
}

ViewGeometry ImageView::viewGeometry() const
{
    const Image* image = shownImage();
    if (!image)
        return ViewGeometry();
    return layoutIsStale(*image) ? computeGeometry(*image) : m_geometry;
}

ViewGeometry ImageView::computeGeometry(const Image& image) const
{
    const QSize imageSize(image.width(), image.height());
    const QSize view = viewport()->size();
    if (m_mode == DisplayMode::Scaled) {
        const double scale = ViewGeometry::fitScale(imageSize, view);
        const ViewGeometry sized(imageSize, scale, scale, QPoint());
        const QSize content = sized.contentSize();
        return ViewGeometry(
            imageSize, scale, scale,
            QPoint((view.width() - content.width()) / 2, (view.height() - content.height()) / 2));
    }
    const ViewGeometry sized(imageSize, m_zoomX, m_zoomY, QPoint());
    const QSize content = sized.contentSize();
    return ViewGeometry(
        imageSize, m_zoomX, m_zoomY,
        QPoint(originFor(content.width(), view.width(), horizontalScrollBar()->value()),
               originFor(content.height(), view.height(), verticalScrollBar()->value())));
}

bool ImageView::layoutIsStale(const Image& image) const
{
    return m_current.handle() != m_layoutHandle ||
           QSize(image.width(), image.height()) != m_layoutImageSize || m_geometry.isNull();
}

void ImageView::layoutPicture(Anchor anchor)
{
    if (m_inLayout)
        return;
    m_inLayout = true;
    const Image* image = shownImage();
    const ViewGeometry before = m_geometry;
    const QPointF oldCentre(m_layoutViewport.width() / 2.0, m_layoutViewport.height() / 2.0);
    const bool keepCentre = (anchor == Anchor::KeepCentre || anchor == Anchor::Resize) &&
                            !before.isNull() && image && m_current.handle() == m_layoutHandle;
    // When the view changes size, a picture scrolled to its top or left edge stays there (a new
    // image shown from its top left keeps that corner when the scroll bars appear).
    const bool keepLeft = anchor == Anchor::Resize && before.origin().x() == 0;
    const bool keepTop = anchor == Anchor::Resize && before.origin().y() == 0;
    const QPointF centreImage = keepCentre ? before.toImage(oldCentre) : QPointF();

    const Qt::ScrollBarPolicy policy =
        image && m_mode == DisplayMode::ActualSize ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    // Setting a policy lays the scroll bars out again even when it does not change.
    if (horizontalScrollBarPolicy() != policy)
        setHorizontalScrollBarPolicy(policy);
    if (verticalScrollBarPolicy() != policy)
        setVerticalScrollBarPolicy(policy);
    if (!image || m_mode != DisplayMode::ActualSize) {
        horizontalScrollBar()->setRange(0, 0);
        verticalScrollBar()->setRange(0, 0);
    } else {
        const QSize content =
            ViewGeometry(QSize(image->width(), image->height()), m_zoomX, m_zoomY, QPoint())
                .contentSize();
        const QSize view = viewport()->size();
        setUpBar(horizontalScrollBar(), content.width(), view.width());
        setUpBar(verticalScrollBar(), content.height(), view.height());
        if (anchor == Anchor::TopLeft) {
            horizontalScrollBar()->setValue(0);
            verticalScrollBar()->setValue(0);
        } else if (keepCentre) {
            const ViewGeometry scaled(QSize(image->width(), image->height()), m_zoomX, m_zoomY,
                                      QPoint());
            const QPointF centreContent = scaled.toView(centreImage);
            horizontalScrollBar()->setValue(
                keepLeft ? 0 : int(std::lround(centreContent.x() - view.width() / 2.0)));
            verticalScrollBar()->setValue(
                keepTop ? 0 : int(std::lround(centreContent.y() - view.height() / 2.0)));
        }
    }

    m_geometry = image ? computeGeometry(*image) : ViewGeometry();
    m_layoutHandle = m_current.handle();
    m_layoutImageSize = image ? QSize(image->width(), image->height()) : QSize();
    m_layoutViewport = viewport()->size();
    invalidateTile();
    m_inLayout = false;
}

void ImageView::invalidateTile()
{
    m_tileValid = false;
    cancelRefinement();
    viewport()->update();
}

void ImageView::cancelRefinement()
{
    if (m_refineCancel)
        m_refineCancel->store(true);
    m_refineCancel.reset();
    ++m_refineGeneration;
}

void ImageView::requestRefinement(const Image& image, const ViewGeometry& geometry)
{
    cancelRefinement();
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    m_refineCancel = cancel;
    const quint64 generation = m_refineGeneration;
    const QSize view = m_tile.size();  // in device pixels, as the geometry
    QPointer<ImageView> self(this);
    workerPool().start([self, source = image, geometry, view, generation, cancel] {
        QImage tile(view, QImage::Format_RGB32);
        if (tile.isNull())
            return;
        const QRect visible = geometry.contentRect() & QRect(QPoint(), view);
        TileRenderer renderer;
        renderer.render(source, geometry, visible, tile, visible.topLeft(),
                        TileRenderer::Quality::Full, cancel.get());
        if (cancel->load())
            return;
        // Back on the user-interface thread; the view may be gone by then.
        QCoreApplication* app = QCoreApplication::instance();
        if (!app)
            return;
        QMetaObject::invokeMethod(
            app,
            [self, tile, generation] {
                if (self)
                    self->acceptRefinement(tile, generation);
            },
            Qt::QueuedConnection);
    });
}

void ImageView::acceptRefinement(const QImage& tile, quint64 generation)
{
    // A newer paint, layout or image change has made this rendering stale.
    if (generation != m_refineGeneration || !m_tileValid || tile.size() != m_tile.size())
        return;
    m_refineCancel.reset();
    m_tile = tile;
    viewport()->update();
    emit pictureRefined();
}

void ImageView::setTool(ViewTool* tool)
{
    m_tool = tool;
    m_toolDragging = false;
    viewport()->update();
}

void ImageView::updateImageArea(const QRectF& imageRect)
{
    const ViewGeometry geometry = viewGeometry();
    if (geometry.isNull())
        return;
    // Two view pixels more on every side for smoothed edges and rounding.
    viewport()->update(geometry.toView(imageRect).toAlignedRect().adjusted(-2, -2, 2, 2));
}

void ImageView::setSelectionEdges(int left, int top, int right, int bottom)
{
    if (m_edges[0] == left && m_edges[1] == top && m_edges[2] == right && m_edges[3] == bottom)
        return;
    m_edges[0] = left;
    m_edges[1] = top;
    m_edges[2] = right;
    m_edges[3] = bottom;
    viewport()->update();
    emit selectionChanged();
}

QRect ImageView::selection() const
{
    const Image* image = std::as_const(m_current).image();
    if (!image)
        return QRect();
    const int left = std::max(0, std::min(m_edges[0], m_edges[2]));
    const int top = std::max(0, std::min(m_edges[1], m_edges[3]));
    const int right = std::min(image->width(), std::max(m_edges[0], m_edges[2]));
    const int bottom = std::min(image->height(), std::max(m_edges[1], m_edges[3]));
    if (right <= left || bottom <= top)
        return QRect();
    return QRect(left, top, right - left, bottom - top);
}

void ImageView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    paintPicture(painter, event->rect());
}

void ImageView::paintPicture(QPainter& painter, const QRect& area)
{
    painter.fillRect(area, palette().color(QPalette::Dark));
    const Image* image = shownImage();
    if (!image)
        return;
    ViewGeometry geometry = m_geometry;
    if (layoutIsStale(*image)) {
        // The image changed behind the view's back (replaced or processed in place): paint it as it
        // is now and lay the scroll bars out once this paint is over.
        geometry = computeGeometry(*image);
        const bool sameImage = m_current.handle() == m_layoutHandle;
        QMetaObject::invokeMethod(
            this,
            [this, sameImage] { layoutPicture(sameImage ? Anchor::KeepScroll : Anchor::TopLeft); },
            Qt::QueuedConnection);
    }

    // The picture is rendered in device pixels: on a screen scaled above 100 % every device pixel
    // shows its own image pixel instead of a view pixel being stretched over several.
    const qreal ratio = viewport()->devicePixelRatioF();
    const ViewGeometry device = geometry.onDevice(ratio);
    const QSize view = viewport()->size();
    const QSize deviceView(int(std::ceil(view.width() * ratio)),
                           int(std::ceil(view.height() * ratio)));
    const qint64 imageKey = image->pixels().cacheKey();
    if (!m_tileValid || m_tile.size() != deviceView || m_tileHandle != m_current.handle() ||
        m_tileImageKey != imageKey || !(m_tileGeometry == device)) {
        if (m_tile.size() != deviceView)
            m_tile = QImage(deviceView, QImage::Format_RGB32);
        cancelRefinement();
        const QRect visible = device.contentRect() & QRect(QPoint(), deviceView);
        const bool complete = m_renderer.render(*image, device, visible, m_tile, visible.topLeft());
        m_tileValid = true;
        m_tileHandle = m_current.handle();
        m_tileImageKey = imageKey;
        m_tileGeometry = device;
        if (!complete)
            requestRefinement(*image, device);
    }
    const QRect deviceArea(
        QPoint(int(std::floor(area.left() * ratio)), int(std::floor(area.top() * ratio))),
        QPoint(int(std::ceil((area.right() + 1) * ratio)) - 1,
               int(std::ceil((area.bottom() + 1) * ratio)) - 1));
    const QRect shown = device.contentRect() & deviceArea & QRect(QPoint(), deviceView);
    if (!shown.isEmpty()) {
        // Device pixels to view pixels one to one.
        const QRectF target(QPointF(shown.topLeft()) / ratio, QSizeF(shown.size()) / ratio);
        painter.drawImage(target, m_tile, QRectF(shown));
    }
    m_overlay.paint(painter, geometry);
    if (m_tool)
        m_tool->paint(painter, geometry, area);
    paintSelection(painter, geometry);
}

void ImageView::paintSelection(QPainter& painter, const ViewGeometry& geometry) const
{
    const QRect selected = selection();
    if (selected.isEmpty())
        return;
    const QRectF band = geometry.toView(QRectF(selected));
    const int left = int(std::lround(band.left()));
    const int top = int(std::lround(band.top()));
    const int right = std::max(left + 1, int(std::lround(band.right())));
    const int bottom = std::max(top + 1, int(std::lround(band.bottom())));
    // The outline runs along the inside of the selected pixels: white under black dashes, so it
    // shows on any picture.
    const QRect outline(left, top, right - left - 1, bottom - top - 1);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 0));
    painter.drawRect(outline);
    QPen dashes(Qt::black, 0);
    dashes.setDashPattern({4, 4});
    painter.setPen(dashes);
    painter.drawRect(outline);
    painter.restore();
}

void ImageView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    layoutPicture(m_mode == DisplayMode::ActualSize ? Anchor::Resize : Anchor::KeepScroll);
}

void ImageView::scrollContentsBy(int, int)
{
    const Image* image = shownImage();
    if (!image || m_inLayout)
        return;
    m_geometry = computeGeometry(*image);
    viewport()->update();
}

void ImageView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !shownImage()) {
        event->ignore();
        return;
    }
    if (m_tool) {
        const ViewGeometry geometry = viewGeometry();
        if (m_tool->press(geometry.pixelAt(floorPoint(event->position())), geometry)) {
            m_toolDragging = true;
            event->accept();
            return;
        }
    }
    m_leftPressed = true;
    m_dragging = false;
    m_pressPos = floorPoint(event->position());
    m_pressPixel = viewGeometry().clampedPixelAt(m_pressPos);
    event->accept();
}

void ImageView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_toolDragging && m_tool) {
        const ViewGeometry geometry = viewGeometry();
        m_tool->move(geometry.pixelAt(floorPoint(event->position())), geometry);
        return;
    }
    if (!m_leftPressed || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint pos = floorPoint(event->position());
    if (!m_dragging && (pos - m_pressPos).manhattanLength() >= kDragThreshold)
        m_dragging = true;
    if (!m_dragging)
        return;
    m_dragPos = pos;
    dragTo(pos);
    // Beyond the edge of a scrollable picture the view scrolls on while the button is held.
    if (m_mode == DisplayMode::ActualSize && !viewport()->rect().contains(pos))
        m_autoScroll.start();
    else
        m_autoScroll.stop();
}

void ImageView::autoScrollStep()
{
    if (!m_dragging || !shownImage()) {
        m_autoScroll.stop();
        return;
    }
    // Scroll by the distance the pointer is beyond the edge, at most a tenth of the view per step.
    const QRect inside = viewport()->rect();
    auto overshoot = [](int pos, int low, int high, int most) {
        if (pos < low)
            return -std::min(most, low - pos);
        if (pos > high)
            return std::min(most, pos - high);
        return 0;
    };
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    h->setValue(h->value() + overshoot(m_dragPos.x(), inside.left(), inside.right(),
                                       std::max(1, inside.width() / 10)));
    v->setValue(v->value() + overshoot(m_dragPos.y(), inside.top(), inside.bottom(),
                                       std::max(1, inside.height() / 10)));
    dragTo(m_dragPos);
}

void ImageView::dragTo(QPoint viewPos)
{
    if (!shownImage())
        return;
    const QPoint pixel = viewGeometry().clampedPixelAt(viewPos);
    setSelectionEdges(std::min(pixel.x(), m_pressPixel.x()), std::min(pixel.y(), m_pressPixel.y()),
                      std::max(pixel.x(), m_pressPixel.x()) + 1,
                      std::max(pixel.y(), m_pressPixel.y()) + 1);
}

void ImageView::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint pos = floorPoint(event->position());
    const ViewGeometry geometry = viewGeometry();
    const QPoint pixel = geometry.isNull() ? QPoint() : geometry.pixelAt(pos);
    if (event->button() == Qt::LeftButton && m_toolDragging) {
        m_toolDragging = false;
        if (m_tool && !geometry.isNull())
            m_tool->release(pixel, geometry);
    } else if (event->button() == Qt::LeftButton && m_leftPressed) {
        m_leftPressed = false;
        m_autoScroll.stop();
        if (m_dragging) {
            dragTo(pos);
            m_dragging = false;
        } else if (!geometry.isNull() && QRect(QPoint(), geometry.imageSize()).contains(pixel)) {
            setSelectionEdges(0, 0, 0, 0);
            emit clicked(pixel.x(), pixel.y());
        }
    }
    emit mouseReleased(buttonCode(event->button()), shiftCode(event->modifiers()), pixel.x(),
                       pixel.y());
    event->accept();
}

void ImageView::keyPressEvent(QKeyEvent* event)
{
    if (m_tool && m_tool->key(event->key())) {
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

}  // namespace tavlo
