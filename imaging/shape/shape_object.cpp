#include "imaging/shape/shape_object.h"

#include "imaging/current_image.h"
#include "imaging/imaging_log.h"
#include "imaging/shape/mark_commit.h"
#include "imaging/shape/marker_tool_bar.h"
#include "imaging/view/image_view.h"

namespace tavlo {

ShapeObject::ShapeObject(CurrentImage& current, ImageView& view, QWidget* owner)
    : m_current(current), m_view(view), m_owner(owner),
      m_editor(std::make_unique<MarkEditor>(view, current))
{
    m_view.setTool(m_editor.get());
}

ShapeObject::~ShapeObject()
{
    m_view.setTool(nullptr);
    delete m_toolBar;
}

bool ShapeObject::isToolBarVisible() const
{
    return m_toolBar && m_toolBar->isVisible();
}

bool ShapeObject::ShowToolBar(int show)
{
    if (show == 0) {
        if (m_toolBar)
            m_toolBar->hide();
        m_editor->setActive(false);
        return true;
    }
    if (show != 1)
        return false;
    if (!m_toolBar) {
        m_toolBar = new MarkerToolBar(*m_editor, m_owner);
        connect(m_toolBar, &MarkerToolBar::commitRequested, this, [this] { CommitShape(); });
        connect(m_toolBar, &MarkerToolBar::closedByUser, this, &ShapeObject::userClosed);
    }
    MarkStyle& style = m_editor->style();
    style.colour =
        QColor(qBound(0, PenRed, 255), qBound(0, PenGreen, 255), qBound(0, PenBlue, 255));
    style.filled = FillStyle == 1;
    style.highlightOpacity = qBound(0, HighlighterOpacity, 100);
    m_toolBar->setWindowTitle(ToolBarCaption);
    m_toolBar->setBackColour(QColor(ToolBarBackColour & 0xff, (ToolBarBackColour >> 8) & 0xff,
                                    (ToolBarBackColour >> 16) & 0xff));
    m_toolBar->setToolTipsShown(ToolTips);
    m_toolBar->setSelectable(Selectable);
    const StampPicture stamp = StampPicture::load(StampFile);
    if (!stamp.isUsable())
        qCInfo(lcImaging) << "stamp tool off:" << stamp.problem;
    m_toolBar->setStamp(stamp);
    m_toolBar->showStyle();
    m_toolBar->move(ToolBarLeft, ToolBarTop);
    m_toolBar->show();
    m_editor->setActive(true);
    return true;
}

void ShapeObject::RestoreToolBar()
{
    if (!m_toolBar)
        return;
    m_toolBar->show();
    m_editor->setActive(true);
}

bool ShapeObject::ClearShape()
{
    m_editor->clear();
    return true;
}

bool ShapeObject::CommitShape()
{
    Image* image = m_current.image();
    if (!image)
        return false;
    m_editor->finishText();
    if (m_editor->marks().empty())
        return true;
    const QRect changed = commitMarks(*image, m_editor->marks());
    m_editor->clear();
    m_view.viewport()->update();
    if (!changed.isEmpty())
        emit ImageEdited();
    return true;
}

void ShapeObject::userClosed()
{
    m_editor->setActive(false);
    emit ToolBarVisibleChanged(false);
}

}  // namespace tavlo
