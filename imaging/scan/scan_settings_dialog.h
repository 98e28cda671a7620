#pragma once

#include "imaging/scan/open_scanner.h"
#include "imaging/scan/scan_device.h"
#include "imaging/scan/scan_option.h"
#include "imaging/scan/scan_settings.h"

#include <QDialog>
#include <QList>

class QComboBox;
class QDoubleSpinBox;
class QFormLayout;
class QHBoxLayout;
class QVBoxLayout;

namespace tavlo::scan {

class ScanPreviewPanel;

// The scan-settings dialog, built from the open device's own option descriptors: source, colour
// mode, bits per sample, resolution, the scan area with paper presets, and the device's other
// everyday options (not the advanced ones). It edits a copy of the settings; settings() gives the
// values to scan with once the user pressed "ｽｷｬﾝ" (exec() returns Accepted).
//
// Widgets are named for tests: the SANE option name for every option widget ("source", "mode",
// "depth", "resolution", "test-picture", ...), and "paper", "left", "top", "width", "height" for
// the area. The area is shown as left, top, width and height in the device's unit (mm for almost
// every scanner; paper presets need mm).
//
// With the open device (OpenScanner), every option the user changes is set on the device at once
// and the fields are built again from the device's answer: options a change enables or disables
// appear or go, and a value the device rounds or clamps shows as the value it will use.
//
// With an area in millimetres the dialog also shows the glass beside the fields
// (ScanPreviewPanel): the area as a rectangle to drag, "ﾌﾟﾚﾋﾞｭｰ(&P)" (with the open device) and
// "原稿を検出(&D)". A drag or a found document makes the paper "任意の範囲"; a preset or a typed
// field redraws the rectangle. While a preview runs "ｽｷｬﾝ" waits; closing the dialog stops it.
class ScanSettingsDialog : public QDialog {
    Q_OBJECT
public:
    ScanSettingsDialog(const ScanDevice& device, const QList<ScanOption>& options,
                       const ScanSettings& settings, QWidget* parent = nullptr,
                       OpenScanner* open = nullptr);

    ScanSettings settings() const;

    // What the dialog lists for SANE's usual mode and source names ("Color" -> "ｶﾗｰ").
    static QString modeLabel(const QString& mode);
    static QString sourceLabel(const QString& source);

private:
    // (Re)builds every field from m_options and m_input.
    void buildFields();
    void watch(const QString& name, QWidget* editor);
    void optionEdited(const QString& name);
    QWidget* editorFor(const ScanOption& option, const QString& value);
    QWidget* resolutionEditor(const ScanOption& option, const QString& value);
    void buildArea(QFormLayout* form);
    void buildPreview(double step);
    QRectF shownArea() const;
    void setAreaFields(const QRectF& area);
    void areaChosen(const QRectF& area);
    void applyPaper();
    void areaEdited();
    void updateAreaLimits();
    static QString valueOf(const ScanOption& option, const QWidget* editor);

    QList<ScanOption> m_options;
    ScanSettings m_input;
    OpenScanner* m_open = nullptr;
    QVBoxLayout* m_layout = nullptr;
    QHBoxLayout* m_columns = nullptr;  // the fields, then the preview
    ScanDevice m_device;
    QWidget* m_fields = nullptr;
    bool m_asking = false;  // a change is being set on the device
    QList<QPair<ScanOption, QWidget*>> m_editors;
    // The area (absent when the device has no ranged tl-x, tl-y, br-x, br-y).
    const ScanOption* m_left = nullptr;
    const ScanOption* m_top = nullptr;
    const ScanOption* m_right = nullptr;
    const ScanOption* m_bottom = nullptr;
    QComboBox* m_paper = nullptr;
    QDoubleSpinBox* m_leftBox = nullptr;
    QDoubleSpinBox* m_topBox = nullptr;
    QDoubleSpinBox* m_widthBox = nullptr;
    QDoubleSpinBox* m_heightBox = nullptr;
    bool m_settingArea = false;
    ScanPreviewPanel* m_previewPanel = nullptr;
};

}  // namespace tavlo::scan
