#pragma once

#include <cstdint>
#include <functional>

namespace tintara {

// Work on rows of pixels shared out among the cores: the rows 0..height are cut into bands of
// consecutive rows, one per thread, and `work(first, end)` is called once for each band, the first
// band on the calling thread. Each band must touch only its own rows, so that every pixel comes out
// the same however the rows are shared. Small images (fewer than `minPixels` pixels in all) and a
// thread with a budget of one stay on the calling thread; a thread that cannot be started leaves its
// rows to the calling thread too. Returns once every band is done.
void ForEachRowBand(int height, int64_t pixels, int64_t minPixels, const std::function<void(int first, int end)>& work);

// Below this many pixels a second thread costs more than it saves.
inline constexpr int64_t kParallelPixels = 1 << 18;

// How many threads pixel work started on this thread may use: the number of cores unless a
// RowBandBudget on this thread says otherwise. A batch that makes several photographs at once on
// threads of its own gives each of them a budget of one, so the work never runs more threads than
// the batch has workers.
int RowBandThreads();

class RowBandBudget {
 public:
  explicit RowBandBudget(int threads);
  ~RowBandBudget();
  RowBandBudget(const RowBandBudget&) = delete;
  RowBandBudget& operator=(const RowBandBudget&) = delete;

 private:
  int previous_;
};

}  // namespace tintara
