#include "main_window/display_controller.h"

#include "imaging/display_mode.h"

#include "imaging/imaging_control.h"
#include "main_window/clickable_picture.h"
#include "main_window/file_list_box.h"
#include "main_window/folder_watch.h"
#include "main_window/magnifier.h"
#include "main_window/main_window_state.h"
#include "main_window/menu_items.h"
#include "main_window/menu_tree.h"
#include "main_window/tool_strip.h"
#include "main_window/view_layout.h"

#include <QFrame>
#include <QScreen>
#include <QWidget>

namespace tavlo {

DisplayController::DisplayController(QWidget& client, ImagingControl& ikImg, FileListBox& File1,
                                     ToolStrip& strip, MenuTree& menus, MainWindowState& state,
                                     FolderWatch& watch, QObject* parent)
    : QObject(parent), m_client(client), m_ikImg(ikImg), m_list(File1), m_strip(strip),
      m_menus(menus), m_state(state), m_watch(watch)
{
    connect(strip.imZoom(), &ClickablePicture::pressed, this, &DisplayController::imZoom_MouseDown);
}

void DisplayController::LayoutMainWindow()
{
    const ViewLayout::Places p =
        ViewLayout::compute(m_client.size(), TwipsScale::of(m_client.screen()));
    m_strip.Line1()->setGeometry(0, 0, p.line1Width, m_strip.Line1()->height());
    m_list.setVisible(true);
    m_watch.start();
    m_list.setGeometry(p.list);
    if (SyncListSelection)
        SyncListSelection();
    m_ikImg.setGeometry(p.view);
    emit laidOut();
}

void DisplayController::SetScaleDisplay(bool on)
{
    m_state.nDspMd = on ? DisplayMode::Scaled : DisplayMode::ActualSize;
    m_strip.imZoom()->setVisible(!on);
    m_menus.mnDisp.setChecked(DispItem::ScaleDisplay, on);
    if (!on) {
        m_ikImg.setZoomX(1.0);
        m_ikImg.setZoomY(1.0);
    }
    m_ikImg.DrawImage(m_state.nDspMd);
    m_ikImg.RefreshView();
}

void DisplayController::imZoom_MouseDown(Qt::MouseButton button)
{
    const float factor = Magnifier::nextFactor(m_ikImg.ZoomX(), button);
    m_ikImg.setZoomX(factor);
    m_ikImg.setZoomY(factor);
    m_ikImg.DrawImage(m_state.nDspMd);
}

}  // namespace tavlo
