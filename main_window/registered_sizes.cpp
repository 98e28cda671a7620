#include "main_window/registered_sizes.h"

#include "dialogs/size_registration_dialog.h"
#include "environment/number_text.h"
#include "imaging/imaging_control.h"
#include "main_window/main_window_state.h"
#include "main_window/menu_tree.h"
#include "main_window/selection_controller.h"

#include <QAction>
#include <QStringList>

#include <algorithm>

namespace tavlo {
namespace {

constexpr double kCentimetresPerInch = 2.54;
// The resolution given to an image that has none when a size is applied to it.
constexpr int kScreenDotsPerInch = 96;

}  // namespace

RegisteredSizes::RegisteredSizes(ImagingControl& ikImg, MenuTree& menus,
                                 SelectionController& selection, MainWindowState& state,
                                 QWidget* dialogParent)
    : m_ikImg(ikImg), m_menus(menus), m_selection(selection), m_state(state),
      m_dialogParent(dialogParent)
{
}

void RegisteredSizes::RegisterRange()
{
    const Selection selection = m_selection.GetSelection();
    if (!selection.present)
        return;
    QString list = m_state.sRangeList;
    SizeRegistrationDialog::Act(list, selection.right - selection.left,
                                selection.bottom - selection.top, m_dialogParent);
    if (list != m_state.sRangeList)
        BuildRangeMenu(list);
}

QString RegisteredSizes::FormatRangeCaption(const QString& entry)
{
    const QStringList fields = entry.split(u',');
    if (fields.size() < 4)
        return {};
    const double width = leadingNumber(fields[1]);
    const double height = leadingNumber(fields[2]);
    if (width == 0 || height == 0 || fields[0].isEmpty())
        return {};
    const QString unit =
        fields[3].toLower() == QLatin1String("cm") ? QStringLiteral("cm") : QStringLiteral("px");
    return fields[0] + u'(' + shortestNumberText(width, 15) + QStringLiteral(" * ") +
           shortestNumberText(height, 15) + u' ' + unit + u')';
}

void RegisteredSizes::BuildRangeMenu(const QString& list)
{
    QStringList kept;
    for (const QString& entry : list.split(u':')) {
        const QString caption = FormatRangeCaption(entry);
        if (caption.isEmpty())
            continue;
        QAction* item = m_menus.ensureRegisteredSizeItem(int(kept.size()));
        item->setText(caption);
        item->setVisible(true);
        kept << entry;
    }
    m_state.sRangeList = kept.join(u':');
    const int count = int(kept.size());
    if (QAction* separator = m_menus.mnRng.item(0))
        separator->setVisible(count > 0);
    m_menus.removeRegisteredSizeItemsFrom(std::max(count, 1));
    if (count == 0)
        m_menus.mnUsHn.item(0)->setVisible(false);
}

void RegisteredSizes::GetRangeSize(int index, float& width, float& height)
{
    if (m_state.sRangeList.isEmpty())
        return;
    const QStringList entries = m_state.sRangeList.split(u':');
    if (index < 0 || index >= entries.size())
        return;
    const QStringList fields = entries[index].split(u',');
    if (fields.size() < 4)
        return;
    width = float(leadingNumber(fields[1]));
    height = float(leadingNumber(fields[2]));

    m_ikImg.UpdateImageInfo();
    int dpiX = m_ikImg.XResolution();
    int dpiY = m_ikImg.YResolution();
    if (dpiX <= 0 || dpiY <= 0) {
        dpiX = dpiX > 0 ? dpiX : kScreenDotsPerInch;
        dpiY = dpiY > 0 ? dpiY : kScreenDotsPerInch;
        m_ikImg.setXResolution(dpiX);
        m_ikImg.setYResolution(dpiY);
        m_ikImg.ApplyResolution();
    }
    if (fields[3] == QLatin1String("cm")) {
        width = float(width / kCentimetresPerInch * dpiX);
        height = float(height / kCentimetresPerInch * dpiY);
    }
}

void RegisteredSizes::ApplyRegisteredSize(int index)
{
    if (m_ikImg.ImageHandle() == 0)
        return;
    float width = 0, height = 0;
    GetRangeSize(index, width, height);
    if (width == 0 || height == 0)
        return;
    const double right = std::min(double(width) + 1, double(m_ikImg.ImageWidth()));
    const double bottom = std::min(double(height) + 1, double(m_ikImg.ImageHeight()));
    if (right <= 0 || bottom <= 0)
        return;
    m_ikImg.setSelLeft(1);
    m_ikImg.setSelTop(1);
    m_ikImg.setSelRight(roundHalfEven(right));
    m_ikImg.setSelBottom(roundHalfEven(bottom));
}

}  // namespace tavlo
