// The worker pool runs every job exactly once and returns only when all are done; the
// processor count follows the override, then KRUMBOLT_THREADS, then the system.
#include "platform/workers.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(WorkerPool, RunsEveryJobOnceAndWaitsForAll) {
  platform::WorkerPool pool;
  for (int round = 0; round < 200; ++round) {
    int count = 1 + round % 9;
    // Plain ints: the pool's wait must make every job's writes visible to the caller.
    std::vector<int> runs(size_t(count), 0);
    pool.Run(count, [&](int i) { runs[size_t(i)] += 1 + i; });
    for (int i = 0; i < count; ++i) ASSERT_EQ(runs[size_t(i)], 1 + i) << "round " << round;
  }
  EXPECT_GE(pool.ThreadCount(), 1);
  EXPECT_LE(pool.ThreadCount(), 8);
  pool.Run(0, [](int) { FAIL() << "no job expected"; });
}

TEST(WorkerPool, ProcessorCountComesFromOverrideEnvironmentOrSystem) {
  const char* saved = std::getenv("KRUMBOLT_THREADS");
  std::string keep = saved ? saved : "";
  setenv("KRUMBOLT_THREADS", "3", 1);
  EXPECT_EQ(platform::ProcessorCount(), 3);
  platform::SetProcessorCountOverride(5);
  EXPECT_EQ(platform::ProcessorCount(), 5);
  platform::SetProcessorCountOverride(0);
  for (const char* bad : {"0", "-2", "many", ""}) {
    setenv("KRUMBOLT_THREADS", bad, 1);
    EXPECT_GE(platform::ProcessorCount(), 1) << bad;
    EXPECT_EQ(platform::ProcessorCount(), int(std::max(1u, std::thread::hardware_concurrency()))) << bad;
  }
  if (saved)
    setenv("KRUMBOLT_THREADS", keep.c_str(), 1);
  else
    unsetenv("KRUMBOLT_THREADS");
}
