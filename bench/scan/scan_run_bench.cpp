// One scan run from SANE's test device into numbered BMP work files, the way the main window
// handles ImageAcquired: duplicate the page, name it, write it, advance the counter. Prints the
// pages per minute and the longest stall of the user-interface thread while pages arrived.
//
//   tavlo_scan_bench --folder DIR [--writer image-file|raw|background] [--dpi 300] [--mode Color]
//                    [--source "Automatic Document Feeder"] [--no-progress]
//
// --writer image-file (default) writes through writeImageFile: BMP into a temporary file, fsync,
// rename, as the program saves. --writer raw writes the pixel rows alone to a temporary file and
// renames it without fsync: the cost of the bytes without the codec or the sync.
// --writer background hands each page to one writer thread that saves through writeImageFile in
// order, while the handler only names the page and advances the counter: what a window could
// reach by taking the save off the user-interface thread (the run's time includes waiting for
// the last write).
// SANE_CONFIG_DIR defaults to the project's sane/ folder (bench/scan_throughput.sh sets it too).
#include "bench/scan/scan_bench_support.h"
#include "imaging/codecs/image_file.h"
#include "imaging/current_image.h"
#include "imaging/image_store.h"
#include "imaging/scan/scanner_memory.h"
#include "imaging/scan/scanner_object.h"
#include "main_window/work_file_sequence.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include <cstdio>

namespace {

using namespace tavlo;
using namespace tavlo::scan;

using bench::BenchDialogs;
using bench::PrintingPrompt;

// The pixel rows alone, written and renamed without fsync.
QString writeRaw(const Image& image, const QString& path)
{
    const QString temporary = path + QStringLiteral(".part");
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    const QImage& pixels = image.pixels();
    if (file.write(reinterpret_cast<const char*>(pixels.constBits()), pixels.sizeInBytes()) !=
        pixels.sizeInBytes())
        return file.errorString();
    file.close();
    QFile::remove(path);
    return QFile::rename(temporary, path) ? QString() : QStringLiteral("rename failed");
}

// Saves pages in order on a thread of its own.
class BackgroundWriter {
public:
    BackgroundWriter() : m_thread([this] { run(); }) { }
    ~BackgroundWriter() { finish(); }

    void add(Image image, QString path)
    {
        std::lock_guard lock(m_mutex);
        m_queue.emplace_back(std::move(image), std::move(path));
        m_wake.notify_one();
    }

    // Waits for every page queued; the first error, "" when all were written.
    QString finish()
    {
        {
            std::lock_guard lock(m_mutex);
            m_closing = true;
            m_wake.notify_one();
        }
        if (m_thread.joinable())
            m_thread.join();
        return m_error;
    }

private:
    void run()
    {
        for (;;) {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_closing || !m_queue.empty(); });
            if (m_queue.empty())
                return;
            auto [image, path] = std::move(m_queue.front());
            m_queue.pop_front();
            lock.unlock();
            const QString error = codecs::writeImageFile(image, path, codecs::ImageFormat::Bmp);
            lock.lock();
            if (m_error.isEmpty())
                m_error = error;
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::pair<Image, QString>> m_queue;
    bool m_closing = false;
    QString m_error;
    std::thread m_thread;
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
        {QStringLiteral("folder"), QStringLiteral("work folder"), QStringLiteral("dir")});
    parser.addOption({QStringLiteral("writer"), QStringLiteral("image-file, raw or background"),
                      QStringLiteral("writer"), QStringLiteral("image-file")});
    bench::addScanOptions(parser);
    parser.addOption({QStringLiteral("no-progress"), QStringLiteral("no progress dialog")});
    parser.process(app);
    const QString folder = parser.value(QStringLiteral("folder"));
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        std::fprintf(stderr, "--folder DIR is needed\n");
        return 2;
    }
    const bool raw = parser.value(QStringLiteral("writer")) == QLatin1String("raw");
    const bool background = parser.value(QStringLiteral("writer")) == QLatin1String("background");
    BackgroundWriter writer;

    QTemporaryDir memoryDir;
    BenchDialogs dialogs;
    dialogs.presetA4(parser);

    ScannerObject scanner;
    scanner.setDialogs(&dialogs);
    scanner.setMemory(ScannerMemory(memoryDir.filePath(QStringLiteral("scanner.ini"))));
    scanner.InitScanner(nullptr, 1, 0, QStringLiteral("tavlo_scan_bench"));

    const bool trace = parser.isSet(QStringLiteral("trace"));
    QElapsedTimer loopClock;
    loopClock.start();

    // What the main window does per page.
    CurrentImage current;
    WorkFileSequence sequence;
    QString prefixText = QStringLiteral("bench");
    int written = 0;
    QString failure;
    double longestHandlerMs = 0;
    QObject::connect(&scanner, &ScannerObject::ImageAcquired, &scanner, [&](quint32 handle) {
        QElapsedTimer clock;
        clock.start();
        current.setHandle(ImageStore::instance().duplicate(handle));
        const QString name = sequence.NextWorkFileName(prefixText, 0, folder);
        const Image* image = current.image();
        const QString error = name.isEmpty() || !image ? sequence.error()
                              : background             ? (writer.add(*image, name), QString())
                              : raw
                                  ? writeRaw(*image, name)
                                  : codecs::writeImageFile(*image, name, codecs::ImageFormat::Bmp);
        if (error.isEmpty()) {
            prefixText = sequence.AdvanceSequence();
            ++written;
        } else {
            failure = error;
            scanner.CancelAcquire();
        }
        longestHandlerMs = std::max(longestHandlerMs, clock.nsecsElapsed() / 1e6);
        if (trace)
            std::fprintf(stderr, "page %d written in %.1f ms at %.1f ms\n", written,
                         clock.nsecsElapsed() / 1e6, loopClock.nsecsElapsed() / 1e6);
    });

    bench::StallMeter stalls(loopClock, trace);

    bench::StallMeter::settle();

    int pages = 0;
    int showProgress = parser.isSet(QStringLiteral("no-progress")) ? 0 : 1;
    QElapsedTimer run;
    stalls.start();
    run.start();
    const bool ok = scanner.AcquireImages(pages, showProgress);
    if (const QString error = writer.finish(); !error.isEmpty())
        failure = error;
    const double seconds = run.nsecsElapsed() / 1e9;
    stalls.stop();
    if (!ok || !failure.isEmpty()) {
        std::fprintf(stderr, "scan failed: %s %s\n", qPrintable(failure),
                     qPrintable(scanner.lastMessage()));
        return 1;
    }
    std::printf("pages=%d written=%d seconds=%.4f pages_per_minute=%.1f longest_stall_ms=%.2f "
                "longest_handler_ms=%.2f\n",
                pages, written, seconds, written / seconds * 60.0, stalls.longestMs(),
                longestHandlerMs);
    return 0;
}
