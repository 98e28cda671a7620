#include "imaging/process/parallel_rows.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace tavlo::process {

int processThreadCount()
{
    static const int count = int(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
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
    std::vector<std::thread> helpers;
    helpers.reserve(threads - 1);
    for (int i = 1; i < threads; ++i)
        helpers.emplace_back(run, i);
    run(0);
    for (std::thread& helper : helpers)
        helper.join();
}

}  // namespace tavlo::process
