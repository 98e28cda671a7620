#pragma once

#include <functional>
#include <memory>
#include <vector>

class QThreadPool;
class QRunnable;

namespace tavlo {

// The threads of the pixel loops, the encoders and the view's background painting: how many a
// piece of work may use, and the one pool they run on (see "Threads" in docs/ARCHITECTURE.md).

// How many threads one piece of work uses at most (the calling thread included): one per
// processor, at least 1 and at most `most`.
int workerThreadCount(int most);

// The limits in use: the row loops of the pixel operations scale with the cores; encoders and
// the JPEG 2000 decoder stop at 4, past which their output (and OpenJPEG) gains nothing.
inline constexpr int kPixelLoopThreads = 16;
inline constexpr int kCodecThreads = 4;

// The one pool of worker threads: made on first use, as many threads as kPixelLoopThreads allows,
// idle threads expire. Safe from any thread.
QThreadPool& workerPool();

// Helper jobs on the worker pool for the duration of one call. Each job(helper) gets its number
// (1 .. count). The calling thread must be able to finish the work alone: finish() takes back the
// jobs the pool has not started yet (so a call made from a pool thread while every thread is busy
// cannot wait for itself) and waits for the started ones. The destructor calls finish().
class PoolHelpers {
public:
    PoolHelpers(int count, std::function<void(int helper)> job);
    ~PoolHelpers();
    PoolHelpers(const PoolHelpers&) = delete;
    PoolHelpers& operator=(const PoolHelpers&) = delete;

    void finish();

private:
    struct Shared;
    std::unique_ptr<Shared> m_shared;
    std::vector<std::unique_ptr<QRunnable>> m_jobs;
    bool m_finished = false;
};

}  // namespace tavlo
