#include "imaging/scan/qt_scan_dialogs.h"

#include "imaging/scan/scan_settings_dialog.h"
#include "imaging/scan/scan_source_dialog.h"

#include <QProgressDialog>
#include <QPushButton>

namespace tavlo::scan {

QtScanDialogs::~QtScanDialogs()
{
    delete m_progress;
}

int QtScanDialogs::chooseDevice(const QList<ScanDevice>& devices, int current, QWidget* owner)
{
    ScanSourceDialog dialog(devices, current, owner);
    return dialog.exec() == QDialog::Accepted ? dialog.chosen() : -1;
}

bool QtScanDialogs::editSettings(const ScanDevice& device, const QList<ScanOption>& options,
                                 ScanSettings& settings, QWidget* owner)
{
    ScanSettingsDialog dialog(device, options, settings, owner);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    settings = dialog.settings();
    return true;
}

void QtScanDialogs::progressStarted(const ScanDevice& device, std::function<void()> cancel,
                                    QWidget* owner)
{
    delete m_progress;
    m_deviceName = device.displayName();
    m_progress = new QProgressDialog(owner);
    m_progress->setWindowTitle(QStringLiteral("ｽｷｬﾝ"));
    m_progress->setLabelText(QStringLiteral("%1\nｽｷｬﾝを開始しています...").arg(m_deviceName));
    m_progress->setCancelButtonText(QStringLiteral("ｷｬﾝｾﾙ"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setMinimumDuration(0);
    m_progress->setAutoReset(false);
    m_progress->setAutoClose(false);
    m_progress->setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    QObject::connect(m_progress, &QProgressDialog::canceled, m_progress, [this, cancel] {
        m_progress->setLabelText(QStringLiteral("%1\n中止しています...").arg(m_deviceName));
        cancel();
    });
    m_progress->show();
}

void QtScanDialogs::progressChanged(int page, int percent)
{
    if (!m_progress || m_progress->wasCanceled())
        return;
    if (percent < 0) {
        m_progress->setRange(0, 0);  // length unknown: a moving bar
        m_progress->setLabelText(
            QStringLiteral("%1\n%2 ﾍﾟｰｼﾞ目を読み取っています...").arg(m_deviceName).arg(page));
        return;
    }
    if (m_progress->maximum() == 0)
        m_progress->setRange(0, 100);
    m_progress->setLabelText(QStringLiteral("%1\n%2 ﾍﾟｰｼﾞ目を読み取っています... %3%")
                                 .arg(m_deviceName)
                                 .arg(page)
                                 .arg(percent));
    m_progress->setValue(percent);
}

void QtScanDialogs::progressFinished()
{
    if (m_progress) {
        m_progress->hide();
        m_progress->deleteLater();
    }
    m_progress = nullptr;
}

}  // namespace tavlo::scan
