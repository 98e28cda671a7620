#include "imaging/imaging_control.h"

#include "imaging/display_mode.h"

#include "imaging/clipboard/clipboard_picture.h"
#include "imaging/image_store.h"
#include "imaging/scan/scanner_object.h"
#include "imaging/shape/shape_object.h"
#include "imaging/view/image_view.h"
#include "imaging/view/mouse_pointer.h"

#include <QVBoxLayout>

namespace tavlo {

ImagingControl::ImagingControl(QWidget* parent)
    : QWidget(parent), m_view(new ImageView(m_current, this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    connect(m_view, &ImageView::mouseReleased, this, &ImagingControl::ImageMouseUp);
    connect(m_view, &ImageView::clicked, this, &ImagingControl::ImageClicked);
    connect(m_view, &ImageView::selectionChanged, this, &ImagingControl::SelectionChanged);
    m_shape = std::make_unique<tavlo::ShapeObject>(m_current, *m_view, this);
    connect(m_shape.get(), &ShapeObject::ImageEdited, this, &ImagingControl::ImageEdited);
    connect(m_shape.get(), &ShapeObject::ToolBarVisibleChanged, this,
            &ImagingControl::ToolBarVisibleChanged);
    // Marks belong to the image they were drawn on.
    m_file.Loaded = [this] { m_shape->ClearShape(); };
}

ImagingControl::~ImagingControl()
{
    // The view refers to m_current, which members outlive only until this body ends; the shape
    // object refers to the view.
    m_shape.reset();
    delete m_view;
    m_view = nullptr;
}

scan::ScannerObject& ImagingControl::ScannerObject()
{
    if (!m_scanner)
        m_scanner = std::make_unique<scan::ScannerObject>();
    return *m_scanner;
}

void ImagingControl::setImageHandle(quint32 handle)
{
    if (handle == m_current.handle())
        return;
    m_current.setHandle(handle);
    imageReplaced();
}

quint32 ImagingControl::DuplicateImage(quint32 handle) const
{
    return ImageStore::instance().duplicate(handle);
}

void ImagingControl::imageReplaced()
{
    m_pendingDpiX.reset();
    m_pendingDpiY.reset();
    m_view->imageReplaced();
    // Marks belong to the image they were drawn on.
    m_shape->ClearShape();
}

bool ImagingControl::DrawImage(int mode)
{
    switch (mode) {
    case DisplayMode::Nothing:
        m_view->showNothing();
        m_current.setHandle(0);
        imageReplaced();
        return true;
    case DisplayMode::Scaled:
    case DisplayMode::ActualSize:
        m_view->showImage(mode, m_zoomX, m_zoomY);
        return m_current.image() != nullptr;
    default: return false;
    }
}

void ImagingControl::RefreshView()
{
    m_view->refresh();
}

void ImagingControl::UpdateImageInfo()
{
    m_pendingDpiX.reset();
    m_pendingDpiY.reset();
}

int ImagingControl::ImageWidth() const
{
    const Image* image = m_current.image();
    return image ? image->width() : 0;
}

int ImagingControl::ImageHeight() const
{
    const Image* image = m_current.image();
    return image ? image->height() : 0;
}

int ImagingControl::BitCount() const
{
    const Image* image = m_current.image();
    return image ? image->bitCount() : 0;
}

bool ImagingControl::IsGray() const
{
    const Image* image = m_current.image();
    return image && image->isGrey();
}

int ImagingControl::XResolution() const
{
    if (m_pendingDpiX)
        return *m_pendingDpiX;
    const Image* image = m_current.image();
    return image ? image->dpiX() : 0;
}

int ImagingControl::YResolution() const
{
    if (m_pendingDpiY)
        return *m_pendingDpiY;
    const Image* image = m_current.image();
    return image ? image->dpiY() : 0;
}

qint64 ImagingControl::ImageDataSize() const
{
    const Image* image = m_current.image();
    return image ? image->dibDataSize() : 0;
}

int ImagingControl::ImageKind() const
{
    return m_current.image() ? m_current.kind() : 0;
}

bool ImagingControl::ApplyResolution()
{
    Image* image = m_current.image();
    if (!image)
        return false;
    image->setDpi(XResolution(), YResolution());
    m_pendingDpiX.reset();
    m_pendingDpiY.reset();
    return true;
}

int ImagingControl::SelLeft() const
{
    return m_view->selectionEdge(0);
}
int ImagingControl::SelTop() const
{
    return m_view->selectionEdge(1);
}
int ImagingControl::SelRight() const
{
    return m_view->selectionEdge(2);
}
int ImagingControl::SelBottom() const
{
    return m_view->selectionEdge(3);
}
void ImagingControl::setSelLeft(int left)
{
    setSelectionEdge(0, left);
}
void ImagingControl::setSelTop(int top)
{
    setSelectionEdge(1, top);
}
void ImagingControl::setSelRight(int right)
{
    setSelectionEdge(2, right);
}
void ImagingControl::setSelBottom(int bottom)
{
    setSelectionEdge(3, bottom);
}

void ImagingControl::setSelectionEdge(int index, int value)
{
    int edges[4] = {SelLeft(), SelTop(), SelRight(), SelBottom()};
    edges[index] = value;
    m_view->setSelectionEdges(edges[0], edges[1], edges[2], edges[3]);
}

void ImagingControl::setMousePointer(int code)
{
    m_mousePointer = code;
    const QCursor cursor(cursorShapeForPointer(code));
    m_view->viewport()->setCursor(cursor);
    if (code == PointerShape::ViewDefault)
        unsetCursor();
    else
        setCursor(cursor);
}

ViewOverlay* ImagingControl::ViewDC()
{
    return &m_view->overlay();
}

bool ImagingControl::LoadFromClipboard()
{
    if (!loadImageFromClipboard(m_current))
        return false;
    imageReplaced();
    return true;
}

bool ImagingControl::ClearClipboard()
{
    clearClipboard();
    return true;
}

bool ImagingControl::CopyToClipboard()
{
    const Image* image = m_current.image();
    return image && copyImageToClipboard(*image);
}

}  // namespace tavlo
