#include "main_window/marker_tool_bar_controller.h"

#include "environment/process_values.h"
#include "environment/user_prompt.h"
#include "imaging/imaging_control.h"
#include "imaging/shape/shape_object.h"
#include "main_window/marker_tool_bar_placement.h"
#include "main_window/menu_items.h"
#include "main_window/menu_tree.h"

#include <QCoreApplication>
#include <QWidget>

#include <algorithm>

namespace tavlo {
namespace {

// The colour setting of the bar's background: white as 0xBBGGRR.
constexpr int kWhite = 16777215;

}  // namespace

MarkerToolBarController::MarkerToolBarController(QWidget& window, ImagingControl& ikImg,
                                                 MenuTree& menus)
    : m_window(window), m_ikImg(ikImg), m_menus(menus)
{
}

void MarkerToolBarController::ShowMarkerToolBar(bool show)
{
    ShapeObject& shape = m_ikImg.ShapeObject();
    if (show) {
        m_menus.mnEdt.setChecked(EdtItem::ToolBar, true);
        placeAndShow();
    } else {
        if (shape.HasShapes()) {
            const int answer = userPrompt().choose(
                programTitle(), QString::fromUtf8("ﾏｰｸを画像に反映しますか"),
                {QString::fromUtf8("反映"), QString::fromUtf8("破棄"), QString::fromUtf8("ｷｬﾝｾﾙ")});
            if (answer == 0) {
                shape.CommitShape();
            } else if (answer != 1) {
                // ｷｬﾝｾﾙ: the bar and its marks stay as they were.
                shape.RestoreToolBar();
                m_menus.mnEdt.setChecked(EdtItem::ToolBar, true);
                return;
            }
        }
        m_menus.mnEdt.setChecked(EdtItem::ToolBar, false);
        shape.ClearShape();
        m_ikImg.setToolBarHiddenFlag(true);
    }
    // The moved window and the bar are drawn before the command returns.
    QCoreApplication::processEvents();
}

void MarkerToolBarController::placeAndShow()
{
    const QRect frame = m_window.frameGeometry();
    const bool maximised = m_window.isMaximized();
    const MarkerToolBarPlacement place = MarkerToolBarPlacement::compute(frame, maximised);
    if (place.moveWindow) {
        // The frame's borders stay as they are; the client area takes the change of width.
        const int borderWidth = frame.width() - m_window.width();
        const int borderHeight = frame.height() - m_window.height();
        if (maximised)
            m_window.showNormal();
        m_window.move(place.window.topLeft());
        m_window.resize(std::max(1, place.window.width() - borderWidth),
                        std::max(1, place.window.height() - borderHeight));
    }
    ShapeObject& shape = m_ikImg.ShapeObject();
    shape.ToolBarTop = place.toolBar.y();
    shape.ToolBarLeft = place.toolBar.x();
    shape.ToolTips = true;
    shape.Selectable = true;
    shape.ToolBarCaption = QStringLiteral("ToolBar");
    shape.HighlighterOpacity = 50;
    shape.FillStyle = 0;
    shape.ToolBarBackColour = kWhite;
    shape.PenRed = 0;
    shape.PenGreen = 0;
    shape.PenBlue = 255;
    shape.StampFile = processValues().appDataFolder + QStringLiteral("Stamp.bmp");
    shape.ShowToolBar(1);
}

void MarkerToolBarController::HideImagingToolBar()
{
    m_ikImg.ShapeObject().ShowToolBar(0);
}

void MarkerToolBarController::ClearMarkerShape()
{
    // Committing first: the marks the user sees belong in what is saved or copied.
    ShapeObject& shape = m_ikImg.ShapeObject();
    shape.CommitShape();
    shape.ClearShape();
}

}  // namespace tavlo
