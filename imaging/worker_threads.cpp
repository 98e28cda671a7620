#include "imaging/worker_threads.h"

#include <QRunnable>
#include <QSemaphore>
#include <QThreadPool>

#include <algorithm>
#include <thread>

namespace tavlo {

int workerThreadCount(int most)
{
    const int cores = int(std::min(std::thread::hardware_concurrency(), 1024u));
    return std::clamp(cores, 1, std::max(1, most));
}

QThreadPool& workerPool()
{
    // Destroyed at the end of the process, after waiting for the jobs still running (as Qt's
    // global pool is).
    static QThreadPool pool;
    static const bool sized = [] {
        pool.setMaxThreadCount(workerThreadCount(kPixelLoopThreads));
        return true;
    }();
    Q_UNUSED(sized);
    return pool;
}

struct PoolHelpers::Shared {
    std::function<void(int)> job;
    QSemaphore done;
};

namespace {

class HelperJob : public QRunnable {
public:
    // Not deleted by the pool: PoolHelpers owns it, and the pool reads nothing of it after run().
    HelperJob(std::function<void(int)>* job, QSemaphore* done, int helper)
        : m_job(job), m_done(done), m_helper(helper)
    {
        setAutoDelete(false);
    }
    void run() override
    {
        (*m_job)(m_helper);
        m_done->release();
    }

private:
    std::function<void(int)>* m_job;
    QSemaphore* m_done;
    int m_helper;
};

}  // namespace

PoolHelpers::PoolHelpers(int count, std::function<void(int helper)> job)
    : m_shared(std::make_unique<Shared>())
{
    m_shared->job = std::move(job);
    for (int i = 1; i <= count; ++i) {
        m_jobs.push_back(std::make_unique<HelperJob>(&m_shared->job, &m_shared->done, i));
        workerPool().start(m_jobs.back().get());
    }
}

PoolHelpers::~PoolHelpers()
{
    finish();
}

void PoolHelpers::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    int started = 0;
    for (const std::unique_ptr<QRunnable>& job : m_jobs) {
        if (!workerPool().tryTake(job.get()))
            ++started;
    }
    m_shared->done.acquire(started);
}

}  // namespace tavlo
