#include "imaging/codecs/ordered_work.h"
#include "imaging/process/parallel_rows.h"
#include "imaging/worker_threads.h"

#include <gtest/gtest.h>

#include <QSemaphore>
#include <QThreadPool>

#include <atomic>
#include <vector>

namespace tavlo {
namespace {

// Occupies every thread of the worker pool until released.
class BusyPool {
public:
    BusyPool() : m_threads(workerPool().maxThreadCount())
    {
        for (int i = 0; i < m_threads; ++i) {
            workerPool().start([this] {
                m_running.release();
                m_release.acquire();
            });
        }
        m_running.acquire(m_threads);
    }
    ~BusyPool()
    {
        m_release.release(m_threads);
        workerPool().waitForDone();
    }

private:
    int m_threads;
    QSemaphore m_running;
    QSemaphore m_release;
};

TEST(WorkerThreads, CountsStayWithinTheirLimits)
{
    EXPECT_EQ(workerThreadCount(1), 1);
    EXPECT_EQ(workerThreadCount(0), 1);
    EXPECT_GE(workerThreadCount(kCodecThreads), 1);
    EXPECT_LE(workerThreadCount(kCodecThreads), kCodecThreads);
    EXPECT_EQ(codecs::OrderedWork::defaultThreads(), workerThreadCount(kCodecThreads));
    EXPECT_EQ(process::processThreadCount(), workerThreadCount(kPixelLoopThreads));
}

// The calling thread finishes the work alone when no pool thread is free, as a loop started from
// a pool thread finds the pool.
TEST(WorkerThreads, WorkFinishesOnTheCallingThreadWhenThePoolIsFull)
{
    BusyPool busy;

    std::atomic<int> helped{0};
    {
        PoolHelpers helpers(3, [&](int) { ++helped; });
        helpers.finish();  // takes the three jobs back instead of waiting for a free thread
    }
    EXPECT_EQ(helped.load(), 0);

    std::vector<int> rows(97, 0);
    process::parallelRows(97, 5, [&](int begin, int end) {
        for (int y = begin; y < end; ++y)
            ++rows[size_t(y)];
    });
    EXPECT_EQ(rows, std::vector<int>(97, 1));

    std::vector<int> order;
    EXPECT_TRUE(codecs::OrderedWork::run(
        40, 4, [](int) { return true; },
        [&](int i) {
            order.push_back(i);
            return true;
        }));
    ASSERT_EQ(order.size(), 40u);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(order[size_t(i)], i);
}

// Row loops started from pool threads, more of them than the pool has threads, all finish and
// cover every row once.
TEST(WorkerThreads, NestedRowLoopsOnThePoolAllFinish)
{
    const int jobs = workerPool().maxThreadCount() * 3;
    std::atomic<int> rowsDone{0};
    QSemaphore finished;
    for (int j = 0; j < jobs; ++j) {
        workerPool().start([&] {
            process::parallelRows(64, 3, [&](int begin, int end) { rowsDone += end - begin; });
            finished.release();
        });
    }
    ASSERT_TRUE(finished.tryAcquire(jobs, 120000));
    EXPECT_EQ(rowsDone.load(), jobs * 64);
    workerPool().waitForDone();
}

}  // namespace
}  // namespace tavlo
