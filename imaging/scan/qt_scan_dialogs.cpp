#include "imaging/scan/qt_scan_dialogs.h"

#include "imaging/scan/scan_progress_dialog.h"
#include "imaging/scan/scan_settings_dialog.h"
#include "imaging/scan/scan_source_dialog.h"

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
                                 ScanSettings& settings, QWidget* owner, OpenScanner* open)
{
    ScanSettingsDialog dialog(device, options, settings, owner, open);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    settings = dialog.settings();
    return true;
}

void QtScanDialogs::progressStarted(const ScanDevice& device, std::function<void()> cancel,
                                    QWidget* owner)
{
    delete m_progress;
    m_progress = new ScanProgressDialog(device.displayName(), owner);
    m_progress->setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    QObject::connect(m_progress, &ScanProgressDialog::cancelRequested, m_progress,
                     [cancel] { cancel(); });
    m_progress->show();
}

void QtScanDialogs::progressChanged(int page, int percent)
{
    if (m_progress)
        m_progress->showPage(page, percent);
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
