#pragma once

#include <QImage>

#include <functional>

namespace tavlo::process {

// Runs work(begin, end) over the rows [0, rows) split into bands of bandRows rows, on up to
// processThreadCount() threads: the calling thread and helpers from the shared worker pool
// (imaging/worker_threads.h). Bands are fixed by
// bandRows alone, never by the number of threads, so an operation whose bands are independent
// (error diffusion restarts at each band) gives the same pixels on every machine.
// work must only write rows of its own band. Returns when every band is done.
void parallelRows(int rows, int bandRows, const std::function<void(int begin, int end)>& work);

// The same, also telling work which of the threads runs it (0 .. processThreadCount() - 1), so
// it can keep per-thread state (a colour cache) across the bands that thread runs.
void parallelRows(int rows, int bandRows,
                  const std::function<void(int begin, int end, int worker)>& work);

// The rows of a QImage for writing from several threads. QImage::scanLine() must not be called
// from worker threads (it counts detaches in an unguarded field), so the image is detached once
// here and workers use plain pointers.
struct WritableRows {
    explicit WritableRows(QImage& image) : bits(image.bits()), stride(image.bytesPerLine()) { }
    uchar* operator[](int y) const { return bits + y * stride; }
    uchar* bits;
    qsizetype stride;
};

// Number of threads parallelRows() uses at most (at least 1).
int processThreadCount();

}  // namespace tavlo::process
