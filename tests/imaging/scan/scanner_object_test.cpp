// The scanner object against SANE's test backend: pages, modes, the feeder, Cancel, errors,
// the remembered source and settings.
#include "imaging/scan/scan_status.h"
#include "tests/imaging/scan/scanner_test_fixture.h"

#include <QCoreApplication>
#include <QTest>

namespace tavlo::scan::test {
namespace {

TEST_F(ScannerTest, AFeederRunDeliversTenPagesWithItsProgressAndCancelFromTheHandlerKeepsThree)
{
    preset(dialogs, kFeeder, QStringLiteral("Gray"), 8);
    ASSERT_TRUE(acquire());
    EXPECT_EQ(pages.size(), 10);
    EXPECT_EQ(delivered, 10);
    EXPECT_EQ(scanner->lastOutcome(), ScannerObject::Outcome::Completed);
    EXPECT_TRUE(prompt.messages().isEmpty());
    EXPECT_TRUE(pages.last().isValid());
    // Pages are read in order 1..10, each counted from 0 to 100 %; the display runs once.
    int lastPage = 0;
    for (const auto& [page, percent] : dialogs.progress) {
        EXPECT_TRUE(page == lastPage || page == lastPage + 1) << page << " after " << lastPage;
        lastPage = page;
    }
    EXPECT_EQ(dialogs.progress.first(), qMakePair(1, 0));
    EXPECT_EQ(dialogs.progress.last(), qMakePair(10, 100));
    EXPECT_EQ(dialogs.progressStartedCount, 1);
    EXPECT_EQ(dialogs.progressFinishedCount, 1);

    // The device was closed at the end of the run, so the next run has a full feeder again; a
    // cancel from the page handler keeps exactly the pages raised.
    pages.clear();
    onPage = [this](int n) {
        if (n == 3)
            scanner->CancelAcquire();
    };
    EXPECT_TRUE(acquire(false));
    EXPECT_EQ(pages.size(), 3);
    EXPECT_EQ(delivered, 3);
    EXPECT_EQ(scanner->lastOutcome(), ScannerObject::Outcome::Cancelled);
    EXPECT_EQ(dialogs.progressStartedCount, 1);  // no progress display when not asked for
    pages.clear();
    onPage = nullptr;
    ASSERT_TRUE(acquire());
    EXPECT_EQ(pages.size(), 10);  // the cancelled run left the scanner ready
}

TEST_F(ScannerTest, DeviceErrorsReachTheUserAsClearMessagesAndTheScannerRecovers)
{
    // Every failing status has its own reason; the run's path is the same for all of them, so one
    // goes through the device. (Each injected error makes sane_cancel follow sane_start at once,
    // the moment at which SANE's test backend can stick in its reader thread's exit.)
    const std::pair<SANE_Status, const char*> reasons[] = {
        {SANE_STATUS_JAMMED, "紙詰まり"},
        {SANE_STATUS_COVER_OPEN, "ｶﾊﾞｰが開いています"},
        {SANE_STATUS_IO_ERROR, "通信でｴﾗｰ"},
        {SANE_STATUS_NO_MEM, "ﾒﾓﾘが不足"},
        {SANE_STATUS_ACCESS_DENIED, "権限がありません"},
        {SANE_STATUS_DEVICE_BUSY, "使用中"},
    };
    for (const auto& [status, words] : reasons) {
        EXPECT_FALSE(isNormalEnding(status)) << statusName(status);
        EXPECT_TRUE(statusReason(status).contains(QString::fromUtf8(words))) << statusName(status);
    }

    preset(dialogs, kFeeder, QStringLiteral("Gray"), 8);
    dialogs.overrides[QStringLiteral("read-return-value")] = QStringLiteral("SANE_STATUS_JAMMED");
    EXPECT_FALSE(acquire());
    EXPECT_TRUE(pages.isEmpty());
    EXPECT_EQ(scanner->lastOutcome(), ScannerObject::Outcome::Failed);
    ASSERT_EQ(prompt.messages().size(), 1);
    EXPECT_EQ(prompt.messages().first(),
              QStringLiteral("1 ﾍﾟｰｼﾞ目の読み取り中にｴﾗｰが発生しました。\r") +
                  statusReason(SANE_STATUS_JAMMED));
    EXPECT_EQ(prompt.shown.first().title, QGuiApplication::applicationDisplayName());
    EXPECT_EQ(dialogs.progressFinishedCount, dialogs.progressStartedCount);

    // No documents and a cancel at the device are normal endings.
    prompt.shown.clear();
    dialogs.overrides[QStringLiteral("read-return-value")] = QStringLiteral("SANE_STATUS_NO_DOCS");
    EXPECT_TRUE(acquire());
    EXPECT_EQ(scanner->lastOutcome(), ScannerObject::Outcome::Completed);
    EXPECT_EQ(prompt.messages().size(), 1);
    EXPECT_TRUE(
        prompt.messages().value(0).startsWith(QStringLiteral("ﾌｨｰﾀﾞｰに原稿がありません。")));
    dialogs.overrides[QStringLiteral("read-return-value")] =
        QStringLiteral("SANE_STATUS_CANCELLED");
    EXPECT_TRUE(acquire());
    EXPECT_EQ(scanner->lastOutcome(), ScannerObject::Outcome::Cancelled);
    EXPECT_EQ(prompt.messages().size(), 1);
    EXPECT_TRUE(pages.isEmpty());

    // The device was left in order: the next run scans.
    dialogs.overrides[QStringLiteral("read-return-value")] = QStringLiteral("Default");
    ASSERT_TRUE(acquire());
    EXPECT_EQ(pages.size(), 10);
    EXPECT_EQ(prompt.messages().size(), 1);
}

// The driver, in a stand-in helper, hangs or crashes once page 3 has begun: the two pages handed
// over are raised, the message names page 3, and the next run starts a fresh helper. The silence
// limit is shortened for the hang (the stand-in never answers again, so only its length is
// waited for); a Cancel the blocked driver never answers kills the helper after the grace time.
TEST_F(ScannerTest, ADriverThatHangsOrCrashesEndsTheRunAtItsPageAndTheNextRunScans)
{
    using Outcome = ScannerObject::Outcome;
    struct Case {
        const char* fault;
        bool cancelInPage3;
        int silenceMs;
        QString message;
        Outcome outcome;
        bool result;
    };
    const Case cases[] = {
        {"hang:3", false, 2000, QStringLiteral("ｽｷｬﾅのﾄﾞﾗｲﾊﾞｰが応答しません。"), Outcome::Failed,
         false},
        {"abort:3", false, 60000, QStringLiteral("ｽｷｬﾅのﾄﾞﾗｲﾊﾞｰが異常終了しました。"),
         Outcome::Failed, false},
        {"hang:3", true, 60000,
         QStringLiteral("ｽｷｬﾅのﾄﾞﾗｲﾊﾞｰが中止に応答しないため、強制的に終了しました。"),
         Outcome::Cancelled, true},
    };
    preset(dialogs, kFeeder, QStringLiteral("Gray"), 8);
    scanner->setHelperProgram(QStringLiteral(TAVLO_FAULTY_SCAN_HELPER));
    scanner->setCancelGrace(300);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        qputenv("TAVLO_TEST_DRIVER_FAULT", c.fault);
        pages.clear();
        prompt.shown.clear();
        dialogs.cancelWhenPageStarts = c.cancelInPage3 ? 3 : 0;
        scanner->setRunTimeout(c.silenceMs);
        EXPECT_EQ(acquire(), c.result);
        EXPECT_EQ(pages.size(), 2);
        EXPECT_EQ(delivered, 2);
        EXPECT_EQ(scanner->lastOutcome(), c.outcome);
        ASSERT_EQ(prompt.messages().size(), 1);
        EXPECT_EQ(prompt.messages().first(),
                  c.message + QStringLiteral("\r3 ﾍﾟｰｼﾞ目の読み取りを中止しました。"
                                             "\r読み取り済みの 2 ﾍﾟｰｼﾞはそのまま残ります。"));
        EXPECT_EQ(dialogs.progressFinishedCount, dialogs.progressStartedCount);
    }

    // The next run starts a fresh helper, whose driver works.
    qunsetenv("TAVLO_TEST_DRIVER_FAULT");
    dialogs.cancelWhenPageStarts = 0;
    scanner->setRunTimeout(60000);
    pages.clear();
    prompt.shown.clear();
    ASSERT_TRUE(acquire());
    EXPECT_EQ(pages.size(), 10);
    EXPECT_TRUE(prompt.messages().isEmpty());
}

// While the settings dialog is open, the device in the helper takes options one by one (and says
// what it made of them) and scans one page without raising ImageAcquired; the run that follows
// scans with the dialog's settings as usual.
TEST_F(ScannerTest, TheOpenDeviceSetsOptionsAndScansOnePageBeforeTheRun)
{
    preset(dialogs, kFeeder, QStringLiteral("Gray"), 8);
    QList<ScanOption> afterDelay, afterResolution;
    int delayInfo = -1;
    Image one;
    QString oneReason = QStringLiteral("not asked");
    QList<int> percents;
    dialogs.whileOpen = [&](OpenScanner* open) {
        ASSERT_NE(open, nullptr);
        const ScanOption* duration =
            findOption(dialogs.optionsShown, QStringLiteral("read-delay-duration"));
        ASSERT_NE(duration, nullptr);
        EXPECT_FALSE(duration->active);
        int info = 0;
        QString reason;
        EXPECT_TRUE(open->setOption(QStringLiteral("read-delay"), QStringLiteral("1"), afterDelay,
                                    delayInfo, reason));
        EXPECT_TRUE(open->setOption(QStringLiteral("resolution"), QStringLiteral("5000"),
                                    afterResolution, info, reason));
        EXPECT_TRUE(open->setOption(QStringLiteral("read-delay"), QStringLiteral("0"), afterDelay,
                                    info, reason));
        ScanSettings small;
        small.set(ScanSettings::kMode, QStringLiteral("Color"));
        small.set(ScanSettings::kDepth, QStringLiteral("8"));
        small.set(ScanSettings::kResolution, QStringLiteral("30"));
        small.set(ScanSettings::kRight, QStringLiteral("100"));
        small.set(ScanSettings::kBottom, QStringLiteral("50"));
        one = open->scanOnePage(small, oneReason, [&](int percent) { percents.append(percent); });
    };
    ASSERT_TRUE(acquire());
    EXPECT_EQ(delayInfo & 2, 2);  // SANE_INFO_RELOAD_OPTIONS
    const ScanOption* resolution = findOption(afterResolution, QStringLiteral("resolution"));
    ASSERT_NE(resolution, nullptr);
    EXPECT_EQ(resolution->value, QStringLiteral("1200"));
    EXPECT_TRUE(oneReason.isEmpty()) << oneReason.toStdString();
    ASSERT_FALSE(one.isNull());
    EXPECT_EQ(one.code(), ColourCode::Rgb24);
    EXPECT_EQ(one.dpiX(), 30);
    EXPECT_EQ(one.width(), 118);  // 100 mm at 30 dpi
    EXPECT_FALSE(percents.isEmpty());
    // The one page was not raised; the run's pages were, at the run's own settings.
    ASSERT_FALSE(pages.isEmpty());
    EXPECT_EQ(pages.first().code(), ColourCode::Grey256);
    EXPECT_EQ(pages.first().dpiX(), 50);
    EXPECT_TRUE(prompt.messages().isEmpty());
}

TEST_F(ScannerTest, PagesComeOneAtATimeAndAHandlerKeepsOneByDuplicatingItsHandle)
{
    preset(dialogs, kFeeder, QStringLiteral("Gray"), 8, 30);
    int depth = 0;
    int deepest = 0;
    onPage = [&](int) {
        ++depth;
        deepest = std::max(deepest, depth);
        // As the main window does while it writes a page.
        QTest::qWait(20);
        QCoreApplication::processEvents();
        --depth;
    };
    quint32 raised = 0;
    quint32 kept = 0;
    QObject::connect(scanner.get(), &ScannerObject::ImageAcquired, scanner.get(),
                     [&](quint32 handle) {
                         raised = handle;
                         if (!kept)
                             kept = ImageStore::instance().duplicate(handle);
                     });
    ASSERT_TRUE(acquire());
    EXPECT_EQ(pages.size(), 10);
    EXPECT_EQ(deepest, 1);
    EXPECT_EQ(ImageStore::instance().find(raised), nullptr);  // released after the handlers
    const Image* copy = ImageStore::instance().find(kept);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->width(), 248);
    ImageStore::instance().release(kept);
}

TEST_F(ScannerTest, TheSettingsOfEachDeviceAreRememberedAndAcquireOptionSkipsTheDialog)
{
    // The first run on a device offers an A4 page at 300 dpi; Cancel scans nothing.
    dialogs.acceptSettings = false;
    EXPECT_TRUE(acquire());
    EXPECT_EQ(scanner->lastOutcome(), ScannerObject::Outcome::Cancelled);
    EXPECT_EQ(pages.size() + dialogs.progressStartedCount, 0);
    const auto offered = [this](const char* name) {
        return dialogs.settingsShown.value(QLatin1String(name));
    };
    EXPECT_EQ(QStringList({dialogs.settingsShown.paper, offered("resolution"), offered("br-y")}),
              QStringList({"A4", "300", "297"}));

    // The cancelled run gave the device back.
    dialogs.acceptSettings = true;
    preset(dialogs, kFlatbed, QStringLiteral("Gray"), 8, 75);
    dialogs.paper = QStringLiteral("B5");
    ASSERT_TRUE(acquire());
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(pages[0].dpiX(), 75);
    EXPECT_EQ(pages[0].width(), 537);  // 182 mm at 75 dpi

    // A new scanner object (a new run of the program) starts the dialog from those values.
    makeScanner();
    dialogs.overrides.clear();
    dialogs.paper.clear();
    ASSERT_TRUE(acquire());
    EXPECT_EQ(QStringList({dialogs.settingsShown.paper, offered("resolution"), offered("mode")}),
              QStringList({"B5", "75", "Gray"}));
    ASSERT_EQ(pages.size(), 2);
    EXPECT_EQ(pages[1].width(), 537);

    // With the acquisition option set, no dialog is shown and the remembered values are used.
    dialogs.optionsShown.clear();
    dialogs.acceptSettings = false;  // would cancel if it were asked
    scanner->setAcquireOption(true);
    ASSERT_TRUE(acquire());
    EXPECT_TRUE(dialogs.optionsShown.isEmpty());
    ASSERT_EQ(pages.size(), 3);
    EXPECT_EQ(pages[2].code(), ColourCode::Grey256);
    EXPECT_EQ(pages[2].dpiX(), 75);
}

TEST_F(ScannerTest, TheChosenSourceIsRememberedAndAGoneOneIsReportedByName)
{
    dialogs.deviceName = QStringLiteral("test:1");
    ASSERT_TRUE(scanner->SelectSource());
    const ScanDevice& first = dialogs.devicesShown.value(0);
    EXPECT_EQ(QStringList({first.name, first.vendor, first.model, first.type}),
              QStringList({"test:0", "Noname", "frontend-tester", "virtual device"}));
    // Cancelling the choice keeps the one remembered.
    dialogs.deviceName.clear();
    dialogs.deviceIndex = -1;
    EXPECT_FALSE(scanner->SelectSource());
    EXPECT_EQ(scanner->memory().chosenDevice(), QStringLiteral("test:1"));
    EXPECT_TRUE(prompt.messages().isEmpty());

    // A chosen device that is gone is reported by name.
    ScannerMemory(scanner->memory().file()).setChosenDevice(QStringLiteral("test:7"));
    EXPECT_FALSE(acquire());
    EXPECT_EQ(scanner->lastOutcome(), ScannerObject::Outcome::NoDevice);
    ASSERT_EQ(prompt.messages().size(), 1);
    EXPECT_TRUE(
        prompt.messages().first().startsWith(QStringLiteral("ｽｷｬﾅ「test:7」が見つかりません。")))
        << prompt.messages().first().toStdString();
}

TEST_F(ScannerTest, OnlyOneScannerObjectUsesSane)
{
    ScannerObject second;
    EXPECT_FALSE(second.InitScanner(nullptr));
    EXPECT_TRUE(scanner->InitScanner(nullptr));  // a second call answers as the first did
}

}  // namespace
}  // namespace tavlo::scan::test
