// The scanner object against SANE's test backend: pages, modes, the feeder, Cancel, errors,
// the remembered source and settings.
#include "tests/imaging/scan/scanner_test_fixture.h"

#include <QCoreApplication>
#include <QSet>
#include <QTest>

namespace tavlo::scan::test {
namespace {

TEST_F(ScannerTest, OneFlatbedPageHasTheAreaModeAndResolutionAsked)
{
    preset(kFlatbed, QStringLiteral("Color"), 8, 300);
    ASSERT_TRUE(acquire());
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(delivered, 1);
    const Image& page = pages.first();
    // A4 at 300 dpi as the test backend cuts it: 210 mm -> 2480 pixels, 297 mm -> 3507 rows.
    EXPECT_EQ(page.width(), 2480);
    EXPECT_EQ(page.height(), 3507);
    EXPECT_EQ(page.code(), ColourCode::Rgb24);
    EXPECT_EQ(page.dpiX(), 300);
    EXPECT_EQ(page.dpiY(), 300);
    EXPECT_TRUE(page.isValid());
    EXPECT_EQ(scanner->lastOutcome(), ScannerObject::Outcome::Completed);
    EXPECT_TRUE(prompt.messages().isEmpty()) << prompt.messages().join(u'|').toStdString();
    // The progress display ran once, counted page 1 up to 100 %, and closed.
    EXPECT_EQ(dialogs.progressStartedCount, 1);
    EXPECT_EQ(dialogs.progressFinishedCount, 1);
    ASSERT_FALSE(dialogs.progress.isEmpty());
    EXPECT_EQ(dialogs.progress.first(), qMakePair(1, 0));
    EXPECT_EQ(dialogs.progress.last(), qMakePair(1, 100));
}

TEST_F(ScannerTest, AFeederRunDeliversTenPagesInOrderThenEndsNormally)
{
    preset(kFeeder, QStringLiteral("Gray"), 8);
    QList<int> progressPageAtDelivery;
    onPage = [&](int) { progressPageAtDelivery.append(dialogs.progress.last().first); };
    ASSERT_TRUE(acquire());
    EXPECT_EQ(pages.size(), 10);
    EXPECT_EQ(delivered, 10);
    EXPECT_EQ(scanner->lastOutcome(), ScannerObject::Outcome::Completed);
    EXPECT_TRUE(prompt.messages().isEmpty()) << prompt.messages().join(u'|').toStdString();
    // Page k is raised after page k started reading, and pages started in order 1..10.
    for (int k = 0; k < progressPageAtDelivery.size(); ++k)
        EXPECT_GE(progressPageAtDelivery[k], k + 1);
    int lastPage = 0;
    for (const auto& [page, percent] : dialogs.progress) {
        EXPECT_TRUE(page == lastPage || page == lastPage + 1) << page << " after " << lastPage;
        lastPage = page;
    }
    EXPECT_EQ(lastPage, 10);
    for (const Image& page : pages) {
        EXPECT_EQ(page.code(), ColourCode::Grey256);
        EXPECT_EQ(page.dpiX(), 50);
    }

    // The device was closed at the end of the run, so the next run has a full feeder again.
    pages.clear();
    ASSERT_TRUE(acquire(false));
    EXPECT_EQ(pages.size(), 10);
    EXPECT_EQ(dialogs.progressStartedCount, 1);  // no progress display when not asked for
}

TEST_F(ScannerTest, CancelFromTheHandlerAfterThreePagesKeepsExactlyThree)
{
    preset(kFeeder, QStringLiteral("Color"), 8);
    onPage = [this](int n) {
        if (n == 3)
            scanner->CancelAcquire();
    };
    EXPECT_TRUE(acquire());
    EXPECT_EQ(pages.size(), 3);
    EXPECT_EQ(delivered, 3);
    EXPECT_EQ(scanner->lastOutcome(), ScannerObject::Outcome::Cancelled);
    EXPECT_TRUE(prompt.messages().isEmpty());

    // Cancelling left the scanner ready: a new run delivers a full feeder.
    pages.clear();
    onPage = nullptr;
    ASSERT_TRUE(acquire());
    EXPECT_EQ(pages.size(), 10);
}

TEST_F(ScannerTest, CancelInTheProgressDialogWhilePageFourIsReadKeepsExactlyThree)
{
    preset(kFeeder, QStringLiteral("Color"), 8, 75);
    dialogs.cancelWhenPageStarts = 4;
    EXPECT_TRUE(acquire());
    EXPECT_EQ(pages.size(), 3);
    EXPECT_EQ(scanner->lastOutcome(), ScannerObject::Outcome::Cancelled);
    EXPECT_EQ(dialogs.progressFinishedCount, 1);
}

TEST_F(ScannerTest, LineArtGreyAndColourGiveCodesOneEightyAndTwentyFour)
{
    const struct {
        QString mode;
        int depth;
        QString picture;
        ColourCode code;
        QRgb everywhere;
    } cases[] = {
        {QStringLiteral("Gray"), 1, QStringLiteral("Solid black"), ColourCode::Mono, qRgb(0, 0, 0)},
        {QStringLiteral("Gray"), 1, QStringLiteral("Solid white"), ColourCode::Mono,
         qRgb(255, 255, 255)},
        {QStringLiteral("Gray"), 8, QStringLiteral("Solid white"), ColourCode::Grey256,
         qRgb(255, 255, 255)},
        {QStringLiteral("Color"), 8, QStringLiteral("Solid black"), ColourCode::Rgb24,
         qRgb(0, 0, 0)},
        // 16 bits per sample are reduced to 8.
        {QStringLiteral("Gray"), 16, QStringLiteral("Solid white"), ColourCode::Grey256,
         qRgb(255, 255, 255)},
        {QStringLiteral("Color"), 16, QStringLiteral("Solid white"), ColourCode::Rgb24,
         qRgb(255, 255, 255)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.mode + QLatin1Char(' ') + QString::number(c.depth) + QLatin1Char(' ') +
                      c.picture).toStdString());
        pages.clear();
        preset(kFlatbed, c.mode, c.depth, 30, c.picture);
        ASSERT_TRUE(acquire());
        ASSERT_EQ(pages.size(), 1);
        const Image& page = pages.first();
        EXPECT_EQ(page.code(), c.code);
        EXPECT_TRUE(page.isValid());
        EXPECT_EQ(page.width(), 248);  // 210 mm at 30 dpi
        for (int y = 0; y < page.height(); y += 37)
            for (int x = 0; x < page.width(); x += 13)
                ASSERT_EQ(page.pixelColour(x, y), c.everywhere) << x << "," << y;
    }
}

// At least n different colours: a comparison of such images can fail.
bool hasColours(const Image& image, int n)
{
    QSet<QRgb> seen;
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 3)
            seen.insert(image.pixelColour(x, y));
    return seen.size() >= n;
}

TEST_F(ScannerTest, ThreePassColourGivesTheSamePixelsAsSinglePass)
{
    const auto scanWith = [this](const QString& threePass, const QString& order) {
        pages.clear();
        preset(kFlatbed, QStringLiteral("Color"), 8, 40);
        dialogs.overrides[QStringLiteral("three-pass")] = threePass;
        dialogs.overrides[QStringLiteral("three-pass-order")] = order;
        EXPECT_TRUE(acquire());
        return pages.value(0);
    };
    const Image reference = scanWith(QStringLiteral("0"), QStringLiteral("RGB"));
    ASSERT_TRUE(hasColours(reference, 8));
    for (const QString& order : {QStringLiteral("RGB"), QStringLiteral("BGR"), QStringLiteral("GRB")}) {
        const Image threePass = scanWith(QStringLiteral("1"), order);
        EXPECT_TRUE(samePixels(reference, threePass)) << order.toStdString();
    }
    EXPECT_TRUE(prompt.messages().isEmpty()) << prompt.messages().join(u'|').toStdString();
}

TEST_F(ScannerTest, SixteenBitSamplesAreReducedToTheEightBitPicture)
{
    // The grid is black and white at every depth, so 16-bit pages must equal 8-bit ones.
    for (const QString& mode : {QStringLiteral("Gray"), QStringLiteral("Color")}) {
        SCOPED_TRACE(mode.toStdString());
        pages.clear();
        preset(kFlatbed, mode, 8, 40, QStringLiteral("Grid"));
        ASSERT_TRUE(acquire());
        preset(kFlatbed, mode, 16, 40, QStringLiteral("Grid"));
        ASSERT_TRUE(acquire());
        ASSERT_EQ(pages.size(), 2);
        EXPECT_TRUE(hasColours(pages[0], 2));
        EXPECT_TRUE(samePixels(pages[0], pages[1]));
    }
}

TEST_F(ScannerTest, SmallReadsPaddedRowsAndUnknownLengthsAreAssembledAlike)
{
    preset(kFlatbed, QStringLiteral("Color"), 8, 40);
    dialogs.overrides[QStringLiteral("br-y")] = QStringLiteral("60");
    ASSERT_TRUE(acquire());
    const Image reference = pages.value(0);
    ASSERT_FALSE(reference.isNull());

    // sane_read handing over 7 bytes at a time: rows straddle reads.
    pages.clear();
    dialogs.overrides[QStringLiteral("read-limit")] = QStringLiteral("1");
    dialogs.overrides[QStringLiteral("read-limit-size")] = QStringLiteral("7");
    ASSERT_TRUE(acquire());
    EXPECT_TRUE(samePixels(reference, pages.value(0)));

    // Pixels lost at the end of each row: the row holds more bytes than the width says.
    pages.clear();
    dialogs.overrides[QStringLiteral("read-limit")] = QStringLiteral("0");
    dialogs.overrides[QStringLiteral("ppl-loss")] = QStringLiteral("5");
    ASSERT_TRUE(acquire());
    EXPECT_EQ(pages.value(0).width(), reference.width() - 5);
    EXPECT_EQ(pages.value(0).height(), reference.height());

    // A hand scanner does not know the length of the page: 11 cm wide at 40 dpi.
    pages.clear();
    dialogs.overrides[QStringLiteral("ppl-loss")] = QStringLiteral("0");
    dialogs.overrides[QStringLiteral("hand-scanner")] = QStringLiteral("1");
    ASSERT_TRUE(acquire());
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(pages[0].width(), 173);
    EXPECT_GT(pages[0].height(), 0);
    EXPECT_TRUE(pages[0].isValid());
    EXPECT_EQ(dialogs.progress.last().second, -1);  // length unknown: no percentage
}

TEST_F(ScannerTest, DeviceErrorsReachTheUserAsClearMessagesAndTheScannerRecovers)
{
    const struct {
        const char* status;
        const char* words;
    } cases[] = {
        {"SANE_STATUS_JAMMED", "紙詰まり"},
        {"SANE_STATUS_COVER_OPEN", "ｶﾊﾞｰが開いています"},
        {"SANE_STATUS_IO_ERROR", "通信でｴﾗｰ"},
        {"SANE_STATUS_NO_MEM", "ﾒﾓﾘが不足"},
        {"SANE_STATUS_ACCESS_DENIED", "権限がありません"},
        {"SANE_STATUS_DEVICE_BUSY", "使用中"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        prompt.shown.clear();
        pages.clear();
        preset(kFeeder, QStringLiteral("Gray"), 8);
        dialogs.overrides[QStringLiteral("read-return-value")] = QLatin1String(c.status);
        EXPECT_FALSE(acquire());
        EXPECT_EQ(pages.size(), 0);
        EXPECT_EQ(scanner->lastOutcome(), ScannerObject::Outcome::Failed);
        ASSERT_EQ(prompt.messages().size(), 1);
        const QString text = prompt.messages().first();
        EXPECT_TRUE(text.startsWith(QStringLiteral("1 ﾍﾟｰｼﾞ目の読み取り中にｴﾗｰが発生しました。\r")))
            << text.toStdString();
        EXPECT_TRUE(text.contains(QString::fromUtf8(c.words))) << text.toStdString();
        EXPECT_EQ(prompt.shown.first().title, QGuiApplication::applicationDisplayName());
        EXPECT_EQ(dialogs.progressFinishedCount, dialogs.progressStartedCount);
    }

    // The device was left in order: the next run scans.
    prompt.shown.clear();
    dialogs.overrides[QStringLiteral("read-return-value")] = QStringLiteral("Default");
    ASSERT_TRUE(acquire());
    EXPECT_EQ(pages.size(), 10);
    EXPECT_TRUE(prompt.messages().isEmpty());
}

TEST_F(ScannerTest, AScannerThatStopsAnsweringIsCancelledAndThePagesReadStay)
{
    // As slow as a real scanner: small pages of one buffer each, 150 ms a buffer; the run may
    // last 1.2 s, so the time runs out after a few pages.
    preset(kFeeder, QStringLiteral("Gray"), 8, 20);
    dialogs.overrides[QStringLiteral("br-x")] = QStringLiteral("20");
    dialogs.overrides[QStringLiteral("br-y")] = QStringLiteral("20");
    dialogs.overrides[QStringLiteral("read-delay")] = QStringLiteral("1");
    dialogs.overrides[QStringLiteral("read-delay-duration")] = QStringLiteral("150000");
    scanner->setRunTimeout(1200);
    EXPECT_FALSE(acquire());
    EXPECT_LT(pages.size(), 10);
    EXPECT_EQ(delivered, pages.size());
    EXPECT_EQ(scanner->lastOutcome(), ScannerObject::Outcome::Failed);
    ASSERT_EQ(prompt.messages().size(), 1);
    const QString text = prompt.messages().first();
    EXPECT_TRUE(text.startsWith(QStringLiteral("ｽｷｬﾅから応答がないため、読み取りを中止しました。")));
    if (!pages.isEmpty()) {
        EXPECT_TRUE(text.endsWith(
            QStringLiteral("\r読み取り済みの %1 ﾍﾟｰｼﾞはそのまま残ります。").arg(pages.size())))
            << text.toStdString();
    }

    // The run did end: the scanner takes the next one.
    prompt.shown.clear();
    pages.clear();
    scanner->setRunTimeout(60000);
    dialogs.overrides[QStringLiteral("read-delay")] = QStringLiteral("0");
    ASSERT_TRUE(acquire());
    EXPECT_EQ(pages.size(), 10);
}

TEST_F(ScannerTest, NoDocumentsAndACancelAtTheDeviceAreNormalEndings)
{
    preset(kFeeder, QStringLiteral("Gray"), 8);
    dialogs.overrides[QStringLiteral("read-return-value")] = QStringLiteral("SANE_STATUS_NO_DOCS");
    EXPECT_TRUE(acquire());
    EXPECT_EQ(pages.size(), 0);
    EXPECT_EQ(scanner->lastOutcome(), ScannerObject::Outcome::Completed);
    ASSERT_EQ(prompt.messages().size(), 1);
    EXPECT_TRUE(prompt.messages().first().startsWith(QStringLiteral("ﾌｨｰﾀﾞｰに原稿がありません。")));

    prompt.shown.clear();
    dialogs.overrides[QStringLiteral("read-return-value")] = QStringLiteral("SANE_STATUS_CANCELLED");
    EXPECT_TRUE(acquire());
    EXPECT_EQ(pages.size(), 0);
    EXPECT_EQ(scanner->lastOutcome(), ScannerObject::Outcome::Cancelled);
    EXPECT_TRUE(prompt.messages().isEmpty());
}

TEST_F(ScannerTest, PagesComeOneAtATimeEvenWhenAHandlerRunsTheEventLoop)
{
    preset(kFeeder, QStringLiteral("Gray"), 8, 30);
    int depth = 0;
    int deepest = 0;
    onPage = [&](int) {
        ++depth;
        deepest = std::max(deepest, depth);
        // As the main window does after the after-scan colour reduction.
        QTest::qWait(20);
        QCoreApplication::processEvents();
        --depth;
    };
    ASSERT_TRUE(acquire());
    EXPECT_EQ(pages.size(), 10);
    EXPECT_EQ(deepest, 1);
}

TEST_F(ScannerTest, TheHandlerKeepsAPageByDuplicatingItsHandle)
{
    preset(kFlatbed, QStringLiteral("Gray"), 8, 30);
    quint32 kept = 0;
    quint32 raised = 0;
    QObject::connect(scanner.get(), &ScannerObject::ImageAcquired, scanner.get(),
                     [&](quint32 handle) {
                         raised = handle;
                         kept = ImageStore::instance().duplicate(handle);
                     });
    ASSERT_TRUE(acquire());
    EXPECT_EQ(ImageStore::instance().find(raised), nullptr);  // released after the handlers
    const Image* copy = ImageStore::instance().find(kept);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->width(), 248);
    ImageStore::instance().release(kept);
}

TEST_F(ScannerTest, TheSettingsOfEachDeviceAreRememberedAndAcquireOptionSkipsTheDialog)
{
    preset(kFlatbed, QStringLiteral("Gray"), 8, 75);
    dialogs.paper = QStringLiteral("B5");
    ASSERT_TRUE(acquire());
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(pages[0].dpiX(), 75);
    EXPECT_EQ(pages[0].width(), 537);  // 182 mm at 75 dpi

    // A new scanner object (a new run of the program) starts the dialog from those values.
    makeScanner();
    dialogs.overrides.clear();
    dialogs.paper.clear();
    pages.clear();
    ASSERT_TRUE(acquire());
    EXPECT_EQ(dialogs.settingsShown.value(QStringLiteral("resolution")), QStringLiteral("75"));
    EXPECT_EQ(dialogs.settingsShown.value(QStringLiteral("mode")), QStringLiteral("Gray"));
    EXPECT_EQ(dialogs.settingsShown.paper, QStringLiteral("B5"));
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(pages[0].width(), 537);

    // With the acquisition option set, no dialog is shown and the remembered values are used.
    dialogs.optionsShown.clear();
    dialogs.acceptSettings = false;  // would cancel if it were asked
    scanner->setAcquireOption(true);
    pages.clear();
    ASSERT_TRUE(acquire());
    EXPECT_TRUE(dialogs.optionsShown.isEmpty());
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(pages[0].code(), ColourCode::Grey256);
    EXPECT_EQ(pages[0].dpiX(), 75);
}

TEST_F(ScannerTest, TheFirstRunOnADeviceScansAnA4PageAtThreeHundredDpi)
{
    dialogs.overrides[QStringLiteral("mode")] = QStringLiteral("Gray");
    ASSERT_TRUE(acquire());
    EXPECT_EQ(dialogs.settingsShown.paper, QStringLiteral("A4"));
    EXPECT_EQ(dialogs.settingsShown.value(QStringLiteral("resolution")), QStringLiteral("300"));
    EXPECT_EQ(dialogs.settingsShown.value(QStringLiteral("br-y")), QStringLiteral("297"));
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(pages[0].width(), 2480);
}

TEST_F(ScannerTest, CancellingTheSettingsDialogScansNothing)
{
    dialogs.acceptSettings = false;
    EXPECT_TRUE(acquire());
    EXPECT_EQ(pages.size(), 0);
    EXPECT_EQ(scanner->lastOutcome(), ScannerObject::Outcome::Cancelled);
    EXPECT_EQ(dialogs.progressStartedCount, 0);
    // The device was given back: the next run opens it.
    dialogs.acceptSettings = true;
    preset(kFlatbed, QStringLiteral("Gray"), 8, 30);
    ASSERT_TRUE(acquire());
    EXPECT_EQ(pages.size(), 1);
}

TEST_F(ScannerTest, TheChosenSourceIsListedRememberedAndOpened)
{
    dialogs.deviceName = QStringLiteral("test:1");
    ASSERT_TRUE(scanner->SelectSource());
    ASSERT_EQ(dialogs.devicesShown.size(), 2);
    const ScanDevice& first = dialogs.devicesShown[0];
    EXPECT_EQ(first.name, QStringLiteral("test:0"));
    EXPECT_EQ(first.vendor, QStringLiteral("Noname"));
    EXPECT_EQ(first.model, QStringLiteral("frontend-tester"));
    EXPECT_EQ(first.type, QStringLiteral("virtual device"));
    EXPECT_EQ(scanner->memory().chosenDevice(), QStringLiteral("test:1"));

    preset(kFlatbed, QStringLiteral("Gray"), 8, 30);
    ASSERT_TRUE(acquire());
    EXPECT_EQ(dialogs.settingsDevice.name, QStringLiteral("test:1"));
    EXPECT_EQ(pages.size(), 1);

    // Cancelling the choice keeps the one remembered.
    dialogs.deviceName.clear();
    dialogs.deviceIndex = -1;
    EXPECT_FALSE(scanner->SelectSource());
    EXPECT_EQ(scanner->memory().chosenDevice(), QStringLiteral("test:1"));
    EXPECT_TRUE(prompt.messages().isEmpty());
}

TEST_F(ScannerTest, AChosenDeviceThatIsGoneIsReportedByName)
{
    ScannerMemory(scanner->memory().file()).setChosenDevice(QStringLiteral("test:7"));
    EXPECT_FALSE(acquire());
    EXPECT_EQ(scanner->lastOutcome(), ScannerObject::Outcome::NoDevice);
    ASSERT_EQ(prompt.messages().size(), 1);
    EXPECT_TRUE(prompt.messages().first().startsWith(QStringLiteral("ｽｷｬﾅ「test:7」が見つかりません。")))
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
