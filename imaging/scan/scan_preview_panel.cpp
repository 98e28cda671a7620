#include "imaging/scan/scan_preview_panel.h"

#include "imaging/process/document_finder.h"
#include "imaging/scan/preview_memory.h"
#include "imaging/scan/preview_settings.h"
#include "imaging/scan/scan_log.h"
#include "imaging/scan/scan_preview_pane.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavlo::scan {

ScanPreviewPanel::ScanPreviewPanel(QString device, const QList<ScanOption>& options,
                                   PreviewSource* source, std::function<ScanSettings()> shown,
                                   double step, QWidget* parent)
    : QWidget(parent), m_device(std::move(device)), m_options(options), m_source(source),
      m_shown(std::move(shown)), m_glass(deviceArea(options).value_or(QRectF(0, 0, 210, 297)))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_pane = new ScanPreviewPane;
    m_pane->setObjectName(QStringLiteral("previewPane"));
    m_pane->setGlass(m_glass, step);
    layout->addWidget(m_pane, 1);

    m_progress = new QProgressBar;
    m_progress->setObjectName(QStringLiteral("previewProgress"));
    m_progress->setRange(0, 100);
    m_cancel = new QPushButton(QStringLiteral("中止"));
    m_cancel->setObjectName(QStringLiteral("previewCancel"));
    m_cancel->setAutoDefault(false);
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(m_progress, 1);
    progressRow->addWidget(m_cancel);
    layout->addLayout(progressRow);
    m_progress->hide();
    m_cancel->hide();

    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("previewStatus"));
    m_status->setWordWrap(true);
    m_status->hide();
    layout->addWidget(m_status);

    m_preview = new QPushButton(QStringLiteral("ﾌﾟﾚﾋﾞｭｰ(&P)"));
    m_preview->setObjectName(QStringLiteral("previewScan"));
    m_preview->setAutoDefault(false);
    m_preview->setEnabled(m_source != nullptr);
    m_detect = new QPushButton(QStringLiteral("原稿を検出(&D)"));
    m_detect->setObjectName(QStringLiteral("findDocument"));
    m_detect->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_preview);
    buttons->addWidget(m_detect);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    if (const auto remembered = PreviewMemory::instance().preview(m_device))
        m_pane->setPreview(remembered->image, remembered->glassMm);
    m_detect->setEnabled(m_pane->hasPreview());

    connect(m_pane, &ScanPreviewPane::areaDragged, this, &ScanPreviewPanel::areaChosen);
    connect(m_preview, &QPushButton::clicked, this, &ScanPreviewPanel::startPreview);
    connect(m_cancel, &QPushButton::clicked, this, &ScanPreviewPanel::cancelPreview);
    connect(m_detect, &QPushButton::clicked, this, &ScanPreviewPanel::detectDocument);
    if (m_source) {
        connect(m_source, &PreviewSource::progressChanged, this, [this](int percent) {
            if (percent < 0)
                m_progress->setRange(0, 0);
            else
                m_progress->setRange(0, 100), m_progress->setValue(percent);
        });
        connect(m_source, &PreviewSource::finished, this, &ScanPreviewPanel::previewFinished);
    }
}

ScanPreviewPanel::~ScanPreviewPanel()
{
    // The dialog closes while a preview runs: stop it; its page is of no use any more.
    if (m_previewing && m_source)
        m_source->cancel();
    if (!m_pane->area().isEmpty())
        PreviewMemory::instance().setArea(m_device, m_pane->area());
}

void ScanPreviewPanel::setDevice(const QList<ScanOption>& options, double step)
{
    m_options = options;
    m_glass = deviceArea(options).value_or(m_glass);
    m_pane->setGlass(m_glass, step);
}

void ScanPreviewPanel::setArea(const QRectF& area)
{
    m_pane->setArea(area);
}

std::optional<QRectF> ScanPreviewPanel::rememberedArea() const
{
    return PreviewMemory::instance().area(m_device);
}

void ScanPreviewPanel::showStatus(const QString& text)
{
    QString shown = text;
    m_status->setText(shown.replace(QLatin1Char('\r'), QLatin1Char('\n')));
    m_status->setVisible(!text.isEmpty());
}

void ScanPreviewPanel::setPreviewing(bool on)
{
    m_previewing = on;
    m_preview->setEnabled(!on && m_source);
    m_detect->setEnabled(!on && m_pane->hasPreview());
    m_progress->setVisible(on);
    m_cancel->setVisible(on);
    m_cancel->setEnabled(on);
    if (on) {
        m_progress->setRange(0, 100);
        m_progress->setValue(0);
    }
    emit previewingChanged(on);
}

void ScanPreviewPanel::startPreview()
{
    if (m_previewing || !m_source)
        return;
    const ScanSettings shown = m_shown ? m_shown() : ScanSettings();
    if (feedsPages(shown)) {
        showStatus(QStringLiteral("自動給紙ではﾌﾟﾚﾋﾞｭｰできません。原稿台を選んでください。"));
        return;
    }
    if (!m_source->start(previewSettings(m_options, shown), shown)) {
        showStatus(QStringLiteral("ｽｷｬﾅが使用中のため、ﾌﾟﾚﾋﾞｭｰできません。"));
        return;
    }
    showStatus(QString());
    setPreviewing(true);
    m_cancel->setFocus();
}

void ScanPreviewPanel::cancelPreview()
{
    if (!m_previewing || !m_source)
        return;
    m_cancel->setEnabled(false);
    showStatus(QStringLiteral("中止しています..."));
    m_source->cancel();
}

void ScanPreviewPanel::previewFinished(const Image& image, PreviewEnd end, const QString& message)
{
    if (!m_previewing)
        return;
    switch (end) {
    case PreviewEnd::Done: {
        // The part of the glass the pixels cover, from their number and resolution (a scanner
        // delivers whole pixels, so it may stop a fraction of a millimetre short of the area).
        const QRectF covered =
            image.dpiX() > 0 && image.dpiY() > 0
                ? QRectF(m_glass.topLeft(), QSizeF(image.width() * 25.4 / image.dpiX(),
                                                   image.height() * 25.4 / image.dpiY()))
                : m_glass;
        m_pane->setPreview(image, covered);
        PreviewMemory::instance().setPreview(m_device, {image, covered});
        showStatus(QString());
        break;
    }
    case PreviewEnd::Cancelled: showStatus(QStringLiteral("ﾌﾟﾚﾋﾞｭｰを中止しました。")); break;
    case PreviewEnd::Failed: showStatus(message); break;
    }
    setPreviewing(false);
    m_preview->setFocus();
}

void ScanPreviewPanel::detectDocument()
{
    const Image& preview = m_pane->preview();
    const std::optional<QRectF> found = process::findDocument(preview);
    if (!found) {
        showStatus(QStringLiteral("ﾌﾟﾚﾋﾞｭｰに原稿が見つかりません。"));
        return;
    }
    // The preview's pixels start at the top-left corner of the part of the glass it shows.
    const QPointF origin = m_pane->previewArea().topLeft();
    const QPointF from = origin + found->topLeft();
    const QPointF to = origin + found->bottomRight();
    const QRectF area = m_pane->dragged(ScanPreviewPane::Grip::New, QRectF(), from, to);
    qCInfo(lcScan) << "document found at" << area << "mm";
    showStatus(QString());
    m_pane->setArea(area);
    emit areaChosen(area);
}

}  // namespace tavlo::scan
