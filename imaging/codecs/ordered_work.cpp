#include "imaging/codecs/ordered_work.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace tavlo::codecs {

int OrderedWork::defaultThreads()
{
    return int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
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
    std::vector<std::thread> workers;
    try {
        for (int i = 0; i < threads; ++i)
            workers.emplace_back(work);
    } catch (const std::system_error&) {
        // The system gave fewer threads; those that started do the work.
    }
    bool ok = true;
    for (int index = 0; ok && index < count; ++index) {
        if (workers.empty()) {
            ok = produce(index);
        } else {
            std::unique_lock lock(mutex);
            wake.wait(lock, [&] { return states[size_t(index)] != State::Waiting; });
            ok = states[size_t(index)] == State::Done;
        }
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
    for (std::thread& worker : workers)
        worker.join();
    return ok;
}

}  // namespace tavlo::codecs
