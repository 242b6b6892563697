#include "base/row_bands.h"

#include <gtest/gtest.h>

#include <mutex>
#include <set>
#include <thread>
#include <utility>
#include <vector>

namespace tintara {
namespace {

// Every row is worked on exactly once, in bands of consecutive rows; a budget of one (a batch
// worker's) or a small image keeps all of it on the calling thread.
TEST(RowBands, EveryRowOnceAndTheBudgetHolds) {
  auto run = [](int height, int64_t pixels) {
    std::mutex mutex;
    std::vector<std::pair<int, int>> bands;
    std::set<std::thread::id> threads;
    ForEachRowBand(height, pixels, kParallelPixels, [&](int first, int end) {
      const std::lock_guard lock(mutex);
      bands.emplace_back(first, end);
      threads.insert(std::this_thread::get_id());
    });
    std::vector<int> seen(static_cast<size_t>(height), 0);
    for (const auto& [first, end] : bands) {
      EXPECT_LT(first, end);
      for (int row = first; row < end; ++row) ++seen[static_cast<size_t>(row)];
    }
    for (int count : seen) EXPECT_EQ(count, 1);
    return std::pair{bands.size(), threads};
  };
  const int cores = RowBandThreads();
  EXPECT_EQ(run(3000, 3000 * 4000).first, static_cast<size_t>(std::min(cores, 3000)));
  EXPECT_EQ(run(3, 3 * 1000000).first, static_cast<size_t>(std::min(cores, 3))) << "never more bands than rows";
  EXPECT_EQ(run(100, 100 * 100).first, 1u) << "a small image stays on this thread";
  EXPECT_EQ(run(0, 0).first, 0u);
  {
    const RowBandBudget one(1);
    EXPECT_EQ(RowBandThreads(), 1);
    const auto [bands, threads] = run(3000, 3000 * 4000);
    EXPECT_EQ(bands, 1u);
    EXPECT_EQ(threads, std::set{std::this_thread::get_id()});
    // The budget belongs to this thread alone.
    int elsewhere = 0;
    std::thread([&] { elsewhere = RowBandThreads(); }).join();
    EXPECT_EQ(elsewhere, cores);
  }
  EXPECT_EQ(RowBandThreads(), cores);
}

}  // namespace
}  // namespace tintara
