#include "base/row_bands.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

namespace tintara {

namespace {

thread_local int budget = 0;  // 0: no limit set on this thread

}  // namespace

int RowBandThreads() {
  if (budget > 0) return budget;
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

RowBandBudget::RowBandBudget(int threads) : previous_(budget) { budget = std::max(1, threads); }
RowBandBudget::~RowBandBudget() { budget = previous_; }

void ForEachRowBand(int height, int64_t pixels, int64_t minPixels, const std::function<void(int, int)>& work) {
  if (height <= 0) return;
  const int bands = pixels < minPixels ? 1 : static_cast<int>(std::min<int64_t>(RowBandThreads(), height));
  if (bands == 1) {
    work(0, height);
    return;
  }
  auto bandStart = [&](int b) { return static_cast<int>(static_cast<int64_t>(height) * b / bands); };
  std::vector<std::thread> workers;
  int serialFrom = bands;  // bands from here on run on this thread
  for (int b = 1; b < bands; ++b) {
    try {
      workers.emplace_back(work, bandStart(b), bandStart(b + 1));
    } catch (const std::system_error&) {
      serialFrom = b;  // no thread to be had: the work is done here instead, the result is the same
      break;
    }
  }
  work(0, bandStart(1));
  if (serialFrom < bands) work(bandStart(serialFrom), height);
  for (std::thread& w : workers) w.join();
}

}  // namespace tintara
