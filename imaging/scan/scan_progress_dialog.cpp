#include "imaging/scan/scan_progress_dialog.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavlo::scan {

ScanProgressDialog::ScanProgressDialog(const QString& deviceName, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("ｽｷｬﾝ"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(deviceName));
    m_page = new QLabel(QStringLiteral("ｽｷｬﾝを開始しています..."));
    m_page->setObjectName(QStringLiteral("page"));
    layout->addWidget(m_page);
    m_bar = new QProgressBar;
    m_bar->setObjectName(QStringLiteral("percent"));
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    layout->addWidget(m_bar);
    m_cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"));
    m_cancel->setObjectName(QStringLiteral("cancel"));
    layout->addWidget(m_cancel, 0, Qt::AlignRight);
    connect(m_cancel, &QPushButton::clicked, this, &ScanProgressDialog::reject);
    setMinimumWidth(360);
}

void ScanProgressDialog::showPage(int page, int percent)
{
    if (m_cancelling)
        return;
    if (page != m_shownPage) {
        m_shownPage = page;
        m_page->setText(QStringLiteral("%1 ﾍﾟｰｼﾞ目を読み取っています...").arg(page));
    }
    if (percent < 0) {
        m_bar->setRange(0, 0);  // length unknown: a moving bar
    } else {
        if (m_bar->maximum() == 0)
            m_bar->setRange(0, 100);
        m_bar->setValue(percent);
    }
}

void ScanProgressDialog::showCancelling()
{
    m_cancelling = true;
    m_page->setText(QStringLiteral("中止しています..."));
    m_cancel->setEnabled(false);
}

void ScanProgressDialog::reject()
{
    // The dialog closes when the run has ended, not before.
    if (!m_cancelling) {
        showCancelling();
        emit cancelRequested();
    }
}

}  // namespace tavlo::scan
