// One scan run through the real main window: "ｽｷｬﾝ" > "実行" on fmMain from SANE's test device
// into numbered work files, exactly as a user's run (the window's ImageAcquired handler names,
// writes, advances the counter, draws the page and refreshes the list). Prints the pages per
// minute and the longest stall of the user-interface thread while the pages arrived.
//
//   tavlo_scan_window_bench --folder DIR [--dpi 300] [--mode Color]
//                           [--source "Automatic Document Feeder"] [--tif] [--hidden] [--trace]
//                           [--print] [--helper PATH] [--cancel-at-page N]
//
// DIR becomes the user data folder; the work files go to DIR/Temp. The run's time goes from the
// command to the end of the run (the last page written). The window is shown (offscreen unless
// QT_QPA_PLATFORM says otherwise) with the real progress dialog, so paints count as they would;
// --hidden leaves it hidden, to show what the paints cost. --print scans with "画像ｻｲｽﾞで印刷",
// each page printed to a PDF file in DIR/print (A4, no margins); the run then ends when the last
// PDF file is complete.
// --helper starts another scan helper (the tests' stand-in, whose driver blocks inside a page with
// TAVLO_TEST_DRIVER_FAULT=hang:N); --cancel-at-page presses Cancel when that page begins and
// prints cancel_to_usable_ms, the time from the press until the window is usable again. The
// helper's memory is sampled every 20 ms: helper_peak_rss_mb is its high-water mark (VmHWM), the
// memory the run adds outside the window's process.
// SANE_CONFIG_DIR defaults to the project's sane/ folder.
#include "bench/print/pdf_printer.h"
#include "bench/scan/scan_bench_support.h"
#include "environment/process_values.h"
#include "imaging/imaging_control.h"
#include "imaging/print/print_spooler.h"
#include "imaging/scan/scanner_memory.h"
#include "imaging/scan/scanner_object.h"
#include "main_window/command_router.h"
#include "main_window/main_window.h"
#include "main_window/tool_strip.h"

#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <string>

#include <unistd.h>

namespace {

using namespace tavlo;
using namespace tavlo::scan;

using bench::BenchDialogs;
using bench::PrintingPrompt;

// A field of /proc/PID/status in kB ("VmRSS", "VmHWM"); 0 when the process is gone.
long statusKb(long pid, const char* field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(key.size()));
    }
    return 0;
}

// The scan helper: the child process of this one.
long helperPid()
{
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool number = false;
        const long pid = entry.toLong(&number);
        if (!number)
            continue;
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string text;
        std::getline(stat, text);
        const auto close = text.rfind(')');
        if (close == std::string::npos)
            continue;
        long ppid = 0;
        char state = 0;
        if (std::sscanf(text.c_str() + close + 1, " %c %ld", &state, &ppid) == 2 &&
            ppid == long(::getpid()))
            return pid;
    }
    return 0;
}

// Presses Cancel in the real progress dialog when a page begins.
class CancellingDialogs : public BenchDialogs {
public:
    int cancelAtPage = 0;
    QElapsedTimer pressed;

    void progressStarted(const ScanDevice& device, std::function<void()> cancel,
                         QWidget* owner) override
    {
        m_cancel = cancel;
        BenchDialogs::progressStarted(device, std::move(cancel), owner);
    }
    void progressChanged(int page, int percent) override
    {
        BenchDialogs::progressChanged(page, percent);
        if (cancelAtPage > 0 && page == cancelAtPage && !pressed.isValid()) {
            pressed.start();
            m_cancel();
        }
    }

private:
    std::function<void()> m_cancel;
};

}  // namespace

int main(int argc, char** argv)
{
    bench::useBenchEnvironment();
    QApplication app(argc, argv);
    PrintingPrompt prompt;
    setUserPrompt(&prompt);
    QCommandLineParser parser;
    parser.addOption(
        {QStringLiteral("folder"), QStringLiteral("user data folder"), QStringLiteral("dir")});
    bench::addScanOptions(parser);
    parser.addOption({QStringLiteral("tif"), QStringLiteral("TIFF work files instead of BMP")});
    parser.addOption(
        {QStringLiteral("hidden"), QStringLiteral("leave the window hidden (no paints)")});
    parser.addOption({QStringLiteral("print"), QStringLiteral("print each page to a PDF file")});
    parser.addOption({QStringLiteral("helper"), QStringLiteral("the scan helper to start"),
                      QStringLiteral("path")});
    parser.addOption({QStringLiteral("cancel-at-page"),
                      QStringLiteral("press Cancel when this page begins"), QStringLiteral("n")});
    parser.process(app);
    const QString folder = QDir(parser.value(QStringLiteral("folder"))).absolutePath();
    if (!parser.isSet(QStringLiteral("folder")) || !QDir().mkpath(folder)) {
        std::fprintf(stderr, "--folder DIR is needed\n");
        return 2;
    }
    const bool trace = parser.isSet(QStringLiteral("trace"));

    // A program folder whose "UserData.ini" names the folder as the user data folder.
    QTemporaryDir programDir;
    {
        QFile ini(programDir.filePath(QStringLiteral("UserData.ini")));
        if (!ini.open(QIODevice::WriteOnly) || ini.write(QFile::encodeName(folder)) < 0) {
            std::fprintf(stderr, "cannot write UserData.ini\n");
            return 2;
        }
    }
    ProcessValues& pv = processValues();
    pv.programName = QStringLiteral("tavlo");
    pv.programFolderPath = programDir.path() + QLatin1Char('/');
    pv.started = true;

    CancellingDialogs dialogs;
    dialogs.presetA4(parser);
    dialogs.cancelAtPage = parser.value(QStringLiteral("cancel-at-page")).toInt();

    fmMain window;
    if (!parser.isSet(QStringLiteral("hidden")))
        window.show();
    ScannerObject& scanner = window.ikImg().ScannerObject();
    scanner.setDialogs(&dialogs);
    if (parser.isSet(QStringLiteral("helper")))
        scanner.setHelperProgram(parser.value(QStringLiteral("helper")));
    scanner.setMemory(ScannerMemory(programDir.filePath(QStringLiteral("scanner.ini"))));
    window.strip().txPfx()->setText(QStringLiteral("bench"));
    window.strip().cbKak()->setCurrentIndex(parser.isSet(QStringLiteral("tif")) ? 1 : 0);
    const bool print = parser.isSet(QStringLiteral("print"));
    const QString printFolder = folder + QStringLiteral("/print");
    bench::PdfPrinter printer(printFolder + QStringLiteral("/page.pdf"));
    if (print) {
        QDir().mkpath(printFolder);
        window.router().mnPrn_Click(1);  // "ｽｷｬﾝ後印刷" > "画像ｻｲｽﾞで印刷"
    }

    QElapsedTimer loopClock;
    loopClock.start();
    int pages = 0;
    qint64 lastPageNs = 0;
    double longestPageGapMs = 0;
    // Connected after the window's handler: runs when the page has been written.
    QObject::connect(&scanner, &ScannerObject::ImageAcquired, &scanner, [&](quint32) {
        ++pages;
        const qint64 now = loopClock.nsecsElapsed();
        if (pages > 1)
            longestPageGapMs = std::max(longestPageGapMs, (now - lastPageNs) / 1e6);
        if (trace)
            std::fprintf(stderr, "page %d done at %.1f ms (%.1f ms after the last)\n", pages,
                         now / 1e6, (now - lastPageNs) / 1e6);
        lastPageNs = now;
    });

    bench::StallMeter stalls(loopClock, trace);

    long helperPeakKb = 0;
    QTimer memory;
    memory.setInterval(20);
    QObject::connect(&memory, &QTimer::timeout, [&] {
        static long pid = 0;
        if (pid == 0 || statusKb(pid, "VmHWM") == 0)
            pid = helperPid();
        if (pid == 0)
            return;
        helperPeakKb = std::max(helperPeakKb, statusKb(pid, "VmHWM"));
    });
    memory.start();

    bench::StallMeter::settle();

    QElapsedTimer run;
    lastPageNs = loopClock.nsecsElapsed();
    stalls.start();
    run.start();
    window.operations().StartScan();
    window.ikImg().PrinterObject().spooler().waitUntilPendingBelow(1);
    const double seconds = run.nsecsElapsed() / 1e9;
    const double cancelToUsableMs =
        dialogs.pressed.isValid() ? dialogs.pressed.nsecsElapsed() / 1e6 : 0.0;
    stalls.stop();
    memory.stop();
    if (dialogs.cancelAtPage > 0) {
        std::printf("pages=%d cancel_to_usable_ms=%.1f outcome=%d message=%s\n", pages,
                    cancelToUsableMs, int(scanner.lastOutcome()),
                    qPrintable(scanner.lastMessage().replace(QLatin1Char('\r'), QLatin1Char(' '))));
        window.hide();
        return dialogs.pressed.isValid() ? 0 : 1;
    }

    const QString prefix = parser.isSet(QStringLiteral("tif")) ? QStringLiteral("bench-*.tif")
                                                               : QStringLiteral("bench-*.bmp");
    const int written =
        int(QDir(folder + QStringLiteral("/Temp")).entryList({prefix}, QDir::Files).size());
    const int printed =
        print ? int(QDir(printFolder).entryList({QStringLiteral("*.pdf")}, QDir::Files).size()) : 0;
    if (prompt.messages > 0 || written != pages || pages == 0 || (print && printed != pages)) {
        std::fprintf(stderr, "scan failed: %d pages, %d files, %s\n", pages, written,
                     qPrintable(scanner.lastMessage()));
        return 1;
    }
    std::printf(
        "pages=%d written=%d printed=%d seconds=%.4f pages_per_minute=%.1f longest_stall_ms=%.2f "
        "longest_page_gap_ms=%.2f helper_peak_rss_mb=%.1f\n",
        pages, written, printed, seconds, written / seconds * 60.0, stalls.longestMs(),
        longestPageGapMs, helperPeakKb / 1024.0);
    window.hide();
    return 0;
}
