// The marker tool bar on an A4 page at 600 dpi (4960 x 7016) in a 1600 x 1000 view.
//
// stroke_*: one mouse move of a pen stroke, from the move event to the painted view: the event is
// sent to the view, then the event loop runs the repaint the editor asked for (only the area of
// the new segment). Goal: under 8 ms at fit and at 100 %.
// commit_*: committing 100 marks (pen strokes, highlighters, lines, rectangles, ellipses, arrows)
// into the page's pixels. Goal: under 50 ms.
//
//   cmake --build build --target marker_bench && ./build/bin/marker_bench
#include "imaging/image_store.h"
#include "imaging/imaging_control.h"
#include "imaging/shape/mark_commit.h"
#include "imaging/shape/marker_tool_bar.h"
#include "imaging/shape/shape_object.h"
#include "imaging/view/image_view.h"
#include "tests/support/test_images.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>

#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <vector>

namespace {

using tavlo::ColourCode;
using tavlo::Image;

constexpr QSize kViewSize(1600, 1000);

const Image& page(ColourCode code)
{
    static std::map<ColourCode, Image> pages;
    auto found = pages.find(code);
    if (found == pages.end())
        found = pages.emplace(code, tavlo::test::a4TextPage(code)).first;
    return found->second;
}

void send(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button,
          Qt::MouseButtons held)
{
    QMouseEvent event(type, QPointF(at), QPointF(target->mapToGlobal(at)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

void stroke(benchmark::State& state, double zoom)
{
    tavlo::ImagingControl control;
    control.resize(kViewSize);
    control.show();
    control.setImageHandle(tavlo::ImageStore::instance().add(page(ColourCode::Rgb24)));
    control.setZoomX(zoom);
    control.setZoomY(zoom);
    control.DrawImage(zoom == 0 ? 1 : 3);
    QApplication::processEvents();
    tavlo::ImageView* view = control.view();
    view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum() / 2);
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum() / 2);
    tavlo::ShapeObject& shape = control.ShapeObject();
    shape.ShowToolBar(1);
    shape.toolBar()->chooseTool(tavlo::MarkerTool::Pen);
    QApplication::processEvents();
    QWidget* viewport = view->viewport();
    const QRect area = viewport->rect().adjusted(200, 200, -200, -200);

    // Strokes of 300 moves, 3 view pixels apart, in rows down the view.
    int move = 0;
    int row = 0;
    auto start = [&] {
        const QPoint at(area.left(), area.top() + (row++ % 20) * 25);
        send(viewport, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        move = 0;
        return at;
    };
    QPoint at = start();
    QApplication::processEvents();
    for (auto _ : state) {
        ++move;
        at = QPoint(area.left() + 3 * move, at.y() + (move % 2 ? 2 : -2));
        send(viewport, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
        QApplication::processEvents();
        if (move == 300) {
            state.PauseTiming();
            send(viewport, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
            if (shape.editor().marks().size() >= 20)
                shape.ClearShape();
            at = start();
            QApplication::processEvents();
            state.ResumeTiming();
        }
    }
    send(viewport, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
}

std::vector<tavlo::Mark> hundredMarks(QSize size)
{
    using tavlo::Mark;
    using tavlo::MarkKind;
    std::vector<Mark> marks;
    const MarkKind kinds[] = {MarkKind::Pen,       MarkKind::Highlighter, MarkKind::Line,
                              MarkKind::Rectangle, MarkKind::Ellipse,     MarkKind::Arrow};
    for (int i = 0; i < 100; ++i) {
        Mark mark;
        mark.kind = kinds[i % 6];
        mark.colour = i % 2 ? QColor(255, 0, 0) : QColor(0, 0, 255);
        mark.width = mark.kind == MarkKind::Highlighter ? 36 : 6;
        const double x = 100 + (i % 10) * (size.width() - 700) / 10.0;
        const double y = 100 + (i / 10) * (size.height() - 700) / 10.0;
        if (mark.usesBox()) {
            mark.box = QRectF(x, y, 400, 250);
        } else {
            for (int p = 0; p < 20; ++p)
                mark.points.push_back(QPointF(x + p * 25, y + (p % 3) * 30));
        }
        marks.push_back(mark);
    }
    return marks;
}

void commit(benchmark::State& state, ColourCode code)
{
    const Image& original = page(code);
    const std::vector<tavlo::Mark> marks = hundredMarks(QSize(original.width(), original.height()));
    // Only the commit is timed (manual time): copying the 100 MB page for every run, and freeing
    // it, would otherwise be most of the figure.
    Image work;
    for (auto _ : state) {
        work = Image();
        work = original;
        work.scanLine(0);  // a page of its own, as the view's image is
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(tavlo::commitMarks(work, marks));
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
}

}  // namespace

BENCHMARK_CAPTURE(stroke, stroke_fit, 0.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(stroke, stroke_100pct, 1.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(commit, commit100_colour24, ColourCode::Rgb24)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(commit, commit100_mono1, ColourCode::Mono)
    ->UseManualTime()
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
