// The settings dialog's preview against SANE's test backend, driven through the scanner object as
// a person would: preview, drag or find the area, then scan exactly that area.
#include "imaging/process/document_finder.h"
#include "imaging/scan/preview_memory.h"
#include "imaging/scan/preview_settings.h"
#include "imaging/scan/scan_preview_pane.h"
#include "imaging/scan/scan_preview_panel.h"
#include "imaging/scan/scan_settings_dialog.h"
#include "tests/imaging/scan/scanner_test_fixture.h"
#include "tests/support/glass_preview.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <cmath>

namespace tavlo::scan::test {
namespace {

constexpr double kGlassMm = 432.0;  // the test device's area (sane/test.conf)

// Scan dialogs whose settings dialog is the real one, shown without a modal loop and worked by
// the test's drive function; true from it presses "ｽｷｬﾝ", false "ｷｬﾝｾﾙ".
class DrivenDialogs : public PresetScanDialogs {
public:
    std::function<bool(ScanSettingsDialog&)> drive;

    bool editSettings(const ScanDevice& device, const QList<ScanOption>& options,
                      ScanSettings& settings, QWidget* owner, OpenScanner* open) override
    {
        PresetScanDialogs::editSettings(device, options, settings, owner, open);
        ScanSettingsDialog dialog(device, options, settings, nullptr, open);
        dialog.resize(900, 640);
        dialog.show();
        const bool accepted = drive && drive(dialog);
        if (accepted)
            settings = dialog.settings();
        return accepted;
    }
};

class ScanPreviewTest : public ScannerTest {
protected:
    void SetUp() override
    {
        ScannerTest::SetUp();
        scanner->setDialogs(&driven);
    }

    bool run(std::function<bool(ScanSettingsDialog&)> drive)
    {
        driven.drive = std::move(drive);
        return acquire(false);
    }

    // Remembered settings for test:0, as if scanned with them before.
    void remember(std::initializer_list<std::pair<const char*, const char*>> values)
    {
        ScanSettings s;
        for (const auto& [name, value] : values)
            s.set(QLatin1String(name), QLatin1String(value));
        ScannerMemory(scanner->memory().file()).setSettings(QStringLiteral("test:0"), s);
    }

    DrivenDialogs driven;
};

template <typename W> W* child(QWidget& parent, const char* name)
{
    W* widget = parent.findChild<W*>(QLatin1String(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

ScanPreviewPanel* panelOf(QWidget& dialog)
{
    return dialog.findChild<ScanPreviewPanel*>();
}

// Presses "ﾌﾟﾚﾋﾞｭｰ" and waits until the preview has ended.
bool previewIn(ScanSettingsDialog& dialog)
{
    ScanPreviewPanel* panel = panelOf(dialog);
    child<QPushButton>(dialog, "previewScan")->click();
    EXPECT_TRUE(panel->isPreviewing());
    return QTest::qWaitFor([panel] { return !panel->isPreviewing(); }, 30000);
}

QRectF fields(QWidget& dialog)
{
    return {child<QDoubleSpinBox>(dialog, "left")->value(),
            child<QDoubleSpinBox>(dialog, "top")->value(),
            child<QDoubleSpinBox>(dialog, "width")->value(),
            child<QDoubleSpinBox>(dialog, "height")->value()};
}

// A mouse drag with the left button across the pane, in pane pixels.
void drag(QWidget* pane, QPointF from, QPointF to)
{
    const auto send = [pane](QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, pane->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(pane, &event);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton);
    for (int i = 1; i <= 5; ++i)
        send(QEvent::MouseMove, from + (to - from) * (i / 5.0), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, to, Qt::NoButton);
}

// A pane point in millimetres, worked out from the drawn glass (not through the pane's own
// mapping), rounded to the test device's step of a tenth of a millimetre.
QPointF millimetresAt(const ScanPreviewPane* pane, QPointF at)
{
    const QRectF glass = pane->glassOnPane();
    const double mmPerPixel = kGlassMm / glass.width();
    const auto tenth = [](double v) { return std::round(v * 10) / 10; };
    return {tenth((at.x() - glass.left()) * mmPerPixel),
            tenth((at.y() - glass.top()) * mmPerPixel)};
}

void expectSameArea(const QRectF& a, const QRectF& b, double within = 1e-9)
{
    EXPECT_NEAR(a.left(), b.left(), within);
    EXPECT_NEAR(a.top(), b.top(), within);
    EXPECT_NEAR(a.width(), b.width(), within);
    EXPECT_NEAR(a.height(), b.height(), within);
}

// "ﾌﾟﾚﾋﾞｭｰ" scans the whole glass at 75 dpi in the chosen colour mode and fills the pane with
// it; no page is raised, the dialog's settings stay as shown, and the next opening of the
// device's dialog shows the same preview (another device's does not).
TEST_F(ScanPreviewTest, APreviewScansTheWholeGlassAtLowResolutionAndFillsThePane)
{
    ScanSettings before;
    ScanSettings after;
    run([&](ScanSettingsDialog& dialog) {
        auto* pane = child<ScanPreviewPane>(dialog, "previewPane");
        EXPECT_FALSE(pane->hasPreview());
        EXPECT_FALSE(child<QPushButton>(dialog, "findDocument")->isEnabled());
        before = dialog.settings();
        EXPECT_TRUE(previewIn(dialog));
        after = dialog.settings();
        EXPECT_TRUE(pane->hasPreview());
        const Image& image = pane->preview();
        EXPECT_EQ(image.dpiX(), 75);
        EXPECT_EQ(image.code(), ColourCode::Rgb24);
        EXPECT_NEAR(image.width(), kGlassMm / 25.4 * 75, 1.0);
        EXPECT_NEAR(image.height(), kGlassMm / 25.4 * 75, 1.0);
        // The glass fills the pane's width or height, the preview the glass.
        const QRectF glass = pane->glassOnPane();
        EXPECT_TRUE(std::abs(glass.width() - (pane->width() - 12)) < 1e-9 ||
                    std::abs(glass.height() - (pane->height() - 12)) < 1e-9);
        expectSameArea(pane->toPane(pane->previewArea()), glass, glass.width() / image.width());
        EXPECT_TRUE(child<QPushButton>(dialog, "findDocument")->isEnabled());
        EXPECT_TRUE(child<QPushButton>(dialog, "scan")->isEnabled());
        EXPECT_FALSE(child<QLabel>(dialog, "previewStatus")->isVisible());
        EXPECT_TRUE(pages.isEmpty());
        return false;
    });
    EXPECT_EQ(before.values, after.values);
    EXPECT_EQ(before.paper, after.paper);
    EXPECT_TRUE(pages.isEmpty());
    EXPECT_EQ(scanner->lastOutcome(), ScannerObject::Outcome::Cancelled);
    EXPECT_TRUE(prompt.messages().isEmpty());

    run([](ScanSettingsDialog& dialog) {
        EXPECT_TRUE(child<ScanPreviewPane>(dialog, "previewPane")->hasPreview());
        return false;
    });
    ScannerMemory(scanner->memory().file()).setChosenDevice(QStringLiteral("test:1"));
    run([](ScanSettingsDialog& dialog) {
        EXPECT_FALSE(child<ScanPreviewPane>(dialog, "previewPane")->hasPreview());
        return false;
    });
}

// Line art is previewed in grey (on the test device: grey at 1 bit becomes 8 bits), and the
// settings of the preview are those shown except for the area, the resolution and the depth.
TEST_F(ScanPreviewTest, LineArtIsPreviewedInGrey)
{
    remember({{"mode", "Gray"}, {"depth", "1"}, {"resolution", "600"}});
    run([&](ScanSettingsDialog& dialog) {
        const ScanSettings shown = dialog.settings();
        const ScanSettings preview = previewSettings(driven.optionsShown, shown);
        EXPECT_EQ(preview.value(ScanSettings::kDepth), QStringLiteral("8"));
        EXPECT_EQ(preview.value(ScanSettings::kResolution), QStringLiteral("75"));
        EXPECT_EQ(preview.value(ScanSettings::kMode), QStringLiteral("Gray"));
        EXPECT_EQ(preview.value(ScanSettings::kRight), QStringLiteral("432"));
        EXPECT_EQ(preview.value(QStringLiteral("test-picture")),
                  shown.value(QStringLiteral("test-picture")));
        EXPECT_TRUE(previewIn(dialog));
        const Image& image = child<ScanPreviewPane>(dialog, "previewPane")->preview();
        EXPECT_EQ(image.code(), ColourCode::Grey256);
        EXPECT_EQ(image.dpiY(), 75);
        return false;
    });
}

// A document feeder would feed a page away: the preview is refused with a word why.
TEST_F(ScanPreviewTest, AFeederIsNotPreviewed)
{
    run([](ScanSettingsDialog& dialog) {
        auto* source = child<QComboBox>(dialog, "source");
        source->setCurrentIndex(source->findData(kFeeder));
        child<QPushButton>(dialog, "previewScan")->click();
        EXPECT_FALSE(panelOf(dialog)->isPreviewing());
        EXPECT_EQ(child<QLabel>(dialog, "previewStatus")->text(),
                  QStringLiteral("自動給紙ではﾌﾟﾚﾋﾞｭｰできません。原稿台を選んでください。"));
        return false;
    });
    EXPECT_TRUE(pages.isEmpty());
}

// "中止" stops a slow preview; the dialog stays usable: a new preview completes and the scan
// that follows delivers its page.
TEST_F(ScanPreviewTest, CancellingAPreviewKeepsTheDialogUsable)
{
    remember({{"resolution", "50"}, {"read-delay", "1"}, {"read-delay-duration", "20000"}});
    ASSERT_TRUE(run([&](ScanSettingsDialog& dialog) {
        ScanPreviewPanel* panel = panelOf(dialog);
        auto* scan = child<QPushButton>(dialog, "scan");
        auto* preview = child<QPushButton>(dialog, "previewScan");
        auto* cancel = child<QPushButton>(dialog, "previewCancel");
        // "中止" as soon as the page is under way.
        auto* bar = child<QProgressBar>(dialog, "previewProgress");
        bool pressed = false;
        const QMetaObject::Connection onProgress =
            QObject::connect(bar, &QProgressBar::valueChanged, bar, [&](int percent) {
                if (percent > 0 && !pressed)
                    pressed = true, cancel->click();
            });
        preview->click();
        EXPECT_TRUE(panel->isPreviewing());
        EXPECT_FALSE(scan->isEnabled());  // the scanner is busy
        EXPECT_FALSE(preview->isEnabled());
        EXPECT_TRUE(cancel->isVisible());
        EXPECT_TRUE(QTest::qWaitFor([panel] { return !panel->isPreviewing(); }, 30000));
        QObject::disconnect(onProgress);
        EXPECT_TRUE(pressed);
        EXPECT_EQ(child<QLabel>(dialog, "previewStatus")->text(),
                  QStringLiteral("ﾌﾟﾚﾋﾞｭｰを中止しました。"));
        EXPECT_FALSE(panel->pane()->hasPreview());
        EXPECT_TRUE(scan->isEnabled());
        EXPECT_TRUE(preview->isEnabled());
        EXPECT_FALSE(cancel->isVisible());
        EXPECT_TRUE(previewIn(dialog));
        EXPECT_TRUE(panel->pane()->hasPreview());
        return true;
    }));
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(pages[0].dpiX(), 50);
    EXPECT_EQ(scanner->lastOutcome(), ScannerObject::Outcome::Completed);
}

// A drawn area sets the fields exactly (on the device's tenth of a millimetre), the paper becomes
// "任意の範囲", and the scan delivers that area at the chosen resolution. The next opening shows
// the same area.
TEST_F(ScanPreviewTest, ADraggedAreaIsWhatTheScanDelivers)
{
    QRectF drawn;
    ASSERT_TRUE(run([&](ScanSettingsDialog& dialog) {
        auto* pane = child<ScanPreviewPane>(dialog, "previewPane");
        child<QComboBox>(dialog, "resolution")->setCurrentText(QStringLiteral("100"));
        EXPECT_EQ(child<QComboBox>(dialog, "paper")->currentData().toString(),
                  QStringLiteral("A4"));
        const QRectF glass = pane->glassOnPane();
        // A new area outside the A4 one, drawn from lower right to upper left.
        const QPointF from = glass.topLeft() + QPointF(glass.width() * 0.83, glass.height() * 0.71);
        const QPointF to = glass.topLeft() + QPointF(glass.width() * 0.52, glass.height() * 0.48);
        drag(pane, from, to);
        drawn = QRectF(millimetresAt(pane, to), millimetresAt(pane, from));
        expectSameArea(fields(dialog), drawn);
        expectSameArea(pane->area(), drawn);
        EXPECT_EQ(child<QComboBox>(dialog, "paper")->currentData().toString(), QString());
        // Moved by the middle: the size stays.
        const QPointF middle = pane->toPane(drawn.center());
        drag(pane, middle, middle + QPointF(-37.3, 21.6));
        const QPointF moved =
            millimetresAt(pane, middle + QPointF(-37.3, 21.6)) - millimetresAt(pane, middle);
        EXPECT_NEAR(fields(dialog).width(), drawn.width(), 1e-9);
        EXPECT_NEAR(fields(dialog).left(), drawn.left() + moved.x(), 0.1 + 1e-9);
        EXPECT_NEAR(fields(dialog).top(), drawn.top() + moved.y(), 0.1 + 1e-9);
        drawn = fields(dialog);
        expectSameArea(pane->area(), drawn);
        return true;
    }));
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(pages[0].dpiX(), 100);
    EXPECT_NEAR(pages[0].width(), drawn.width() / 25.4 * 100, 1.0);
    EXPECT_NEAR(pages[0].height(), drawn.height() / 25.4 * 100, 1.0);

    run([&](ScanSettingsDialog& dialog) {
        expectSameArea(fields(dialog), drawn);
        expectSameArea(child<ScanPreviewPane>(dialog, "previewPane")->area(), drawn);
        return false;
    });
}

// A paper preset and typed fields redraw the rectangle; dragging past the glass stops at the
// device's edges, and the scan of that area still comes back whole.
TEST_F(ScanPreviewTest, PresetsRedrawTheAreaAndDragsStopAtTheGlassEdges)
{
    remember({{"resolution", "20"}});
    QRectF clamped;
    ASSERT_TRUE(run([&](ScanSettingsDialog& dialog) {
        auto* pane = child<ScanPreviewPane>(dialog, "previewPane");
        auto* paper = child<QComboBox>(dialog, "paper");
        paper->setCurrentIndex(paper->findData(QStringLiteral("A5")));
        expectSameArea(pane->area(), QRectF(0, 0, 148, 210));
        child<QDoubleSpinBox>(dialog, "left")->setValue(12.5);
        child<QDoubleSpinBox>(dialog, "height")->setValue(99.9);
        expectSameArea(pane->area(), QRectF(12.5, 0, 148, 99.9));
        paper->setCurrentIndex(paper->findData(QStringLiteral("Max")));
        expectSameArea(pane->area(), QRectF(0, 0, kGlassMm, kGlassMm));
        paper->setCurrentIndex(paper->findData(QStringLiteral("A4")));
        expectSameArea(pane->area(), QRectF(0, 0, 210, 297));

        // Moved far beyond the bottom-right corner, then its top-left corner beyond the glass.
        const QPointF middle = pane->toPane(QPointF(105, 148.5));
        drag(pane, middle, middle + QPointF(5000, 5000));
        expectSameArea(pane->area(), QRectF(kGlassMm - 210, kGlassMm - 297, 210, 297));
        const QPointF corner = pane->toPane(pane->area().topLeft());
        drag(pane, corner, corner - QPointF(5000, 5000));
        expectSameArea(pane->area(), QRectF(0, 0, kGlassMm, kGlassMm));
        clamped = fields(dialog);
        expectSameArea(clamped, pane->area());
        return true;
    }));
    ASSERT_EQ(pages.size(), 1);
    EXPECT_NEAR(pages[0].width(), kGlassMm / 25.4 * 20, 1.0);
    EXPECT_NEAR(pages[0].height(), kGlassMm / 25.4 * 20, 1.0);
}

// A device that places the area in whole millimetres: a drag gives whole millimetres, in the
// fields as on the pane.
TEST_F(ScanPreviewTest, ADeviceStepOfAMillimetreHoldsForDrags)
{
    run([](ScanSettingsDialog&) { return false; });
    QList<ScanOption> options = driven.optionsShown;
    for (ScanOption& o : options) {
        if (ScanSettings::appliedFirst().indexOf(o.name) >= 4)  // tl-x, tl-y, br-x, br-y
            o.quant = 1.0;
    }
    ScanSettings settings;
    settings.set(ScanSettings::kRight, QStringLiteral("210"));
    settings.set(ScanSettings::kBottom, QStringLiteral("297"));
    ScanSettingsDialog dialog(driven.settingsDevice, options, settings);
    dialog.resize(900, 640);
    dialog.show();
    auto* pane = child<ScanPreviewPane>(dialog, "previewPane");
    EXPECT_DOUBLE_EQ(pane->step(), 1.0);
    const QRectF glass = pane->glassOnPane();
    drag(pane, glass.topLeft() + QPointF(glass.width() * 0.613, glass.height() * 0.277),
         glass.topLeft() + QPointF(glass.width() * 0.911, glass.height() * 0.852));
    const QRectF area = fields(dialog);
    for (double v : {area.left(), area.top(), area.width(), area.height()})
        EXPECT_EQ(v, std::round(v));
    expectSameArea(pane->area(), area);
    EXPECT_NEAR(area.left(), kGlassMm * 0.613, 1.0);
    EXPECT_NEAR(area.bottom(), kGlassMm * 0.852, 1.0);
}

// "原稿を検出" on a preview made by the test (a darker photo on a light lid, remembered as this
// device's last preview) sets the area to the photo within a millimetre, and the scan delivers
// that area.
TEST_F(ScanPreviewTest, FindingTheDocumentSetsTheAreaToThePhoto)
{
    const QRectF photo(143.2, 61.7, 101.6, 152.4);  // 4 x 6 inches
    const Image lid = tavlo::test::glassPreview(QSizeF(kGlassMm, kGlassMm), 75, photo);
    const QRectF covered(0, 0, lid.width() * 25.4 / 75, lid.height() * 25.4 / 75);
    PreviewMemory::instance().setPreview(QStringLiteral("test:0"), {lid, covered});
    remember({{"resolution", "30"}});
    QRectF found;
    ASSERT_TRUE(run([&](ScanSettingsDialog& dialog) {
        auto* detect = child<QPushButton>(dialog, "findDocument");
        EXPECT_TRUE(detect->isEnabled());
        detect->click();
        found = fields(dialog);
        const QRectF expected =
            photo.adjusted(-process::kDocumentMarginMm, -process::kDocumentMarginMm,
                           process::kDocumentMarginMm, process::kDocumentMarginMm);
        expectSameArea(found, expected, 1.0);
        expectSameArea(child<ScanPreviewPane>(dialog, "previewPane")->area(), found);
        EXPECT_EQ(child<QComboBox>(dialog, "paper")->currentData().toString(), QString());
        return true;
    }));
    ASSERT_EQ(pages.size(), 1);
    EXPECT_NEAR(pages[0].width(), found.width() / 25.4 * 30, 1.0);
    EXPECT_NEAR(pages[0].height(), found.height() / 25.4 * 30, 1.0);
}

}  // namespace
}  // namespace tavlo::scan::test
