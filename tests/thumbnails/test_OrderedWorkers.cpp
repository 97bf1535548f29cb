#include "thumbnails/OrderedWorkers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace {

std::vector<uint8_t> Bytes(int index)
{
    return {static_cast<uint8_t>(index), static_cast<uint8_t>(index >> 8)};
}

} // namespace

TEST(OrderedWorkers, ResultsComeInIndexOrderAndWorkersStayWithinTheLookahead)
{
    constexpr int count = 60, ahead = 5;
    for (int threads : {0, 1, 3, 8}) {
        // The caller counts the results it has asked for before asking: no
        // job may start beyond that count plus the lookahead.
        std::atomic<int> asked{0}, beyond{0};
        TOrderedWorkers workers(count, threads, ahead, [&](int index) {
            if (index >= asked.load() + ahead)
                ++beyond;
            // Uneven work, so that later indexes often finish first.
            std::this_thread::sleep_for(std::chrono::microseconds((index * 7919) % 5 * 200));
            return Bytes(index);
        });
        EXPECT_EQ(workers.Threads(), threads < 2 ? 0 : threads);
        for (int i = 0; i < count; ++i) {
            ++asked;
            ASSERT_EQ(workers.TakeNext(), Bytes(i)) << threads << " threads";
        }
        EXPECT_EQ(beyond.load(), 0) << threads << " threads";
        EXPECT_THROW(workers.TakeNext(), std::out_of_range);
    }
}

TEST(OrderedWorkers, AJobsErrorReachesTheCallerAtItsIndexAndStoppingEarlyJoins)
{
    for (int threads : {1, 4}) {
        std::atomic<int> started{0};
        {
            TOrderedWorkers workers(1000, threads, 8, [&](int index) {
                ++started;
                if (index == 2)
                    throw std::runtime_error("damaged");
                return Bytes(index);
            });
            EXPECT_EQ(workers.TakeNext(), Bytes(0));
            EXPECT_EQ(workers.TakeNext(), Bytes(1));
            EXPECT_THROW(workers.TakeNext(), std::runtime_error);
            EXPECT_EQ(workers.TakeNext(), Bytes(3)) << "later indexes still come";
        }
        // The workers stopped with the pool, far from the end.
        EXPECT_LE(started.load(), 4 + 8) << threads << " threads";
    }
}
