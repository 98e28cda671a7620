#include "imaging/scan/scan_source_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tavlo::scan {

ScanSourceDialog::ScanSourceDialog(const QList<ScanDevice>& devices, int current, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("ｿｰｽの選択"));
    auto* layout = new QVBoxLayout(this);
    m_list = new QTreeWidget;
    m_list->setObjectName(QStringLiteral("devices"));
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({QStringLiteral("ﾒｰｶｰ"), QStringLiteral("機種"), QStringLiteral("種類"),
                             QStringLiteral("ﾃﾞﾊﾞｲｽ名")});
    for (const ScanDevice& d : devices)
        m_list->addTopLevelItem(new QTreeWidgetItem({d.vendor, d.model, d.type, d.name}));
    m_list->setCurrentItem(
        m_list->topLevelItem(current >= 0 && current < devices.size() ? current : 0));
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(m_list);

    auto* buttons = new QDialogButtonBox;
    buttons->addButton(QStringLiteral("選択"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
    layout->addWidget(buttons);
    resize(560, 260);
}

int ScanSourceDialog::chosen() const
{
    return m_list->indexOfTopLevelItem(m_list->currentItem());
}

}  // namespace tavlo::scan
