#include "imaging/codecs/ordered_work.h"

#include "imaging/worker_threads.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace tavlo::codecs {

int OrderedWork::defaultThreads()
{
    return workerThreadCount(kCodecThreads);
}

bool OrderedWork::run(int count, int threads, const std::function<bool(int)>& produce,
                      const std::function<bool(int)>& consume)
{
    if (count <= 0)
        return true;
    if (threads <= 0)
        threads = defaultThreads();
    threads = std::min(threads, count);
    if (threads <= 1) {
        for (int i = 0; i < count; ++i) {
            if (!produce(i) || !consume(i))
                return false;
        }
        return true;
    }

    enum class State : unsigned char { Waiting, Done, Failed };
    std::vector<State> states(size_t(count), State::Waiting);
    std::mutex mutex;
    std::condition_variable wake;
    int next = 0;
    int consumed = 0;
    bool stop = false;
    // Workers run ahead of the consumer by at most one piece each, plus the one it waits for.
    const int ahead = threads + 1;
    auto work = [&] {
        for (;;) {
            int index = 0;
            {
                std::unique_lock lock(mutex);
                wake.wait(lock, [&] { return stop || next >= count || next < consumed + ahead; });
                if (stop || next >= count)
                    return;
                index = next++;
            }
            const bool ok = produce(index);
            {
                std::lock_guard lock(mutex);
                states[size_t(index)] = ok ? State::Done : State::Failed;
            }
            wake.notify_all();
        }
    };
    // The workers are helpers on the shared pool; a piece no worker has taken yet when the
    // consumer needs it is produced on the calling thread, so the work finishes even when the
    // pool has no thread free.
    PoolHelpers helpers(threads, [&work](int) { work(); });
    bool ok = true;
    for (int index = 0; ok && index < count; ++index) {
        bool here = false;
        {
            std::unique_lock lock(mutex);
            if (next == index) {
                ++next;
                here = true;
            } else {
                wake.wait(lock, [&] { return states[size_t(index)] != State::Waiting; });
                ok = states[size_t(index)] == State::Done;
            }
        }
        if (here)
            ok = produce(index);
        ok = ok && consume(index);
        {
            std::lock_guard lock(mutex);
            consumed = index + 1;
            stop = !ok;
        }
        wake.notify_all();
    }
    {
        std::lock_guard lock(mutex);
        stop = true;
    }
    wake.notify_all();
    helpers.finish();
    return ok;
}

}  // namespace tavlo::codecs
