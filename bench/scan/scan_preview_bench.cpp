// The settings dialog's preview on SANE's test device: the time from pressing "ﾌﾟﾚﾋﾞｭｰ" to the
// preview painted in the pane, and the longest stall of the user-interface thread meanwhile.
// The real dialog runs (offscreen) inside the scanner object's AcquireImages, as in the program.
//
//   tavlo_scan_preview_bench [--runs 5] [--mode Color] [--trace]
//
// Prints one line per run and then "median_ms=... max_ms=... longest_stall_ms=... width=...
// height=..." (the preview's size in pixels). SANE_CONFIG_DIR defaults to the project's sane/
// folder, whose glass is 432 x 432 mm; bench/preview_figures.sh also runs it on a glass of
// 297 x 297 mm, the smallest that holds an A4 page.
#include "bench/scan/scan_bench_support.h"
#include "imaging/scan/scan_preview_pane.h"
#include "imaging/scan/scan_preview_panel.h"
#include "imaging/scan/scan_settings_dialog.h"
#include "imaging/scan/scanner_memory.h"
#include "imaging/scan/scanner_object.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdio>

namespace {

using namespace tavlo;
using namespace tavlo::scan;

struct Figures {
    QList<double> ms;
    double longestStallMs = 0;
    QSize size;
    bool ok = true;
};

class PreviewDialogs : public QtScanDialogs {
public:
    int runs = 5;
    bool trace = false;
    QString mode;
    Figures figures;

    bool editSettings(const ScanDevice& device, const QList<ScanOption>& options,
                      ScanSettings& settings, QWidget*, OpenScanner* open) override
    {
        settings.set(ScanSettings::kMode, mode);
        ScanSettingsDialog dialog(device, options, settings, nullptr, open);
        dialog.resize(900, 640);
        dialog.show();
        auto* panel = dialog.findChild<ScanPreviewPanel*>();
        auto* button = dialog.findChild<QPushButton*>(QStringLiteral("previewScan"));
        if (!panel || !button) {
            std::fprintf(stderr, "the dialog has no preview\n");
            figures.ok = false;
            return false;
        }
        bench::StallMeter::settle();
        QElapsedTimer clock;
        clock.start();
        bench::StallMeter stalls(clock, trace);
        for (int run = 0; run < runs; ++run) {
            const qint64 begin = clock.nsecsElapsed();
            stalls.start();
            button->click();
            while (panel->isPreviewing())
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
            panel->pane()->repaint();  // shown: scaled and painted
            stalls.stop();
            const double ms = (clock.nsecsElapsed() - begin) / 1e6;
            if (!panel->pane()->hasPreview()) {
                figures.ok = false;
                break;
            }
            figures.ms.append(ms);
            figures.size = panel->pane()->preview().pixels().size();
            std::printf("run %d: %.1f ms\n", run + 1, ms);
            bench::StallMeter::settle();
        }
        figures.longestStallMs = stalls.longestMs();
        return false;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    bench::useBenchEnvironment();
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("runs"), QStringLiteral("previews"), QStringLiteral("n"),
                      QStringLiteral("5")});
    parser.addOption({QStringLiteral("mode"), QStringLiteral("SANE mode"), QStringLiteral("mode"),
                      QStringLiteral("Color")});
    parser.addOption({QStringLiteral("trace"), QStringLiteral("print each stall over 20 ms")});
    parser.process(app);

    QTemporaryDir dir;
    bench::PrintingPrompt prompt;
    setUserPrompt(&prompt);
    PreviewDialogs dialogs;
    dialogs.runs = std::max(1, parser.value(QStringLiteral("runs")).toInt());
    dialogs.mode = parser.value(QStringLiteral("mode"));
    dialogs.trace = parser.isSet(QStringLiteral("trace"));
    ScannerObject scanner;
    scanner.setDialogs(&dialogs);
    scanner.setMemory(ScannerMemory(dir.filePath(QStringLiteral("scanner.ini"))));
    scanner.InitScanner(nullptr);
    int pages = 0, progress = 0;
    scanner.AcquireImages(pages, progress);
    const Figures& f = dialogs.figures;
    if (!f.ok || f.ms.isEmpty() || prompt.messages > 0) {
        std::fprintf(stderr, "the preview failed\n");
        return 1;
    }
    QList<double> sorted = f.ms;
    std::sort(sorted.begin(), sorted.end());
    std::printf("median_ms=%.1f max_ms=%.1f longest_stall_ms=%.1f width=%d height=%d\n",
                sorted[sorted.size() / 2], sorted.last(), f.longestStallMs, f.size.width(),
                f.size.height());
    return 0;
}
