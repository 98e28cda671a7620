#include "imaging/scan/scan_settings_dialog.h"

#include "environment/number_text.h"
#include "imaging/scan/open_scanner_preview.h"
#include "imaging/scan/paper_size.h"
#include "imaging/scan/scan_preview_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <cmath>

namespace tavlo::scan {
namespace {

const QString kPaperMax = QStringLiteral("Max");

// Resolutions offered when the device takes any value of a range.
constexpr int kUsualResolutions[] = {75, 100, 150, 200, 240, 300, 400, 600, 1200, 2400, 4800};

QString unitSuffix(int unit)
{
    switch (unit) {
    case SANE_UNIT_PIXEL: return QStringLiteral(" px");
    case SANE_UNIT_BIT: return QStringLiteral(" ﾋﾞｯﾄ");
    case SANE_UNIT_MM: return QStringLiteral(" mm");
    case SANE_UNIT_DPI: return QStringLiteral(" dpi");
    case SANE_UNIT_PERCENT: return QStringLiteral(" %");
    case SANE_UNIT_MICROSECOND: return QStringLiteral(" μs");
    default: return QString();
    }
}

QString numberText(double v, bool integer)
{
    return integer ? QString::number(qint64(std::llround(v))) : QString::number(v, 'g', 10);
}

int decimalsFor(const ScanOption& o)
{
    if (o.type == ScanOption::Type::Int)
        return 0;
    if (o.quant > 0 && o.quant >= 1 && std::floor(o.quant) == o.quant)
        return 0;
    return 1;
}

}  // namespace

QString ScanSettingsDialog::modeLabel(const QString& mode)
{
    const QString m = mode.toLower();
    if (m == QLatin1String("lineart") || m == QLatin1String("binary") ||
        m == QLatin1String("black & white"))
        return QStringLiteral("白黒(2値)");
    if (m == QLatin1String("halftone"))
        return QStringLiteral("ﾊｰﾌﾄｰﾝ");
    if (m == QLatin1String("gray") || m == QLatin1String("grey") || m == QLatin1String("grayscale"))
        return QStringLiteral("ｸﾞﾚｰ");
    if (m == QLatin1String("color") || m == QLatin1String("colour"))
        return QStringLiteral("ｶﾗｰ");
    return mode;
}

QString ScanSettingsDialog::sourceLabel(const QString& source)
{
    const QString s = source.toLower();
    if (s == QLatin1String("flatbed") || s == QLatin1String("platen") ||
        s == QLatin1String("document table"))
        return QStringLiteral("原稿台");
    if (s == QLatin1String("automatic document feeder") || s == QLatin1String("adf") ||
        s == QLatin1String("adf front"))
        return QStringLiteral("自動給紙(ADF)");
    if (s == QLatin1String("adf duplex") || s == QLatin1String("duplex"))
        return QStringLiteral("自動給紙(両面)");
    return source;
}

ScanSettingsDialog::ScanSettingsDialog(const ScanDevice& device, const QList<ScanOption>& options,
                                       const ScanSettings& settings, QWidget* parent,
                                       OpenScanner* open)
    : QDialog(parent), m_options(options), m_input(settings), m_open(open), m_device(device)
{
    setWindowTitle(QStringLiteral("ｽｷｬﾝ設定 - %1").arg(device.displayName()));
    m_layout = new QVBoxLayout(this);
    m_columns = new QHBoxLayout;
    m_layout->addLayout(m_columns, 1);
    buildFields();

    auto* buttons = new QDialogButtonBox;
    QPushButton* scan = buttons->addButton(QStringLiteral("ｽｷｬﾝ"), QDialogButtonBox::AcceptRole);
    scan->setObjectName(QStringLiteral("scan"));
    scan->setDefault(true);
    buttons->addButton(QStringLiteral("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    if (m_previewPanel) {
        connect(m_previewPanel, &ScanPreviewPanel::previewingChanged, scan,
                [scan](bool previewing) { scan->setEnabled(!previewing); });
        connect(this, &QDialog::finished, m_previewPanel, &ScanPreviewPanel::cancelPreview);
    }
    m_layout->addWidget(buttons);
}

void ScanSettingsDialog::buildFields()
{
    if (m_fields) {
        // The old fields may be in the middle of the signal that asked for this: hidden now,
        // deleted when control is back in the event loop.
        m_fields->hide();
        m_fields->setParent(nullptr);
        m_fields->deleteLater();
    }
    m_editors.clear();
    m_paper = nullptr;
    m_fields = new QWidget;
    auto* layout = new QVBoxLayout(m_fields);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* form = new QFormLayout;
    layout->addLayout(form);

    const auto valueFor = [this](const ScanOption& o) {
        return m_input.has(o.name) ? m_input.value(o.name) : o.value;
    };
    const struct {
        QString name;
        QString label;
    } main[] = {{ScanSettings::kSource, QStringLiteral("読み取り装置:")},
                {ScanSettings::kMode, QStringLiteral("ｶﾗｰﾓｰﾄﾞ:")},
                {ScanSettings::kDepth, QStringLiteral("階調:")},
                {ScanSettings::kResolution, QStringLiteral("解像度:")}};
    for (const auto& entry : main) {
        const ScanOption* option = findOption(m_options, entry.name);
        if (!option || !option->isEditable())
            continue;
        QWidget* editor = entry.name == ScanSettings::kResolution
                              ? resolutionEditor(*option, valueFor(*option))
                              : editorFor(*option, valueFor(*option));
        if (!editor)
            continue;
        form->addRow(entry.label, editor);
        m_editors.append({*option, editor});
    }
    buildArea(form);

    // The device's other everyday options.
    auto* others = new QGroupBox(QStringLiteral("その他の設定"));
    auto* otherForm = new QFormLayout(others);
    for (const ScanOption& option : m_options) {
        if (!option.isEditable() || option.advanced ||
            ScanSettings::appliedFirst().contains(option.name) ||
            option.name == QLatin1String(SANE_NAME_PREVIEW))
            continue;
        QWidget* editor = editorFor(option, valueFor(option));
        if (!editor)
            continue;
        editor->setToolTip(option.description);
        const QString title = option.title.isEmpty() ? option.name : option.title;
        otherForm->addRow(title + QLatin1Char(':'), editor);
        m_editors.append({option, editor});
    }
    if (otherForm->rowCount() > 0)
        layout->addWidget(others);
    else
        delete others;
    for (const auto& [option, editor] : m_editors)
        watch(option.name, editor);
    layout->addStretch(1);
    m_columns->insertWidget(0, m_fields);
}

void ScanSettingsDialog::watch(const QString& name, QWidget* editor)
{
    if (!m_open)
        return;
    const auto edited = [this, name] { optionEdited(name); };
    if (auto* box = qobject_cast<QCheckBox*>(editor)) {
        connect(box, &QCheckBox::clicked, this, edited);
    } else if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        connect(combo, &QComboBox::activated, this, edited);
        if (combo->lineEdit())
            connect(combo->lineEdit(), &QLineEdit::editingFinished, this, edited);
    } else if (auto* spin = qobject_cast<QDoubleSpinBox*>(editor)) {
        connect(spin, &QDoubleSpinBox::editingFinished, this, edited);
    } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        connect(line, &QLineEdit::editingFinished, this, edited);
    }
}

void ScanSettingsDialog::optionEdited(const QString& name)
{
    if (m_asking)
        return;  // editingFinished of a field that loses its focus to the rebuild
    const ScanSettings current = settings();
    QList<ScanOption> options;
    int info = 0;
    QString reason;
    m_asking = true;
    m_open->setOption(name, current.value(name), options, info, reason);
    m_asking = false;
    if (options.isEmpty())
        return;  // no answer from the device: the fields stay as the user left them
    // The device's value of the changed option is the one the run will use; every other field
    // keeps what the user chose (the run applies them in order).
    m_input = current;
    if (const ScanOption* changed = findOption(options, name); changed && changed->active)
        m_input.set(name, changed->value);
    m_options = options;
    buildFields();
    if (QWidget* again = m_fields->findChild<QWidget*>(name))
        again->setFocus();
}

QWidget* ScanSettingsDialog::editorFor(const ScanOption& o, const QString& value)
{
    QWidget* editor = nullptr;
    if (o.type == ScanOption::Type::Bool) {
        auto* box = new QCheckBox;
        box->setChecked(o.constrained(value) == QLatin1String("1"));
        editor = box;
    } else if (o.constraint == ScanOption::Constraint::StringList) {
        auto* combo = new QComboBox;
        for (const QString& s : o.strings) {
            const QString label = o.name == ScanSettings::kMode     ? modeLabel(s)
                                  : o.name == ScanSettings::kSource ? sourceLabel(s)
                                                                    : s;
            combo->addItem(label, s);
        }
        combo->setCurrentIndex(std::max<int>(0, int(o.strings.indexOf(value))));
        editor = combo;
    } else if (o.constraint == ScanOption::Constraint::WordList) {
        auto* combo = new QComboBox;
        const bool integer = o.type == ScanOption::Type::Int;
        const QString current = o.constrained(value);
        for (double w : o.words) {
            const QString text = numberText(w, integer);
            combo->addItem(text + unitSuffix(o.unit), text);
            if (text == current)
                combo->setCurrentIndex(combo->count() - 1);
        }
        editor = combo;
    } else if (o.type == ScanOption::Type::Int || o.type == ScanOption::Type::Fixed) {
        auto* spin = new QDoubleSpinBox;
        spin->setDecimals(decimalsFor(o));
        if (o.constraint == ScanOption::Constraint::Range) {
            spin->setRange(o.minimum, o.maximum);
            if (o.quant > 0)
                spin->setSingleStep(o.quant);
        } else {
            spin->setRange(-1e9, 1e9);
        }
        spin->setSuffix(unitSuffix(o.unit));
        spin->setValue(o.constrained(value).toDouble());
        editor = spin;
    } else if (o.type == ScanOption::Type::String) {
        auto* line = new QLineEdit(value);
        editor = line;
    }
    if (editor)
        editor->setObjectName(o.name);
    return editor;
}

QWidget* ScanSettingsDialog::resolutionEditor(const ScanOption& o, const QString& value)
{
    if (o.constraint != ScanOption::Constraint::Range)
        return editorFor(o, value);
    // Any value of a range: the usual resolutions to pick from, and the field takes others.
    auto* combo = new QComboBox;
    combo->setEditable(true);
    combo->setObjectName(o.name);
    const QString current = o.constrained(value);
    QList<double> values;
    for (int r : kUsualResolutions) {
        if (r >= o.minimum && r <= o.maximum)
            values.append(r);
    }
    if (!current.isEmpty() && !values.contains(current.toDouble()))
        values.append(current.toDouble());
    std::sort(values.begin(), values.end());
    for (double v : values)
        combo->addItem(numberText(v, o.type == ScanOption::Type::Int));
    combo->setCurrentText(current);
    combo->setToolTip(QStringLiteral("%1 - %2 dpi")
                          .arg(numberText(o.minimum, true), numberText(o.maximum, true)));
    return combo;
}

void ScanSettingsDialog::buildArea(QFormLayout* form)
{
    const auto ranged = [this](const QString& name) -> const ScanOption* {
        const ScanOption* o = findOption(m_options, name);
        return o && o->isEditable() && o->constraint == ScanOption::Constraint::Range ? o : nullptr;
    };
    m_left = ranged(ScanSettings::kLeft);
    m_top = ranged(ScanSettings::kTop);
    m_right = ranged(ScanSettings::kRight);
    m_bottom = ranged(ScanSettings::kBottom);
    if (!m_left || !m_top || !m_right || !m_bottom) {
        m_left = m_top = m_right = m_bottom = nullptr;
        if (m_previewPanel)
            m_previewPanel->hide();
        return;
    }
    const bool millimetres = m_right->unit == SANE_UNIT_MM && m_bottom->unit == SANE_UNIT_MM;
    const double maxWidth = m_right->maximum - m_left->minimum;
    const double maxHeight = m_bottom->maximum - m_top->minimum;

    m_paper = new QComboBox;
    m_paper->setObjectName(QStringLiteral("paper"));
    if (millimetres) {
        for (const PaperSize& size : PaperSize::all()) {
            if (size.widthMm <= maxWidth + 0.01 && size.heightMm <= maxHeight + 0.01)
                m_paper->addItem(size.label, size.key);
        }
    }
    m_paper->addItem(QStringLiteral("最大"), kPaperMax);
    m_paper->addItem(QStringLiteral("任意の範囲"), QString());
    form->addRow(QStringLiteral("用紙ｻｲｽﾞ:"), m_paper);

    const auto box = [this](const char* name, const ScanOption* o) {
        auto* spin = new QDoubleSpinBox;
        spin->setObjectName(QLatin1String(name));
        spin->setDecimals(decimalsFor(*o));
        spin->setSuffix(unitSuffix(o->unit));
        spin->setSingleStep(o->quant > 0 ? o->quant : 1.0);
        connect(spin, &QDoubleSpinBox::valueChanged, this, &ScanSettingsDialog::areaEdited);
        return spin;
    };
    m_leftBox = box("left", m_left);
    m_topBox = box("top", m_top);
    m_widthBox = box("width", m_right);
    m_heightBox = box("height", m_bottom);

    const auto number = [this](const ScanOption* o) {
        const QString text = m_input.has(o->name) ? m_input.value(o->name) : o->value;
        return o->constrained(text).toDouble();
    };
    m_settingArea = true;
    m_leftBox->setRange(m_left->minimum, m_left->maximum);
    m_topBox->setRange(m_top->minimum, m_top->maximum);
    const double left = number(m_left);
    const double top = number(m_top);
    m_leftBox->setValue(left);
    m_topBox->setValue(top);
    updateAreaLimits();
    m_widthBox->setValue(number(m_right) - left);
    m_heightBox->setValue(number(m_bottom) - top);
    const int remembered = m_paper->findData(m_input.paper);
    const PaperSize* matching = PaperSize::matching(m_widthBox->value(), m_heightBox->value());
    if (!m_input.paper.isEmpty() && remembered >= 0)
        m_paper->setCurrentIndex(remembered);
    else if (matching && m_paper->findData(matching->key) >= 0)
        m_paper->setCurrentIndex(m_paper->findData(matching->key));
    else
        m_paper->setCurrentIndex(m_paper->findData(QString()));
    m_settingArea = false;
    connect(m_paper, &QComboBox::currentIndexChanged, this, &ScanSettingsDialog::applyPaper);

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("左")));
    row->addWidget(m_leftBox);
    row->addWidget(new QLabel(QStringLiteral("上")));
    row->addWidget(m_topBox);
    auto* size = new QHBoxLayout;
    size->addWidget(new QLabel(QStringLiteral("幅")));
    size->addWidget(m_widthBox);
    size->addWidget(new QLabel(QStringLiteral("高さ")));
    size->addWidget(m_heightBox);
    form->addRow(QStringLiteral("読み取り位置:"), row);
    form->addRow(QStringLiteral("読み取り範囲:"), size);

    if (!millimetres) {
        if (m_previewPanel)
            m_previewPanel->hide();
        return;
    }
    // The edges of a dragged area fall on the device's step, or on the fields' last decimal.
    double step = 0;
    for (const ScanOption* o : {m_left, m_top, m_right, m_bottom})
        step = std::max(step, o->quant);
    buildPreview(std::max(step, decimalsFor(*m_right) == 0 ? 1.0 : 0.1));
}

void ScanSettingsDialog::buildPreview(double step)
{
    if (m_previewPanel) {
        // The fields were built again from the device's answer: the panel stays, with its
        // preview, and takes the device's options and area as they are now.
        m_previewPanel->setDevice(m_options, step);
        m_previewPanel->show();
        m_previewPanel->setArea(shownArea());
        return;
    }
    PreviewSource* source = m_open ? new OpenScannerPreview(m_open, this) : nullptr;
    m_previewPanel = new ScanPreviewPanel(
        m_device.name, m_options, source, [this] { return settings(); }, step);
    connect(m_previewPanel, &ScanPreviewPanel::areaChosen, this, &ScanSettingsDialog::areaChosen);
    m_columns->addWidget(m_previewPanel, 1);
    if (const std::optional<QRectF> remembered = m_previewPanel->rememberedArea())
        setAreaFields(*remembered);  // the area drawn when this device's dialog last closed
    m_previewPanel->setArea(shownArea());
}

QRectF ScanSettingsDialog::shownArea() const
{
    return {m_leftBox->value(), m_topBox->value(), m_widthBox->value(), m_heightBox->value()};
}

void ScanSettingsDialog::setAreaFields(const QRectF& area)
{
    const bool setting = m_settingArea;
    m_settingArea = true;
    m_leftBox->setValue(area.left());
    m_topBox->setValue(area.top());
    updateAreaLimits();
    m_widthBox->setValue(area.width());
    m_heightBox->setValue(area.height());
    m_settingArea = setting;
    areaEdited();
}

void ScanSettingsDialog::areaChosen(const QRectF& area)
{
    setAreaFields(area);
    // A drawn area is the user's own, even where it happens to match a preset.
    const bool setting = m_settingArea;
    m_settingArea = true;
    m_paper->setCurrentIndex(m_paper->findData(QString()));
    m_settingArea = setting;
    m_previewPanel->setArea(shownArea());
}

void ScanSettingsDialog::updateAreaLimits()
{
    const double minSize = std::max(m_right->quant, 0.1);
    m_widthBox->setRange(minSize, std::max(minSize, m_right->maximum - m_leftBox->value()));
    m_heightBox->setRange(minSize, std::max(minSize, m_bottom->maximum - m_topBox->value()));
}

void ScanSettingsDialog::applyPaper()
{
    if (!m_paper || m_settingArea)
        return;
    const QString key = m_paper->currentData().toString();
    if (key.isEmpty())
        return;  // a free area: the fields stay as they are
    m_settingArea = true;
    m_leftBox->setValue(m_left->minimum);
    m_topBox->setValue(m_top->minimum);
    updateAreaLimits();
    if (key == kPaperMax) {
        m_widthBox->setValue(m_widthBox->maximum());
        m_heightBox->setValue(m_heightBox->maximum());
    } else if (const PaperSize* size = PaperSize::find(key)) {
        m_widthBox->setValue(size->widthMm);
        m_heightBox->setValue(size->heightMm);
    }
    m_settingArea = false;
    if (m_previewPanel)
        m_previewPanel->setArea(shownArea());
}

void ScanSettingsDialog::areaEdited()
{
    if (m_settingArea)
        return;
    m_settingArea = true;
    updateAreaLimits();
    // A hand-made area that is a preset at the corner shows as that preset; otherwise as free.
    const bool atCorner =
        m_leftBox->value() == m_left->minimum && m_topBox->value() == m_top->minimum;
    const PaperSize* size = PaperSize::matching(m_widthBox->value(), m_heightBox->value());
    const int index = atCorner && size ? m_paper->findData(size->key) : -1;
    m_paper->setCurrentIndex(index >= 0 ? index : m_paper->findData(QString()));
    m_settingArea = false;
    if (m_previewPanel)
        m_previewPanel->setArea(shownArea());
}

QString ScanSettingsDialog::valueOf(const ScanOption& o, const QWidget* editor)
{
    if (const auto* box = qobject_cast<const QCheckBox*>(editor))
        return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    if (const auto* combo = qobject_cast<const QComboBox*>(editor)) {
        if (combo->isEditable())
            return o.constrained(QString::number(leadingNumber(combo->currentText()), 'g', 10));
        return combo->currentData().toString();
    }
    if (const auto* spin = qobject_cast<const QDoubleSpinBox*>(editor))
        return o.constrained(QString::number(spin->value(), 'g', 10));
    if (const auto* line = qobject_cast<const QLineEdit*>(editor))
        return line->text();
    return QString();
}

ScanSettings ScanSettingsDialog::settings() const
{
    ScanSettings out = m_input;
    for (const auto& [option, editor] : m_editors) {
        const QString value = valueOf(option, editor);
        if (!value.isEmpty() || option.type == ScanOption::Type::String)
            out.set(option.name, value);
    }
    if (m_paper) {
        const double left = m_leftBox->value();
        const double top = m_topBox->value();
        const bool integer = m_right->type == ScanOption::Type::Int;
        out.set(ScanSettings::kLeft, numberText(left, integer));
        out.set(ScanSettings::kTop, numberText(top, integer));
        out.set(ScanSettings::kRight, numberText(left + m_widthBox->value(), integer));
        out.set(ScanSettings::kBottom, numberText(top + m_heightBox->value(), integer));
        out.paper = m_paper->currentData().toString();
    }
    return out;
}

}  // namespace tavlo::scan
