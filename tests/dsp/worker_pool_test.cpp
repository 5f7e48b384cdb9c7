#include "dsp/worker_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <vector>

namespace tonvale {
namespace {

// Every item runs exactly once, on a worker the pool has, task after task; a failing item is
// reported to the caller once the others are done, and the pool goes on serving.
TEST(WorkerPoolTest, RunsEveryItemOnceAndHandsBackAFailure) {
  for (unsigned threads : {1u, 2u, 5u}) {
    WorkerPool pool(threads);
    ASSERT_EQ(pool.size(), threads);
    for (size_t count : {size_t{0}, size_t{1}, size_t{3}, size_t{1000}}) {
      std::vector<std::atomic<int>> runs(count);
      std::atomic<bool> badWorker = false;
      pool.Run(count, [&](size_t item, unsigned worker) {
        runs[item]++;
        if (worker >= threads) badWorker = true;
      });
      for (size_t i = 0; i < count; ++i) ASSERT_EQ(runs[i], 1) << threads << " threads, " << i;
      EXPECT_FALSE(badWorker);
    }
    std::atomic<int> done = 0;
    EXPECT_THROW(pool.Run(50,
                          [&](size_t item, unsigned) {
                            if (item == 7) throw std::bad_alloc();
                            ++done;
                          }),
                 std::bad_alloc);
    EXPECT_EQ(done, 49);
    pool.Run(4, [&](size_t, unsigned) { ++done; });
    EXPECT_EQ(done, 53);
  }
  EXPECT_GE(WorkerPool::Resolve(0), 1u);
}

}  // namespace
}  // namespace tonvale
