#pragma once

#include "imaging/scan/preview_source.h"
#include "imaging/scan/scan_option.h"
#include "imaging/scan/scan_settings.h"

#include <QList>
#include <QPointer>
#include <QRectF>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace tavlo::scan {

class ScanPreviewPane;

// The preview side of the scan-settings dialog: the pane with the glass and the area, "ﾌﾟﾚﾋﾞｭｰ(&P)"
// (one page of the whole glass at low resolution from the PreviewSource, with a progress bar and
// "中止"), and "原稿を検出(&D)" (the area becomes the document found on the preview). The area is
// in the device's unit, which must be millimetres.
//
// The dialog keeps its area fields and this panel in step: areaChosen() reports an area the user
// dragged or had found (on the step grid, inside the glass), setArea() shows the fields' area.
// The last preview and the area shown at the end are remembered per device for the program's run
// (PreviewMemory); a panel made again for the device shows that preview.
//
// Widgets are named for tests: "previewPane", "previewScan", "findDocument", "previewCancel",
// "previewProgress" and "previewStatus".
class ScanPreviewPanel : public QWidget {
    Q_OBJECT
public:
    // source may be nullptr (no preview can be scanned; the pane still sets the area). shown gives
    // the settings the dialog shows at the moment "ﾌﾟﾚﾋﾞｭｰ" is pressed. step is the grid of the
    // area's edges.
    ScanPreviewPanel(QString device, const QList<ScanOption>& options, PreviewSource* source,
                     std::function<ScanSettings()> shown, double step, QWidget* parent = nullptr);
    ~ScanPreviewPanel() override;

    ScanPreviewPane* pane() const { return m_pane; }
    // The device's options as they are now (the dialog built its fields again from them).
    void setDevice(const QList<ScanOption>& options, double step);
    void setArea(const QRectF& area);
    bool isPreviewing() const { return m_previewing; }

    // The area this device's dialog showed when it last closed in this run of the program.
    std::optional<QRectF> rememberedArea() const;

    void startPreview();
    void cancelPreview();
    void detectDocument();

signals:
    void areaChosen(const QRectF& area);
    void previewingChanged(bool previewing);

private:
    void previewFinished(const tavlo::Image& image, tavlo::scan::PreviewEnd end,
                         const QString& message);
    void setPreviewing(bool on);
    void showStatus(const QString& text);

    QString m_device;
    QList<ScanOption> m_options;
    QPointer<PreviewSource> m_source;
    std::function<ScanSettings()> m_shown;
    QRectF m_glass;
    ScanPreviewPane* m_pane = nullptr;
    QPushButton* m_preview = nullptr;
    QPushButton* m_detect = nullptr;
    QPushButton* m_cancel = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_status = nullptr;
    bool m_previewing = false;
};

}  // namespace tavlo::scan
