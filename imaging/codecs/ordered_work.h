#pragma once

#include <functional>

namespace tavlo::codecs {

// Runs the numbered pieces of an encoder's work on the shared worker pool
// (imaging/worker_threads.h) and hands the results over in order on the calling thread, for
// encoders whose output is a sequence of independently coded parts (PNG bands, TIFF strips).
class OrderedWork {
public:
    // produce(i) runs on some thread for every i in [0, count); consume(i) runs on the calling
    // thread for i = 0, 1, ... once produce(i) has finished. At most threads + 1 pieces are
    // produced ahead of the one being consumed, which bounds the memory they hold. Either
    // returning false stops the work: pieces not started are skipped, running ones finish.
    // threads = 0 uses workerThreadCount(kCodecThreads); with one thread (or one piece)
    // everything runs on the calling thread, which also produces any piece no worker has taken
    // when it is needed. Neither may throw. Returns true when every piece was
    // produced and consumed.
    static bool run(int count, int threads, const std::function<bool(int)>& produce,
                    const std::function<bool(int)>& consume);

    // The number of threads run() uses for `threads` = 0.
    static int defaultThreads();
};

}  // namespace tavlo::codecs
