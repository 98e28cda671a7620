#include "imaging/codecs/ordered_work.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <vector>

namespace tavlo::codecs {
namespace {

TEST(OrderedWork, PiecesAreConsumedInOrderWithBoundedLookahead)
{
    for (int threads : {1, 2, 4}) {
        const int count = 300;
        std::vector<std::atomic<int>> produced(count);
        std::atomic<int> consumedSoFar{0};
        std::atomic<int> worstAhead{0};
        std::vector<int> order;
        const bool ok = OrderedWork::run(
            count, threads,
            [&](int i) {
                produced[size_t(i)]++;
                const int ahead = i - consumedSoFar.load();
                int worst = worstAhead.load();
                while (ahead > worst && !worstAhead.compare_exchange_weak(worst, ahead)) {
                }
                return true;
            },
            [&](int i) {
                EXPECT_EQ(produced[size_t(i)].load(), 1);
                order.push_back(i);
                consumedSoFar = i + 1;
                return true;
            });
        ASSERT_TRUE(ok);
        ASSERT_EQ(int(order.size()), count);
        for (int i = 0; i < count; ++i)
            ASSERT_EQ(order[size_t(i)], i);
        EXPECT_LE(worstAhead.load(), threads + 1) << threads;
    }
    EXPECT_TRUE(OrderedWork::run(
        0, 2, [](int) { return false; }, [](int) { return false; }));
}

TEST(OrderedWork, AFailedPieceStopsTheRest)
{
    for (int threads : {1, 3}) {
        std::atomic<int> started{0};
        int lastConsumed = -1;
        const bool ok = OrderedWork::run(
            1000, threads,
            [&](int i) {
                ++started;
                return i != 37;
            },
            [&](int i) {
                lastConsumed = i;
                return true;
            });
        EXPECT_FALSE(ok);
        EXPECT_EQ(lastConsumed, 36);
        EXPECT_LE(started.load(), 37 + 1 + threads + 1) << threads;
    }
}

}  // namespace
}  // namespace tavlo::codecs
