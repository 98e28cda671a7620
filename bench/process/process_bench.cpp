// Benchmarks of the pixel operations on the colour A4 page at 300 dpi (2480 x 3508, 24 bits).
#include "bench/codecs/scan_page.h"
#include "imaging/process/colour_conversion.h"
#include "imaging/process/emphasis.h"
#include "imaging/process/mirror.h"
#include "imaging/process/paste.h"
#include "imaging/process/resize.h"
#include "imaging/process/rotation.h"
#include "imaging/process/trim.h"

#include <benchmark/benchmark.h>

namespace tavlo::process {
namespace {

const Image& page()
{
    static const Image page = bench::makeScanPage(2480, 3508, 300);
    return page;
}

void convert(benchmark::State& state, ColourCode target, bool dither)
{
    const Image& source = page();
    for (auto _ : state) {
        Image result = convertColour(source, target, {dither, 128});
        benchmark::DoNotOptimize(result.pixels().constBits());
    }
    state.SetItemsProcessed(state.iterations() * source.width() * source.height());
}

void turn(benchmark::State& state, int centidegrees, bool smooth, bool keepSize)
{
    const Image& source = page();
    RotateOptions options;
    options.centidegrees = centidegrees;
    options.smooth = smooth;
    options.keepSize = keepSize;
    for (auto _ : state) {
        Image result = rotated(source, options);
        benchmark::DoNotOptimize(result.pixels().constBits());
    }
}

void mirrorInPlaceBench(benchmark::State& state)
{
    Image image = page();
    mirrorInPlace(image, false, true);  // its own pixels from here on
    for (auto _ : state)
        mirrorInPlace(image, true, false);
}

void shrinkToHalf(benchmark::State& state)
{
    const Image& source = page();
    for (auto _ : state) {
        Image result = resized(source, source.width() / 2, source.height() / 2);
        benchmark::DoNotOptimize(result.pixels().constBits());
    }
}

void trim(benchmark::State& state)
{
    const Image& source = page();
    for (auto _ : state) {
        Image result = trimmed(source, {200, 300, 2280, 3208});
        benchmark::DoNotOptimize(result.pixels().constBits());
    }
}

void paste(benchmark::State& state)
{
    Image image = page();
    mirrorInPlace(image, true, false);
    const Image piece = trimmed(page(), {0, 0, 1240, 1754});
    for (auto _ : state)
        benchmark::DoNotOptimize(pasteInPlace(image, piece, 600, 800));
}

void emphasis(benchmark::State& state, int kind)
{
    Image image = page();
    mirrorInPlace(image, true, false);
    const QPolygon region(
        {QPoint(300, 1000), QPoint(2200, 1000), QPoint(2200, 2000), QPoint(300, 2000)});
    for (auto _ : state) {
        bool done = false;
        if (kind == 0)
            done = emphasizeRelativeFill(image, region, 55, 55, 55) &&
                   emphasizeRelativeAdjust(image, region, -100);
        else
            done = emphasizeMarker(image, region, 0, 0, -1);
        benchmark::DoNotOptimize(done);
    }
}

#define TAVLO_BENCH(name, ...)                                                                     \
    BENCHMARK_CAPTURE(name, __VA_ARGS__)->Unit(benchmark::kMillisecond)->UseRealTime()

TAVLO_BENCH(convert, to_32, ColourCode::Rgb32, false);
TAVLO_BENCH(convert, to_16, ColourCode::Rgb555, false);
TAVLO_BENCH(convert, to_16_dither, ColourCode::Rgb555, true);
TAVLO_BENCH(convert, to_80, ColourCode::Grey256, false);
TAVLO_BENCH(convert, to_40, ColourCode::Grey16, false);
TAVLO_BENCH(convert, to_40_dither, ColourCode::Grey16, true);
TAVLO_BENCH(convert, to_1_at_128, ColourCode::Mono, false);
TAVLO_BENCH(convert, to_1_dither, ColourCode::Mono, true);
TAVLO_BENCH(convert, to_8, ColourCode::Palette256, false);
TAVLO_BENCH(convert, to_8_dither, ColourCode::Palette256, true);
TAVLO_BENCH(convert, to_4, ColourCode::Palette16, false);
TAVLO_BENCH(convert, to_4_dither, ColourCode::Palette16, true);
TAVLO_BENCH(turn, smooth_571_grow, 571, true, false);
TAVLO_BENCH(turn, smooth_571_keep_size, 571, true, true);
TAVLO_BENCH(turn, nearest_571_grow, 571, false, false);
TAVLO_BENCH(turn, quarter_left, 9000, false, false);
TAVLO_BENCH(turn, half, 18000, false, false);
BENCHMARK(mirrorInPlaceBench)
    ->Name("mirror_left_right_in_place")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(shrinkToHalf)->Name("shrink_to_half")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(trim)->Name("trim_2080x2908")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(paste)->Name("paste_1240x1754")->Unit(benchmark::kMillisecond)->UseRealTime();
TAVLO_BENCH(emphasis, relative_1900x1000, 0);
TAVLO_BENCH(emphasis, marker_1900x1000, 1);

}  // namespace
}  // namespace tavlo::process

BENCHMARK_MAIN();
