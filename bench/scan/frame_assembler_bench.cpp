// How fast the scanning thread turns SANE rows into a page: an A4 page at 300 dpi in colour
// (26 MB), grey and line art, fed in reads of 256 KiB as the scanning thread asks for them.
#include "imaging/scan/frame_assembler.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using tavlo::scan::FrameAssembler;

void assemblePage(benchmark::State& state, SANE_Frame format, int depth)
{
    const int width = 2480;
    const int lines = 3507;
    const int samples = format == SANE_FRAME_RGB ? 3 : 1;
    const int bytesPerLine = (width * samples * depth + 7) / 8;
    std::vector<uchar> page(size_t(bytesPerLine) * lines);
    for (size_t i = 0; i < page.size(); ++i)
        page[i] = uchar(i * 7);
    SANE_Parameters p{};
    p.format = format;
    p.last_frame = SANE_TRUE;
    p.bytes_per_line = bytesPerLine;
    p.pixels_per_line = width;
    p.lines = lines;
    p.depth = depth;
    constexpr size_t kRead = 256 * 1024;
    FrameAssembler assembler;
    for (auto _ : state) {
        assembler.beginFrame(p);
        for (size_t at = 0; at < page.size(); at += kRead)
            assembler.addData(page.data() + at, qsizetype(std::min(kRead, page.size() - at)));
        assembler.endFrame();
        benchmark::DoNotOptimize(assembler.takeImage());
    }
    state.SetBytesProcessed(qint64(state.iterations()) * qint64(page.size()));
}

void BM_ColourA4(benchmark::State& state)
{
    assemblePage(state, SANE_FRAME_RGB, 8);
}
void BM_GreyA4(benchmark::State& state)
{
    assemblePage(state, SANE_FRAME_GRAY, 8);
}
void BM_LineArtA4(benchmark::State& state)
{
    assemblePage(state, SANE_FRAME_GRAY, 1);
}
void BM_Colour16A4(benchmark::State& state)
{
    assemblePage(state, SANE_FRAME_RGB, 16);
}

BENCHMARK(BM_ColourA4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GreyA4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LineArtA4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Colour16A4)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
