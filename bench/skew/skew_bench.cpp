// Figures of the skew finder (imaging/process/skew_finder.h), printed as plain lines:
//   skew_bench time            wall time of one detection on the scanned colour A4 page at 300 dpi
//                              and on its 600 dpi twin (bench/codecs/scan_page.h), each turned by
//                              3 degrees as a crooked scan is: the median of 9 runs after a warm-up
//   skew_bench pages DIR N     N pages of text (A4, 300 dpi, colour) turned by known angles from
//                              -10 to +10 degrees, written to DIR as page-NN.png, one line each:
//                              "page-NN.png TRUE FOUND" (FOUND "none" when nothing was found)
// bench/skew_figures.sh runs both and sets the other programs' estimates beside them.
#include "bench/codecs/scan_page.h"
#include "imaging/codecs/image_file.h"
#include "imaging/process/rotation.h"
#include "imaging/process/skew_finder.h"
#include "tests/support/text_page.h"

#include <QGuiApplication>
#include <QDir>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

using namespace tavlo;

// Processor time of this thread: on a shared machine the wall time also counts other programs.
double threadCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

int timeDetection()
{
    const struct {
        int width, height, dpi;
    } pages[] = {{2480, 3508, 300}, {4960, 7016, 600}};
    for (const auto& p : pages) {
        const Image page = process::rotated(bench::makeScanPage(p.width, p.height, p.dpi),
                                            {300, false, false, true, qRgb(255, 255, 255), false});
        std::optional<double> found = process::findSkew(page);  // warm-up
        std::vector<double> wall, cpu;
        for (int run = 0; run < 9; ++run) {
            QElapsedTimer timer;
            const double cpuStart = threadCpuMilliseconds();
            timer.start();
            found = process::findSkew(page);
            wall.push_back(double(timer.nsecsElapsed()) / 1e6);
            cpu.push_back(threadCpuMilliseconds() - cpuStart);
        }
        std::sort(wall.begin(), wall.end());
        std::sort(cpu.begin(), cpu.end());
        // The turn of 3 degrees to the left makes the lines rise to the right: a skew of -3.
        std::printf("colour A4 %d dpi (%dx%d, turned left 3.00): wall median %.1f ms (min %.1f), "
                    "processor median %.1f ms, found %s\n",
                    p.dpi, page.width(), page.height(), wall[wall.size() / 2], wall.front(),
                    cpu[cpu.size() / 2],
                    found ? QByteArray::number(*found, 'f', 3).constData() : "none");
    }
    return 0;
}

int writePages(const QString& folder, int count)
{
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        // Spread over -10..+10 off any regular grid, so no page sits on a sweep step.
        const double degrees = -10.0 + (i + 0.5) * 20.0 / count + ((i * 37) % 11 - 5) * 0.013;
        const Image page = test::textPage(ColourCode::Rgb24, {2480, 3508}, degrees, 300, i + 1);
        const QString name = QStringLiteral("page-%1.png").arg(i, 2, 10, QLatin1Char('0'));
        const QString reason =
            codecs::writeImageFile(page, QDir(folder).filePath(name), codecs::ImageFormat::Png);
        if (!reason.isEmpty()) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(name), qPrintable(reason));
            return 1;
        }
        const std::optional<double> found = process::findSkew(page);
        std::printf("%s %.3f %s\n", qPrintable(name), degrees,
                    found ? QByteArray::number(*found, 'f', 3).constData() : "none");
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);  // fonts for the text pages
    const QStringList args = app.arguments();
    if (args.size() == 2 && args[1] == QLatin1String("time"))
        return timeDetection();
    if (args.size() == 4 && args[1] == QLatin1String("pages"))
        return writePages(args[2], std::max(1, args[3].toInt()));
    std::fprintf(stderr, "usage: skew_bench time | skew_bench pages DIR N\n");
    return 2;
}
