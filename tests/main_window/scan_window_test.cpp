// Scanning through the real main window from SANE's test device: every page becomes the next
// numbered work file the moment it arrives, and nothing already in the work folder is ever lost.
#include "environment/disk_calls.h"
#include "imaging/codecs/image_file.h"
#include "imaging/image_store.h"
#include "imaging/imaging_control.h"
#include "imaging/scan/scanner_memory.h"
#include "imaging/print/print_spooler.h"
#include "imaging/scan/scanner_object.h"
#include "main_window/busy_state.h"
#include "main_window/command_router.h"
#include "main_window/document_state.h"
#include "main_window/file_list_box.h"
#include "main_window/menu_tree.h"
#include "main_window/scan_controller.h"
#include "main_window/tool_strip.h"

#include "tests/imaging/scan/sane_test_device.h"
#include "tests/main_window/main_window_fixture.h"
#include "tests/support/recording_printer.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <optional>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tavlo::test {
namespace {

using scan::ScannerObject;
using scan::test::kFeeder;
using scan::test::kFlatbed;
using scan::test::preset;

// What the window had done when a page's handler returned.
struct PageSeen {
    QString sCurFile;
    QString txPfx;
    bool listed = false;  // sCurFile's name is in File1
    std::optional<DocState> docState;
    bool busy = false;
    bool paintHeld = false;
};

// Root writes into any folder (CAP_DAC_OVERRIDE); for as long as this lives the calling thread,
// and every thread it starts meanwhile, obeys file permissions like any user.
class ObeyFilePermissions {
public:
    ObeyFilePermissions()
    {
        if (::geteuid() != 0)
            return;
        if (::syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_dropped = ::syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~ObeyFilePermissions()
    {
        if (m_dropped)
            ::syscall(SYS_capset, &m_header, m_saved);
    }
    ObeyFilePermissions(const ObeyFilePermissions&) = delete;
    ObeyFilePermissions& operator=(const ObeyFilePermissions&) = delete;

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2] = {};
    bool m_dropped = false;
};

class ScanWindowTest : public MainWindowTest {
protected:
    static void SetUpTestSuite() { scan::test::useSaneTestBackend(); }

    void SetUp() override
    {
        MainWindowTest::SetUp();
        ASSERT_TRUE(m_memory.isValid());
        m_storeBefore = ImageStore::instance().size();
        makeWindow();
    }

    void makeWindow()
    {
        seen.clear();
        w = start();
        ScannerObject& s = scanner();
        s.setDialogs(&dialogs);
        s.setMemory(scan::ScannerMemory(m_memory.filePath(QStringLiteral("scanner.ini"))));
        s.setRunTimeout(60000);
        // Connected after the window's own handler, so this sees what the page left behind.
        QObject::connect(&s, &ScannerObject::ImageAcquired, &s, [this](quint32) {
            PageSeen page;
            page.sCurFile = w->state().sCurFile;
            page.txPfx = txPfx();
            page.listed =
                !page.sCurFile.isEmpty() && listed().contains(QFileInfo(page.sCurFile).fileName());
            page.docState = w->document().state();
            page.busy = w->busy().isBusy();
            page.paintHeld = w->scanning().isPaintHeld();
            seen.append(page);
            if (onPage)
                onPage(int(seen.size()));
        });
    }

    void TearDown() override
    {
        w.reset();
        EXPECT_EQ(ImageStore::instance().size(), m_storeBefore) << "an image handle was kept";
        MainWindowTest::TearDown();
    }

    ScannerObject& scanner() { return w->ikImg().ScannerObject(); }

    // "ｽｷｬﾝ" > "実行", as the user chooses it; returns when the run has ended.
    void scan() { w->router().mnScan_Click(0); }

    QString txPfx() const { return w->strip().txPfx()->text(); }
    void setTxPfx(const QString& text) { w->strip().txPfx()->setText(text); }

    QStringList listed() const
    {
        QStringList names;
        for (int i = 0; i < w->File1().listCount(); ++i)
            names.append(w->File1().entry(i));
        return names;
    }

    // Every file in the work folder, hidden ones (unfinished temporary files) included.
    QStringList workFiles() const
    {
        return QDir(workFolder()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    QString work(const QString& name) const { return workFolder() + QLatin1Char('/') + name; }

    static Image readBack(const QString& path,
                          codecs::ImageFormat expected = codecs::ImageFormat::Bmp)
    {
        codecs::ImageFormat format = codecs::ImageFormat::Unknown;
        codecs::Decoded decoded = codecs::readImageFile(path, &format);
        EXPECT_TRUE(decoded.ok()) << path.toStdString() << ": " << decoded.error.toStdString();
        EXPECT_EQ(format, expected) << path.toStdString();
        return decoded.image;
    }

    const Image* shown() { return w->ikImg().currentImage().image(); }

    // A run stopped at a page it could not write: the page stays in the view, without a file and
    // marked changed so it can be saved elsewhere, and the window is ready again. The user is
    // told once: by a message, or, when the scanner had read further pages by then (that depends
    // on the timing), by the question that names them too (unanswered here: not saved). What was
    // shown is then cleared.
    void expectStoppedWithThePageUnsaved(const QString& messageStart)
    {
        EXPECT_EQ(scanner().lastOutcome(), ScannerObject::Outcome::Cancelled);
        ASSERT_EQ(prompt.shown.size(), 1);
        const QString text = prompt.shown.first().text;
        EXPECT_TRUE(text.startsWith(messageStart)) << text.toStdString();
        const QString unsaved = QStringLiteral("表示中の画像は保存されていません。");
        EXPECT_TRUE(prompt.shown.first().kind == QLatin1String("message")
                        ? text.endsWith(unsaved)
                        : text.contains(unsaved + QStringLiteral("\r\r読み取り済みで")))
            << text.toStdString();
        prompt.shown.clear();
        ASSERT_NE(shown(), nullptr);
        EXPECT_EQ(w->state().sCurFile, QString());
        EXPECT_EQ(w->document().state(), DocState::Changed);
        EXPECT_TRUE(w->document().hasUnsavedPixels());
        EXPECT_TRUE(w->menus().mnFile.isEnabled(1));  // "上書き保存(&S)"
        EXPECT_TRUE(w->ikImg().updatesEnabled());
        EXPECT_FALSE(w->busy().isBusy());
    }

    scan::PresetScanDialogs dialogs;
    std::unique_ptr<fmMain> w;
    QList<PageSeen> seen;
    std::function<void(int page)> onPage;

private:
    QTemporaryDir m_memory;
    std::size_t m_storeBefore = 0;
};

// Flatbed pages in line art, grey and colour become prefix-001, -002 and -003 with codes 1, 80
// and 24; the last, at 300 dpi, is written as TIFF from the source chosen through "ｿｰｽの選択".
TEST_F(ScanWindowTest, FlatbedPagesBecomeTheNextNumberedFilesWithTheirSizeCodeAndResolution)
{
    setTxPfx(QStringLiteral("scan"));
    const std::tuple<const char*, int, int, const char*, QSize, ColourCode> cases[] = {
        {"Gray", 1, 50, "scan-001.bmp", QSize(413, 584), ColourCode::Mono},
        {"Gray", 8, 50, "scan-002.bmp", QSize(413, 584), ColourCode::Grey256},
        // A4 as the test device cuts it.
        {"Color", 8, 300, "scan-003.tif", QSize(2480, 3507), ColourCode::Rgb24}};
    for (const auto& [mode, depth, dpi, name, size, code] : cases) {
        SCOPED_TRACE(name);
        const bool tiff = QLatin1String(name).endsWith(QLatin1String(".tif"));
        if (tiff) {
            dialogs.deviceName = QStringLiteral("test:1");
            w->router().mnScan_Click(3);
            w->strip().cbKak()->setCurrentIndex(1);
        }
        preset(dialogs, kFlatbed, QLatin1String(mode), depth, dpi);
        scan();
        const Image file = readBack(work(QLatin1String(name)),
                                    tiff ? codecs::ImageFormat::Tiff : codecs::ImageFormat::Bmp);
        EXPECT_EQ(QSize(file.width(), file.height()), size);
        EXPECT_EQ(file.code(), code);
        EXPECT_EQ(file.dpiX(), dpi);
        EXPECT_EQ(file.dpiY(), dpi);
        // The view shows the page that was written, as the current, unchanged, listed file, and
        // the colour ticks follow the page, not the image shown before it.
        ASSERT_NE(shown(), nullptr);
        EXPECT_EQ(shown()->pixels(), file.pixels());
        EXPECT_EQ(w->state().sCurFile, work(QLatin1String(name)));
        EXPECT_EQ(w->document().state(), DocState::Unchanged);
        EXPECT_EQ(w->state().sClrCd, QString::number(int(file.code())));
        EXPECT_TRUE(listed().contains(QLatin1String(name)));
        // Busy while the page was handled; the first page of a run is painted at once, however
        // soon after the last run it came.
        EXPECT_TRUE(seen.last().busy);
        EXPECT_FALSE(seen.last().paintHeld);
        EXPECT_FALSE(w->busy().isBusy());
    }
    EXPECT_EQ(workFiles(), (QStringList{"scan-001.bmp", "scan-002.bmp", "scan-003.tif"}));
    EXPECT_EQ(txPfx(), QStringLiteral("scan-004"));
    EXPECT_EQ(dialogs.settingsDevice.name, QStringLiteral("test:1"));
    EXPECT_TRUE(noMessages());
}

TEST_F(ScanWindowTest, AFeederRunWritesTenFilesInOrderAndAJamLaterLosesNone)
{
    setTxPfx(QStringLiteral("doc"));
    preset(dialogs, kFeeder, QStringLiteral("Gray"), 8);
    scan();

    ASSERT_EQ(seen.size(), 10);
    QStringList expected;
    for (int k = 1; k <= 10; ++k) {
        const QString name = QStringLiteral("doc-%1.bmp").arg(k, 3, 10, QLatin1Char('0'));
        expected.append(name);
        // Page k is written, listed and counted on before page k + 1 arrives.
        EXPECT_EQ(seen[k - 1].sCurFile, work(name));
        EXPECT_TRUE(seen[k - 1].listed) << k;
        EXPECT_EQ(seen[k - 1].txPfx, QStringLiteral("doc-%1").arg(k + 1, 3, 10, QLatin1Char('0')));
        EXPECT_EQ(seen[k - 1].docState, DocState::Unchanged) << k;
        EXPECT_EQ(readBack(work(name)).code(), ColourCode::Grey256) << k;
    }
    EXPECT_EQ(workFiles(), expected);
    EXPECT_EQ(listed(), expected);
    EXPECT_EQ(txPfx(), QStringLiteral("doc-011"));
    EXPECT_TRUE(noMessages());
    // Pages arriving within milliseconds of each other are not each painted; the last one is,
    // once the run is over.
    EXPECT_FALSE(seen.first().paintHeld);
    EXPECT_TRUE(
        std::any_of(seen.begin() + 1, seen.end(), [](const PageSeen& p) { return p.paintHeld; }));
    EXPECT_FALSE(w->scanning().isPaintHeld());
    EXPECT_TRUE(w->ikImg().updatesEnabled());

    // A jam on the next run is told in the scanner's words; the pages written stay as they are.
    const QByteArray first = readFile(work(expected.first()));
    seen.clear();
    dialogs.overrides[QStringLiteral("read-return-value")] = QStringLiteral("SANE_STATUS_JAMMED");
    scan();
    EXPECT_TRUE(seen.isEmpty());
    ASSERT_EQ(prompt.messages().size(), 1);
    EXPECT_TRUE(prompt.messages()[0].contains(QStringLiteral("紙詰まり")))
        << prompt.messages()[0].toStdString();
    EXPECT_EQ(workFiles(), expected);
    EXPECT_EQ(readFile(work(expected.first())), first);
    EXPECT_EQ(txPfx(), QStringLiteral("doc-011"));
    EXPECT_FALSE(w->busy().isBusy());
}

// Scanned pages and "作業ﾌｫﾙﾀﾞに保存" take the free numbers: abc-002 is free, abc-003 and abc-007
// are someone's files. The user cancels (the progress's Cancel) while page 3 is handled.
TEST_F(ScanWindowTest, CancelledPagesAndSavesToTheWorkFolderFillGapsAndOverwriteNothing)
{
    const QStringList others = {"abc-001.bmp", "abc-003.bmp", "abc-007.bmp"};
    for (const QString& name : others)
        writeFile(work(name), name.toUtf8());
    w->router().mnFile_Click(7);  // without an image: nothing
    EXPECT_EQ(workFiles(), others);
    setTxPfx(QStringLiteral("abc"));
    preset(dialogs, kFeeder, QStringLiteral("Color"), 8, 75);
    onPage = [this](int page) {
        if (page == 3)
            scanner().CancelAcquire();
    };
    scan();

    EXPECT_EQ(seen.size(), 3);
    for (const char* name : {"abc-002.bmp", "abc-004.bmp", "abc-005.bmp"})
        EXPECT_EQ(readBack(work(QLatin1String(name))).code(), ColourCode::Rgb24) << name;
    EXPECT_EQ(seen[0].txPfx, QStringLiteral("abc-004"));
    EXPECT_EQ(txPfx(), QStringLiteral("abc-006"));
    EXPECT_EQ(w->state().sCurFile, work(QStringLiteral("abc-005.bmp")));

    // The page shown, as after an edit, saved: abc-006, and the field passes abc-007.
    w->document().SetDocState(DocState::Changed);
    w->router().mnFile_Click(7);  // "作業ﾌｫﾙﾀﾞに保存"
    const Image written = readBack(work(QStringLiteral("abc-006.bmp")));
    ASSERT_NE(shown(), nullptr);
    EXPECT_EQ(written.pixels(), shown()->pixels());
    EXPECT_EQ(written.dpiX(), 75);
    EXPECT_EQ(w->state().sCurFile, work(QStringLiteral("abc-006.bmp")));
    EXPECT_EQ(w->document().state(), DocState::Unchanged);
    EXPECT_TRUE(listed().contains(QStringLiteral("abc-006.bmp")));
    EXPECT_EQ(txPfx(), QStringLiteral("abc-008"));
    EXPECT_EQ(workFiles().size(), 7);
    for (const QString& name : others)
        EXPECT_EQ(readFile(work(name)), name.toUtf8());
    EXPECT_TRUE(noMessages());
    EXPECT_FALSE(w->busy().isBusy());
}

TEST_F(ScanWindowTest, TheAfterScanReductionToGrey8BitWritesGreyFilesAfterPrinting)
{
    // "ｽｷｬﾝ後減色" > "ｸﾞﾚｰ(8bit)" and "ｽｷｬﾝ後印刷" > "用紙ｻｲｽﾞで印刷".
    w->router().mnGen_Click(4);
    w->router().mnPrn_Click(2);
    QStringList printed;  // mode, sClrCd and whether the file was there yet
    w->operations().PrintScannedPage = [&](int mode) {
        printed << QStringLiteral("%1 %2 %3")
                       .arg(mode)
                       .arg(w->state().sClrCd)
                       .arg(QFileInfo::exists(work("g-001.bmp")));
    };
    setTxPfx(QStringLiteral("g"));
    preset(dialogs, kFlatbed, QStringLiteral("Color"), 8);
    scan();

    EXPECT_EQ(readBack(work(QStringLiteral("g-001.bmp"))).code(), ColourCode::Grey256);
    ASSERT_NE(shown(), nullptr);
    EXPECT_EQ(shown()->code(), ColourCode::Grey256);
    EXPECT_EQ(w->state().sClrCd, QStringLiteral("80"));
    EXPECT_EQ(w->document().state(), DocState::Unchanged);  // the reduced page is what was written
    EXPECT_EQ(printed, QStringList{"2 80 0"});  // once, reduced already, before the file

    // A value above 8 (only an edited "User.xml" gives it) reduces nothing; the run goes on.
    w->state().iGenClr = 9;
    w->state().iPrnMd = 0;
    scan();
    EXPECT_EQ(readBack(work(QStringLiteral("g-002.bmp"))).code(), ColourCode::Rgb24);
    EXPECT_EQ(printed.size(), 1);
    EXPECT_EQ(txPfx(), QStringLiteral("g-003"));
    EXPECT_TRUE(noMessages());
}

TEST_F(ScanWindowTest, AFolderThatTurnsReadOnlyStopsTheRunAndLosesNothing)
{
    writeBmp(work(QStringLiteral("scan-001.bmp")));
    const QByteArray before = readFile(work(QStringLiteral("scan-001.bmp")));
    // A window whose threads (the work-file writer's too) all obey file permissions.
    w.reset();
    auto obey = std::make_unique<ObeyFilePermissions>();
    makeWindow();
    setTxPfx(QStringLiteral("scan"));
    preset(dialogs, kFeeder, QStringLiteral("Color"), 8);
    const auto writable = QFile::permissions(workFolder());
    bool readOnly = false;
    onPage = [&](int page) {
        if (page != 2)
            return;
        // After the second page the folder takes no new file.
        QFile::setPermissions(workFolder(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QFile probe(work(QStringLiteral("probe")));
        readOnly = !probe.open(QIODevice::WriteOnly);
    };
    scan();
    QFile::setPermissions(workFolder(), writable);
    obey.reset();
    if (!readOnly)
        GTEST_SKIP() << "this process writes into read-only folders";

    // Page 3 was raised and not written; the run stopped there. Nothing lost, nothing
    // half-written; the counter stays at the page that was not written.
    EXPECT_EQ(seen.size(), 3);
    expectStoppedWithThePageUnsaved(QStringLiteral("画像ﾌｧｲﾙを保存できませんでした。\r") +
                                    work("scan-004.bmp") +
                                    QStringLiteral("\r書き込みの権限がありません\r"));
    EXPECT_EQ(workFiles(), (QStringList{"scan-001.bmp", "scan-002.bmp", "scan-003.bmp"}));
    EXPECT_EQ(readFile(work(QStringLiteral("scan-001.bmp"))), before);
    EXPECT_EQ(txPfx(), QStringLiteral("scan-004"));
}

TEST_F(ScanWindowTest, TheCounterStopsAt32767WithTheLastPageKeptInTheView)
{
    setTxPfx(QStringLiteral("abc-32767"));
    preset(dialogs, kFeeder, QStringLiteral("Gray"), 8);
    scan();

    // Page 1 takes the last number; page 2 would need 32768: not written, the run stops.
    EXPECT_EQ(seen.size(), 2);
    EXPECT_EQ(workFiles(), QStringList{QStringLiteral("abc-32767.bmp")});
    EXPECT_EQ(seen[0].txPfx, QStringLiteral("abc-32768"));
    expectStoppedWithThePageUnsaved(QStringLiteral("連番「32768」が上限の 32767 を超えています。"));

    // Saving the page to the work folder is refused the same way.
    w->router().mnFile_Click(7);
    EXPECT_EQ(prompt.messages().size(), 1);
    EXPECT_EQ(workFiles(), QStringList{QStringLiteral("abc-32767.bmp")});
    EXPECT_EQ(w->document().state(), DocState::Changed);

    // The page is in no file: quitting asks, and ｷｬﾝｾﾙ keeps the program and the page.
    w->router().mnFile_Click(15);
    EXPECT_EQ(prompt.questions(), QStringList{QStringLiteral("変更を保存しますか?")});
    EXPECT_EQ(ended, 0);
    EXPECT_NE(shown(), nullptr);
}

// The first dash splits the field; when no number follows it, the next name is the first free
// one, as for a prefix without a dash: "my-scan" never lands on my-001.bmp.
TEST_F(ScanWindowTest, APrefixWithADashButNoNumberTakesTheFirstFreeNumber)
{
    writeFile(work(QStringLiteral("my-001.bmp")), "someone's page");
    preset(dialogs, kFlatbed, QStringLiteral("Gray"), 8, 50);
    setTxPfx(QStringLiteral("my-scan"));
    scan();
    EXPECT_EQ(w->state().sCurFile, work(QStringLiteral("my-002.bmp")));
    EXPECT_EQ(txPfx(), QStringLiteral("my-003"));
    for (const char* typed : {"my-", "my-x", "my- "}) {
        setTxPfx(QLatin1String(typed));
        w->router().mnFile_Click(7);  // "作業ﾌｫﾙﾀﾞに保存"
    }
    EXPECT_EQ(workFiles(),
              (QStringList{"my-001.bmp", "my-002.bmp", "my-003.bmp", "my-004.bmp", "my-005.bmp"}));
    EXPECT_EQ(readFile(work(QStringLiteral("my-001.bmp"))), QByteArray("someone's page"));
    EXPECT_TRUE(prompt.shown.isEmpty());
}

// Typing "abc-7" is how page 7 is scanned again: with abc-007.bmp there, the run (or the save)
// asks once, and each answer does what it says. Later pages of the run take free numbers.
TEST_F(ScanWindowTest, ATypedNumberThatNamesAPageAsksBeforeTheRunOrTheSave)
{
    writeFile(work(QStringLiteral("abc-007.bmp")), "page 7");
    writeFile(work(QStringLiteral("abc-008.bmp")), "page 8");
    preset(dialogs, kFlatbed, QStringLiteral("Gray"), 8, 50);
    const QString question = QStringLiteral("abc-007.bmp は既にあります。上書きしますか?");

    setTxPfx(QStringLiteral("abc-7"));
    scan();  // ｷｬﾝｾﾙ: no run
    EXPECT_TRUE(seen.isEmpty());
    ASSERT_EQ(prompt.shown.size(), 1);
    EXPECT_EQ(prompt.shown[0].kind, QStringLiteral("choose"));
    EXPECT_EQ(prompt.shown[0].text, question);
    EXPECT_EQ(prompt.shown[0].buttons, (QStringList{"上書き", "次の空き番号", "ｷｬﾝｾﾙ"}));
    EXPECT_EQ(txPfx(), QStringLiteral("abc-7"));

    prompt.chooseAnswers = {1};  // 次の空き番号
    scan();
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].sCurFile, work(QStringLiteral("abc-009.bmp")));
    EXPECT_EQ(txPfx(), QStringLiteral("abc-010"));

    setTxPfx(QStringLiteral("abc-7"));
    prompt.chooseAnswers = {0};  // 上書き
    scan();
    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[1].sCurFile, work(QStringLiteral("abc-007.bmp")));
    EXPECT_EQ(readBack(work(QStringLiteral("abc-007.bmp"))).pixels(), shown()->pixels());
    EXPECT_EQ(txPfx(), QStringLiteral("abc-010"));  // past 8 and 9, which exist
    EXPECT_EQ(readFile(work(QStringLiteral("abc-008.bmp"))), QByteArray("page 8"));

    // "作業ﾌｫﾙﾀﾞに保存" asks the same: ｷｬﾝｾﾙ, 次の空き番号, 上書き.
    setTxPfx(QStringLiteral("abc-8"));
    w->router().mnFile_Click(7);
    EXPECT_EQ(readFile(work(QStringLiteral("abc-008.bmp"))), QByteArray("page 8"));
    EXPECT_EQ(w->state().sCurFile, work(QStringLiteral("abc-007.bmp")));
    prompt.chooseAnswers = {1, 0};
    w->router().mnFile_Click(7);
    EXPECT_EQ(w->state().sCurFile, work(QStringLiteral("abc-010.bmp")));
    EXPECT_EQ(readFile(work(QStringLiteral("abc-008.bmp"))), QByteArray("page 8"));
    setTxPfx(QStringLiteral("abc-8"));
    w->router().mnFile_Click(7);
    EXPECT_EQ(readBack(work(QStringLiteral("abc-008.bmp"))).pixels(), shown()->pixels());
    EXPECT_EQ(txPfx(), QStringLiteral("abc-011"));
    EXPECT_EQ(prompt.questions().size(), 6);
    EXPECT_TRUE(noMessages());
}

// A run replaces the image shown: an edited page is asked about first.
TEST_F(ScanWindowTest, ARunAfterAnEditAsksAboutTheEditedPage)
{
    preset(dialogs, kFlatbed, QStringLiteral("Gray"), 8, 50);
    setTxPfx(QStringLiteral("p"));
    scan();
    ASSERT_EQ(seen.size(), 1);
    const QByteArray written = readFile(work(QStringLiteral("p-001.bmp")));
    w->menus().mnRotate.item(3)->trigger();  // "右90度"
    scan();                                  // ｷｬﾝｾﾙ
    EXPECT_EQ(seen.size(), 1);
    EXPECT_EQ(prompt.questions(), QStringList{QStringLiteral("変更を保存しますか?")});
    prompt.chooseAnswers = {1};  // 破棄
    scan();
    EXPECT_EQ(seen.size(), 2);
    EXPECT_EQ(readFile(work(QStringLiteral("p-001.bmp"))), written);
    EXPECT_FALSE(w->document().hasUnsavedPixels());
}

// "画像ｻｲｽﾞで印刷" prints every page of a feeder run as a job of its own, asking for the printer
// once; cancelling that question scans and saves every page without asking again.
TEST_F(ScanWindowTest, TheAfterScanPrintingPrintsEachPageAndACancelAsksOnce)
{
    RecordingPrinter printer;
    QTemporaryDir out;
    printer.pdfFile = out.filePath(QStringLiteral("scan.pdf"));
    w->router().mnPrn_Click(1);
    setTxPfx(QStringLiteral("p"));
    preset(dialogs, kFeeder, QStringLiteral("Gray"), 8);
    onPage = [this](int page) {
        if (page == 3)
            scanner().CancelAcquire();
    };
    scan();
    w->ikImg().PrinterObject().spooler().waitUntilPendingBelow(1);

    EXPECT_EQ(workFiles(), (QStringList{"p-001.bmp", "p-002.bmp", "p-003.bmp"}));
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files, QDir::Name),
              (QStringList{"scan (2).pdf", "scan (3).pdf", "scan.pdf"}));
    for (const QString& name : QDir(out.path()).entryList(QDir::Files))
        EXPECT_EQ(readPdf(out.filePath(name)).images.size(), 1) << name.toStdString();
    EXPECT_EQ(printer.dialogs, 1);
    EXPECT_TRUE(noMessages());

    // The next run asks again when the choice is gone, and a Cancel holds for the whole run.
    QFile::remove(userFolder() + QStringLiteral("/IkPrn.Ik"));
    printer.accept = false;
    seen.clear();
    scan();
    EXPECT_EQ(workFiles().size(), 6);
    EXPECT_EQ(printer.dialogs, 2);
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files).size(), 3);
    EXPECT_TRUE(noMessages());
}

// The driver, in a stand-in helper, hangs, crashes, or blocks so that a Cancel is never answered,
// inside page 3: the two pages before are written, the message names page 3, the window is
// usable at once and the next run (a fresh helper) scans. The silence limit is shortened for the
// hang; the grace time for the unanswered Cancel.
TEST_F(ScanWindowTest, ADriverThatHangsOrCrashesKeepsThePagesWrittenAndTheWindowGoesOn)
{
    struct Case {
        const char* fault;
        bool cancelInPage3;
        int silenceMs;
        QString message;
    };
    const Case cases[] = {
        {"hang:3", false, 2000, QStringLiteral("ｽｷｬﾅのﾄﾞﾗｲﾊﾞｰが応答しません。")},
        {"abort:3", false, 60000, QStringLiteral("ｽｷｬﾅのﾄﾞﾗｲﾊﾞｰが異常終了しました。")},
        {"hang:3", true, 60000,
         QStringLiteral("ｽｷｬﾅのﾄﾞﾗｲﾊﾞｰが中止に応答しないため、強制的に終了しました。")},
    };
    scanner().setHelperProgram(QStringLiteral(TAVLO_FAULTY_SCAN_HELPER));
    scanner().setCancelGrace(300);
    preset(dialogs, kFeeder, QStringLiteral("Gray"), 8);
    QStringList expected;
    int run = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        qputenv("TAVLO_TEST_DRIVER_FAULT", c.fault);
        const QString prefix = QStringLiteral("run%1").arg(++run);
        setTxPfx(prefix);
        seen.clear();
        prompt.shown.clear();
        dialogs.cancelWhenPageStarts = c.cancelInPage3 ? 3 : 0;
        scanner().setRunTimeout(c.silenceMs);
        scan();
        EXPECT_EQ(seen.size(), 2);
        expected << prefix + QStringLiteral("-001.bmp") << prefix + QStringLiteral("-002.bmp");
        EXPECT_EQ(workFiles(), expected);
        ASSERT_EQ(prompt.messages().size(), 1);
        EXPECT_EQ(prompt.messages().first(),
                  c.message + QStringLiteral("\r3 ﾍﾟｰｼﾞ目の読み取りを中止しました。"
                                             "\r読み取り済みの 2 ﾍﾟｰｼﾞはそのまま残ります。"));
        EXPECT_EQ(txPfx(), prefix + QStringLiteral("-003"));
        EXPECT_EQ(w->document().state(), DocState::Unchanged);
        EXPECT_FALSE(w->busy().isBusy());
        EXPECT_FALSE(scanner().isAcquiring());
        EXPECT_TRUE(w->menus().mnScan.isEnabled(0));
    }

    qunsetenv("TAVLO_TEST_DRIVER_FAULT");
    dialogs.cancelWhenPageStarts = 0;
    scanner().setRunTimeout(60000);
    preset(dialogs, kFlatbed, QStringLiteral("Gray"), 8);
    setTxPfx(QStringLiteral("next"));
    seen.clear();
    prompt.shown.clear();
    scan();
    EXPECT_EQ(seen.size(), 1);
    EXPECT_TRUE(noMessages());
    EXPECT_TRUE(QFileInfo::exists(work(QStringLiteral("next-001.bmp"))));
}

// A disk that is full for the work folder alone: every rename into it fails.
class FullWorkFolder : public DiskCalls {
public:
    explicit FullWorkFolder(const QString& folder) : m_folder(QFile::encodeName(folder) + '/')
    {
        setDiskCalls(this);
    }
    ~FullWorkFolder() override { setDiskCalls(nullptr); }
    FullWorkFolder(const FullWorkFolder&) = delete;
    FullWorkFolder& operator=(const FullWorkFolder&) = delete;

    int rename(const QByteArray& from, const QByteArray& to) override
    {
        if (full.load() && to.startsWith(m_folder))
            return ENOSPC;
        return DiskCalls::rename(from, to);
    }

    std::atomic<bool> full{false};  // the writer thread calls rename

private:
    QByteArray m_folder;
};

// Page 2 cannot be written while pages 3 to 10 were already read (the stand-in helper reads the
// whole feeder ahead): page 2 stays in the view, and the message names it and every page read
// after it, which are saved into the folder the user chooses under the names they would have
// had; a file of that name there is not overwritten.
TEST_F(ScanWindowTest, AFailedWriteNamesEveryPageReadAfterItAndSavesThemWhereTheUserChooses)
{
    QTemporaryDir elsewhere;
    ASSERT_TRUE(elsewhere.isValid());
    const QString theirs = elsewhere.filePath(QStringLiteral("scan-004.bmp"));
    writeFile(theirs, "someone's file");
    FullWorkFolder disk(workFolder());
    scanner().setHelperProgram(QStringLiteral(TAVLO_FAULTY_SCAN_HELPER));
    qputenv("TAVLO_TEST_DRIVER_FAULT", "ahead:10");
    setTxPfx(QStringLiteral("scan"));
    preset(dialogs, kFeeder, QStringLiteral("Gray"), 8);
    onPage = [&](int page) {
        if (page != 1)
            return;
        // Every other page has been read before page 2 is handled.
        ASSERT_TRUE(QTest::qWaitFor([&] { return scanner().pagesWaiting() == 9; }, 60000));
        disk.full = true;
    };
    prompt.chooseAnswers.push_back(0);  // ﾌｫﾙﾀﾞに保存
    prompt.fileAnswers.push_back(elsewhere.path());
    scan();
    qunsetenv("TAVLO_TEST_DRIVER_FAULT");
    disk.full = false;

    EXPECT_EQ(seen.size(), 2);
    EXPECT_EQ(workFiles(), QStringList{QStringLiteral("scan-001.bmp")});
    ASSERT_NE(shown(), nullptr);
    EXPECT_EQ(w->document().state(), DocState::Changed);
    EXPECT_EQ(txPfx(), QStringLiteral("scan-002"));
    const QStringList asked = prompt.questions();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].startsWith(QStringLiteral("画像ﾌｧｲﾙを保存できませんでした。\r") +
                                    work(QStringLiteral("scan-002.bmp"))))
        << asked[0].toStdString();
    QStringList later;
    for (int k = 3; k <= 10; ++k)
        later.append(QStringLiteral("scan-%1.bmp").arg(k, 3, 10, QLatin1Char('0')));
    EXPECT_TRUE(asked[0].endsWith(
        QStringLiteral(
            "表示中の画像は保存されていません。\r\r読み取り済みで保存されていないﾍﾟｰｼﾞが、"
            "ほかに 8 ﾍﾟｰｼﾞあります:\r") +
        later.join(QLatin1Char('\r')) + QStringLiteral("\rﾌｫﾙﾀﾞを選んで保存しますか?")))
        << asked[0].toStdString();

    later.replace(1, QStringLiteral("scan-004 (2).bmp"));
    later.append(QStringLiteral("scan-004.bmp"));
    later.sort();
    EXPECT_EQ(QDir(elsewhere.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), later);
    EXPECT_EQ(readFile(theirs), QByteArray("someone's file"));
    for (const QString& name : later) {
        if (name == QLatin1String("scan-004.bmp"))
            continue;
        const Image page = readBack(elsewhere.filePath(name));
        EXPECT_EQ(page.code(), ColourCode::Grey256) << name.toStdString();
        // The test device's pages are alike: each saved page is the page shown, pixel for pixel.
        EXPECT_TRUE(samePixels(page, *shown())) << name.toStdString();
    }
}

}  // namespace
}  // namespace tavlo::test
