// One paint of the imaging control's view for an A4 page at 600 dpi (4960 x 7016), 24-bit colour
// and 1-bit, at zooms from 1 % to 10,000 % and fitted, in a 1600 x 1000 view. Each iteration lays
// the picture out again (RefreshView, which drops the cached tile) and paints the viewport into an
// image, so it measures a full paint after a change; the "cached" cases measure a repaint (an
// expose or an overlay change) that reuses the tile; the "worker" cases measure the full-quality
// rendering that follows a shrunk paint in a worker thread. The goal is under 16 ms for every
// paint on the user-interface thread.
//
//   cmake --build build --target view_bench && ./build/bin/view_bench
#include "imaging/image_store.h"
#include "imaging/imaging_control.h"
#include "imaging/view/image_view.h"
#include "imaging/view/tile_renderer.h"
#include "tests/support/test_images.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPainter>
#include <QScrollBar>

#include <cstdlib>
#include <memory>

namespace {

using tavlo::ColourCode;
using tavlo::Image;

constexpr QSize kViewSize(1600, 1000);

struct Fixture {
    explicit Fixture(ColourCode code)
    {
        control.resize(kViewSize);
        control.show();
        control.setImageHandle(tavlo::ImageStore::instance().add(tavlo::test::a4TextPage(code)));
    }

    // Mode 3 at zoom (or mode 1 for zoom 0), scrolled to the middle of the page.
    void show(double zoom)
    {
        control.setZoomX(zoom);
        control.setZoomY(zoom);
        control.DrawImage(zoom == 0 ? 1 : 3);
        QApplication::processEvents();  // scroll bars appear
        tavlo::ImageView* view = control.view();
        view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum() / 2);
        view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum() / 2);
        QApplication::processEvents();
        target = QImage(view->viewport()->size(), QImage::Format_RGB32);
    }

    void paint()
    {
        QPainter painter(&target);
        control.view()->paintPicture(painter, QRect(QPoint(), target.size()));
    }

    tavlo::ImagingControl control;
    QImage target;
};

Fixture& fixture(ColourCode code)
{
    static std::unique_ptr<Fixture> colour;
    static std::unique_ptr<Fixture> mono;
    std::unique_ptr<Fixture>& slot = code == ColourCode::Mono ? mono : colour;
    if (!slot)
        slot = std::make_unique<Fixture>(code);
    return *slot;
}

void paintAfterChange(benchmark::State& state, ColourCode code, double zoom)
{
    Fixture& f = fixture(code);
    f.show(zoom);
    for (auto _ : state) {
        f.control.RefreshView();
        f.paint();
        benchmark::DoNotOptimize(f.target.constBits());
    }
    state.counters["view_px"] = double(f.target.width()) * f.target.height();
}

void paintCached(benchmark::State& state, ColourCode code, double zoom)
{
    Fixture& f = fixture(code);
    f.show(zoom);
    f.paint();
    for (auto _ : state) {
        f.paint();
        benchmark::DoNotOptimize(f.target.constBits());
    }
}

// The full-quality rendering of the fitted page that the view's worker thread makes after a shrunk
// paint (every source pixel read); it runs away from the user-interface thread.
void refineFitted(benchmark::State& state, ColourCode code)
{
    Fixture& f = fixture(code);
    f.show(0.0);
    const tavlo::ViewGeometry geometry = f.control.view()->viewGeometry();
    const Image& image = *f.control.currentImage().image();
    QImage tile(f.target.size(), QImage::Format_RGB32);
    tavlo::TileRenderer renderer;
    const QRect visible = geometry.contentRect() & QRect(QPoint(), tile.size());
    for (auto _ : state) {
        renderer.render(image, geometry, visible, tile, visible.topLeft(),
                        tavlo::TileRenderer::Quality::Full);
        benchmark::DoNotOptimize(tile.constBits());
    }
}

}  // namespace

BENCHMARK_CAPTURE(refineFitted, colour24_fit_worker, ColourCode::Rgb24)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(refineFitted, mono1_fit_worker, ColourCode::Mono)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(paintAfterChange, colour24_1pct, ColourCode::Rgb24, 0.01)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(paintAfterChange, colour24_fit, ColourCode::Rgb24, 0.0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(paintAfterChange, colour24_25pct, ColourCode::Rgb24, 0.25)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(paintAfterChange, colour24_100pct, ColourCode::Rgb24, 1.0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(paintAfterChange, colour24_5000pct, ColourCode::Rgb24, 50.0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(paintAfterChange, colour24_10000pct, ColourCode::Rgb24, 100.0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(paintCached, colour24_100pct_cached, ColourCode::Rgb24, 1.0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(paintAfterChange, mono1_1pct, ColourCode::Mono, 0.01)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(paintAfterChange, mono1_fit, ColourCode::Mono, 0.0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(paintAfterChange, mono1_25pct, ColourCode::Mono, 0.25)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(paintAfterChange, mono1_100pct, ColourCode::Mono, 1.0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(paintAfterChange, mono1_5000pct, ColourCode::Mono, 50.0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(paintAfterChange, mono1_10000pct, ColourCode::Mono, 100.0)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
