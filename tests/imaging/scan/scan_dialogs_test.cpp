// The scanner's Qt dialogs: the settings dialog built from the test device's own options, and
// the real dialogs driven end to end through the scanner object.
#include "imaging/scan/scan_progress_dialog.h"
#include "imaging/scan/scan_settings_dialog.h"
#include "imaging/scan/scan_source_dialog.h"
#include "tests/imaging/scan/scanner_test_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

namespace tavlo::scan::test {
namespace {

class ScanDialogsTest : public ScannerTest {
protected:
    // The test device's options, as the scanner object hands them to the settings dialog.
    QList<ScanOption> deviceOptions()
    {
        dialogs.acceptSettings = false;
        int pages = 0, progress = 1;
        scanner->AcquireImages(pages, progress);
        dialogs.acceptSettings = true;
        return dialogs.optionsShown;
    }

    static ScanSettings a4Colour()
    {
        ScanSettings s;
        const QStringList names = {ScanSettings::kMode,  ScanSettings::kResolution,
                                   ScanSettings::kLeft,  ScanSettings::kTop,
                                   ScanSettings::kRight, ScanSettings::kBottom};
        const QStringList values = {"Color", "300", "0", "0", "210", "297"};
        for (qsizetype i = 0; i < names.size(); ++i)
            s.set(names[i], values[i]);
        s.paper = QStringLiteral("A4");
        return s;
    }
};

ScanDevice testDevice()
{
    return {QStringLiteral("test:0"), QStringLiteral("Noname"), QStringLiteral("frontend-tester"),
            QStringLiteral("virtual device")};
}

template <typename W> W* child(QWidget& parent, const char* name)
{
    W* widget = parent.findChild<W*>(QLatin1String(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

// The area a settings value gives: left, top, right and bottom in millimetres, and the paper.
QString area(const ScanSettings& s)
{
    return QStringList({s.value(ScanSettings::kLeft), s.value(ScanSettings::kTop),
                        s.value(ScanSettings::kRight), s.value(ScanSettings::kBottom), s.paper})
        .join(u' ');
}

// The settings dialog offers the device's own choices and gives back the area of a paper preset,
// a typed size or a moved corner, and a typed resolution inside the device's range.
TEST_F(ScanDialogsTest, TheSettingsDialogGivesBackThePaperAreaAndResolution)
{
    ScanSettingsDialog dialog(testDevice(), deviceOptions(), a4Colour());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ｽｷｬﾝ設定 - Noname frontend-tester"));
    EXPECT_NE(dialog.findChild<QCheckBox*>(QStringLiteral("hand-scanner")), nullptr);
    EXPECT_EQ(dialog.findChild<QWidget*>(QStringLiteral("preview")), nullptr);
    EXPECT_EQ(area(dialog.settings()), QStringLiteral("0 0 210 297 A4"));  // unchanged
    auto* paper = child<QComboBox>(dialog, "paper");
    auto* left = child<QDoubleSpinBox>(dialog, "left");
    auto* width = child<QDoubleSpinBox>(dialog, "width");
    auto* height = child<QDoubleSpinBox>(dialog, "height");
    auto* resolution = child<QComboBox>(dialog, "resolution");
    ASSERT_TRUE(paper && left && width && height && resolution);
    paper->setCurrentIndex(paper->findData(QStringLiteral("B5")));
    EXPECT_EQ(area(dialog.settings()), QStringLiteral("0 0 182 257 B5"));
    width->setValue(210);  // typing a preset's size selects it
    height->setValue(297);
    EXPECT_EQ(paper->currentData().toString(), QStringLiteral("A4"));
    left->setValue(10);  // moving the area from the corner makes it free, within the glass
    EXPECT_EQ(width->maximum(), 422);
    EXPECT_EQ(area(dialog.settings()), QStringLiteral("10 0 220 297 "));
    paper->setCurrentIndex(paper->findData(QStringLiteral("Max")));
    EXPECT_EQ(area(dialog.settings()), QStringLiteral("0 0 432 432 Max"));

    EXPECT_EQ(dialog.settings().value(ScanSettings::kResolution), QStringLiteral("300"));
    resolution->setCurrentText(QStringLiteral("600dpi"));
    EXPECT_EQ(dialog.settings().value(ScanSettings::kResolution), QStringLiteral("600"));
    resolution->setCurrentText(QStringLiteral("5000"));
    EXPECT_EQ(dialog.settings().value(ScanSettings::kResolution), QStringLiteral("1200"));
}

// On the device open in the helper, the dialog follows the device at once: ticking an option that
// enables another shows the second one, and a resolution beyond the device's range shows the one
// the device will use. The fields the user set before stay as they were.
TEST_F(ScanDialogsTest, TheSettingsDialogReloadsTheOptionsTheDeviceChanged)
{
    bool checked = false;
    dialogs.acceptSettings = false;
    dialogs.whileOpen = [&](OpenScanner* open) {
        ASSERT_NE(open, nullptr);
        ScanSettingsDialog dialog(testDevice(), dialogs.optionsShown, a4Colour(), nullptr, open);
        EXPECT_EQ(dialog.findChild<QWidget*>(QStringLiteral("read-delay-duration")), nullptr);
        auto* delay = child<QCheckBox>(dialog, "read-delay");
        auto* paper = child<QComboBox>(dialog, "paper");
        ASSERT_TRUE(delay && paper);
        paper->setCurrentIndex(paper->findData(QStringLiteral("B5")));
        delay->click();
        auto* duration = child<QDoubleSpinBox>(dialog, "read-delay-duration");
        ASSERT_NE(duration, nullptr);
        EXPECT_TRUE(child<QCheckBox>(dialog, "read-delay")->isChecked());
        EXPECT_EQ(area(dialog.settings()), QStringLiteral("0 0 182 257 B5"));

        auto* resolution = child<QComboBox>(dialog, "resolution");
        ASSERT_TRUE(resolution && resolution->lineEdit());
        resolution->setCurrentText(QStringLiteral("5000"));
        emit resolution->lineEdit()->editingFinished();
        resolution = child<QComboBox>(dialog, "resolution");  // built again from the device
        ASSERT_NE(resolution, nullptr);
        EXPECT_EQ(resolution->currentText(), QStringLiteral("1200"));
        EXPECT_EQ(dialog.settings().value(QStringLiteral("read-delay")), QStringLiteral("1"));

        child<QCheckBox>(dialog, "read-delay")->click();  // and unticked, it goes again
        EXPECT_EQ(dialog.findChild<QWidget*>(QStringLiteral("read-delay-duration")), nullptr);
        checked = true;
    };
    int pages = 0, progress = 1;
    scanner->AcquireImages(pages, progress);
    EXPECT_TRUE(checked);
    EXPECT_TRUE(prompt.messages().isEmpty());
}

// Answers the next modal dialog that appears, from the event loop.
void whenModal(std::function<bool(QWidget*)> answer)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && answer(modal))
            timer->deleteLater();
    });
    timer->start();
}

TEST_F(ScanDialogsTest, TheRealDialogsChooseTheSourceCancelAndScanWithAProgressDialog)
{
    scanner->setDialogs(nullptr);  // the Qt dialogs
    whenModal([](QWidget* modal) {
        auto* dialog = qobject_cast<ScanSourceDialog*>(modal);
        if (!dialog)
            return false;
        auto* list = dialog->findChild<QTreeWidget*>(QStringLiteral("devices"));
        EXPECT_EQ(list->topLevelItemCount(), 2);
        EXPECT_EQ(list->topLevelItem(1)->text(3), QStringLiteral("test:1"));
        list->setCurrentItem(list->topLevelItem(1));
        dialog->accept();
        return true;
    });
    ASSERT_TRUE(scanner->SelectSource());
    EXPECT_EQ(scanner->memory().chosenDevice(), QStringLiteral("test:1"));

    // Cancel in the settings dialog scans nothing.
    whenModal([](QWidget* modal) {
        auto* dialog = qobject_cast<ScanSettingsDialog*>(modal);
        if (dialog)
            dialog->findChild<QPushButton*>(QStringLiteral("cancel"))->click();
        return dialog != nullptr;
    });
    EXPECT_TRUE(acquire());
    EXPECT_EQ(pages.size(), 0);
    EXPECT_EQ(scanner->lastOutcome(), ScannerObject::Outcome::Cancelled);

    bool sawProgress = false;
    whenModal([&sawProgress](QWidget* modal) {
        auto* dialog = qobject_cast<ScanSettingsDialog*>(modal);
        if (!dialog)
            return false;
        EXPECT_TRUE(dialog->windowTitle().endsWith(QStringLiteral("frontend-tester")));
        dialog->findChild<QComboBox*>(QStringLiteral("resolution"))
            ->setCurrentText(QStringLiteral("40"));
        auto* source = dialog->findChild<QComboBox*>(QStringLiteral("source"));
        source->setCurrentIndex(source->findData(QStringLiteral("Automatic Document Feeder")));
        dialog->findChild<QPushButton*>(QStringLiteral("scan"))->click();
        return true;
    });
    onPage = [&sawProgress](int n) {
        auto* progress = qobject_cast<ScanProgressDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(progress, nullptr);
        // The progress shows the page being read, which may be ahead of the page raised.
        const QString text = progress->findChild<QLabel*>(QStringLiteral("page"))->text();
        const int shown = text.section(QLatin1Char(' '), 0, 0).toInt();
        EXPECT_GE(shown, n) << text.toStdString();
        EXPECT_TRUE(text.endsWith(QStringLiteral(" ﾍﾟｰｼﾞ目を読み取っています...")))
            << text.toStdString();
        sawProgress = true;
    };
    ASSERT_TRUE(acquire());
    EXPECT_EQ(pages.size(), 10);
    EXPECT_EQ(pages[0].dpiX(), 40);
    EXPECT_TRUE(sawProgress);
    EXPECT_TRUE(prompt.messages().isEmpty());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);  // the progress dialog is gone
}

TEST_F(ScanDialogsTest, CancelInTheRealProgressDialogStopsAfterThePagesRaised)
{
    scanner->setDialogs(nullptr);
    scanner->setAcquireOption(true);  // no settings dialog: the remembered (first-run) settings
    ScannerMemory(scanner->memory().file()).setSettings(QStringLiteral("test:0"), [] {
        ScanSettings s;
        s.set(ScanSettings::kSource, QStringLiteral("Automatic Document Feeder"));
        s.set(ScanSettings::kResolution, QStringLiteral("30"));
        return s;
    }());
    onPage = [](int n) {
        if (n != 2)
            return;
        auto* progress = qobject_cast<ScanProgressDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(progress, nullptr);
        progress->findChild<QPushButton*>(QStringLiteral("cancel"))->click();
        EXPECT_EQ(progress->findChild<QLabel*>(QStringLiteral("page"))->text(),
                  QStringLiteral("中止しています..."));
    };
    EXPECT_TRUE(acquire());
    EXPECT_EQ(pages.size(), 2);
    EXPECT_EQ(scanner->lastOutcome(), ScannerObject::Outcome::Cancelled);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
}  // namespace tavlo::scan::test
