#include "imaging/process/parallel_rows.h"

#include "imaging/worker_threads.h"

#include <algorithm>
#include <atomic>

namespace tavlo::process {

int processThreadCount()
{
    static const int count = workerThreadCount(kPixelLoopThreads);
    return count;
}

void parallelRows(int rows, int bandRows, const std::function<void(int begin, int end)>& work)
{
    parallelRows(rows, bandRows, [&work](int begin, int end, int) { work(begin, end); });
}

void parallelRows(int rows, int bandRows,
                  const std::function<void(int begin, int end, int worker)>& work)
{
    if (rows <= 0)
        return;
    bandRows = std::max(1, bandRows);
    const int bands = (rows + bandRows - 1) / bandRows;
    const int threads = std::min(bands, processThreadCount());
    if (threads <= 1) {
        for (int begin = 0; begin < rows; begin += bandRows)
            work(begin, std::min(rows, begin + bandRows), 0);
        return;
    }
    std::atomic<int> next{0};
    auto run = [&](int worker) {
        for (int band = next++; band < bands; band = next++) {
            const int begin = band * bandRows;
            work(begin, std::min(rows, begin + bandRows), worker);
        }
    };
    // Helpers on the shared pool; the calling thread takes bands too and finishes alone when the
    // pool has no thread free.
    PoolHelpers helpers(threads - 1, run);
    run(0);
    helpers.finish();
}

}  // namespace tavlo::process
