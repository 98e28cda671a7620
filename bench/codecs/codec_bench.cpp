// Load and save of a scanned A4 page at 300 dpi in every format the control writes (colour), and
// of its 8-bit grey and 1-bit versions in BMP and TIFF. Saves go through the real path: a
// temporary file beside the target, synced to disk and renamed. "write" cases write the same bytes
// without the sync, to compare with a plain `dd`. Files go to $TAVLO_BENCH_DIR (default the
// system's temporary folder).
#include "bench/codecs/scan_page.h"
#include "imaging/codecs/image_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace tavlo::bench {
namespace {

using codecs::ImageFormat;

const Image& page(const QString& kind)
{
    static const Image colour = makeScanPage();
    static const Image grey = greyPage(colour);
    static const Image mono = monoPage(colour);
    return kind == QLatin1String("grey") ? grey : kind == QLatin1String("mono") ? mono : colour;
}

QString folder()
{
    static QTemporaryDir dir(QString::fromLocal8Bit(qgetenv("TAVLO_BENCH_DIR")).isEmpty()
                                 ? QDir::tempPath() + QStringLiteral("/tavlo-bench-XXXXXX")
                                 : QString::fromLocal8Bit(qgetenv("TAVLO_BENCH_DIR")) +
                                       QStringLiteral("/tavlo-bench-XXXXXX"));
    return dir.path();
}

QString fileFor(ImageFormat format, const QString& kind)
{
    return folder() + QLatin1Char('/') + kind + QLatin1Char('.') +
           codecs::formatName(format).toLower();
}

void save(benchmark::State& state, ImageFormat format, QString kind)
{
    const Image& image = page(kind);
    const QString path = fileFor(format, kind);
    for (auto _ : state) {
        const QString error = codecs::writeImageFile(image, path, format);
        if (!error.isEmpty())
            state.SkipWithError(error.toStdString().c_str());
    }
    state.counters["file_MB"] = double(QFileInfo(path).size()) / 1e6;
    state.SetBytesProcessed(state.iterations() * image.dibDataSize());
}

void writeWithoutSync(benchmark::State& state, ImageFormat format, QString kind)
{
    const Image& image = page(kind);
    const QString path = fileFor(format, kind) + QStringLiteral(".nosync");
    for (auto _ : state) {
        QFile file(path);
        if (!file.open(QIODevice::ReadWrite | QIODevice::Truncate) ||
            !codecs::writeImage(image, file, format).isEmpty() || !file.flush())
            state.SkipWithError("write failed");
    }
    state.SetBytesProcessed(state.iterations() * image.dibDataSize());
}

void load(benchmark::State& state, ImageFormat format, QString kind)
{
    const QString path = fileFor(format, kind);
    if (!QFile::exists(path) && !codecs::writeImageFile(page(kind), path, format).isEmpty()) {
        state.SkipWithError("could not write the file to load");
        return;
    }
    for (auto _ : state) {
        codecs::Decoded decoded = codecs::readImageFile(path);
        if (!decoded.ok())
            state.SkipWithError(decoded.error.toStdString().c_str());
        benchmark::DoNotOptimize(decoded.image.width());
    }
    state.SetBytesProcessed(state.iterations() * page(kind).dibDataSize());
}

void registerAll()
{
    const struct {
        ImageFormat format;
        const char* kind;
    } cases[] = {{ImageFormat::Bmp, "colour"},      {ImageFormat::Tiff, "colour"},
                 {ImageFormat::Png, "colour"},      {ImageFormat::Jpeg, "colour"},
                 {ImageFormat::Gif, "colour"},      {ImageFormat::Pcx, "colour"},
                 {ImageFormat::FlashPix, "colour"}, {ImageFormat::Bmp, "grey"},
                 {ImageFormat::Tiff, "grey"},       {ImageFormat::Bmp, "mono"},
                 {ImageFormat::Tiff, "mono"}};
    for (const auto& c : cases) {
        const std::string name = codecs::formatName(c.format).toStdString() + "/" + c.kind;
        benchmark::RegisterBenchmark(("save/" + name).c_str(), save, c.format,
                                     QString::fromLatin1(c.kind))
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("load/" + name).c_str(), load, c.format,
                                     QString::fromLatin1(c.kind))
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    benchmark::RegisterBenchmark("write_without_sync/BMP/colour", writeWithoutSync,
                                 ImageFormat::Bmp, QStringLiteral("colour"))
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}

}  // namespace
}  // namespace tavlo::bench

int main(int argc, char** argv)
{
    tavlo::bench::registerAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
