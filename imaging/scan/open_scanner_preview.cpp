#include "imaging/scan/open_scanner_preview.h"

#include "imaging/scan/scan_log.h"

#include <QTimer>

namespace tavlo::scan {

OpenScannerPreview::OpenScannerPreview(OpenScanner* open, QObject* parent)
    : PreviewSource(parent), m_open(open)
{
}

bool OpenScannerPreview::start(const ScanSettings& preview, const ScanSettings& shown)
{
    if (m_busy || !m_open)
        return false;
    m_busy = true;
    m_cancelled = false;
    m_preview = preview;
    m_shown = shown;
    QTimer::singleShot(0, this, &OpenScannerPreview::run);
    return true;
}

void OpenScannerPreview::cancel()
{
    if (!m_busy || m_cancelled)
        return;
    m_cancelled = true;
    if (m_scanning)
        m_open->cancelOnePage();
}

void OpenScannerPreview::run()
{
    Image image;
    QString reason;
    if (!m_cancelled) {
        m_scanning = true;
        image = m_open->scanOnePage(m_preview, reason, [this](int percent) {
            if (!m_cancelled)
                emit progressChanged(percent);
        });
        m_scanning = false;
    }
    restore();
    m_busy = false;
    if (!image.isNull()) {
        emit finished(image, PreviewEnd::Done, QString());
    } else if (m_cancelled || reason.isEmpty()) {
        emit finished(Image(), PreviewEnd::Cancelled, QString());
    } else {
        qCInfo(lcScan) << "preview failed:" << reason;
        emit finished(Image(), PreviewEnd::Failed,
                      QStringLiteral("ﾌﾟﾚﾋﾞｭｰできませんでした。\r%1").arg(reason));
    }
}

void OpenScannerPreview::restore()
{
    // What the preview changed, in the order a run applies it; after a changed mode the rest of
    // the well-known options too, since a mode may change what the device allows for them.
    bool changed = false;
    for (const auto& [name, value] : m_shown.inApplyOrder()) {
        const bool differs = m_preview.value(name) != value;
        changed = changed || differs;
        if (!differs && !(changed && ScanSettings::appliedFirst().contains(name)))
            continue;
        QList<ScanOption> options;
        int info = 0;
        QString reason;
        if (!m_open->setOption(name, value, options, info, reason))
            qCInfo(lcScan) << "after the preview," << name << "=" << value << "not set:" << reason;
    }
}

}  // namespace tavlo::scan
