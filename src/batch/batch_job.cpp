#include "batch/batch_job.h"

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <system_error>
#include <thread>
#include <utility>

#include "base/file_names.h"
#include "base/result_codes.h"
#include "base/row_bands.h"

namespace tintara {

namespace {

// An item still to be made, as the run hands it out.
struct PendingItem {
  int index = 0;
  bool hasProfile = false;
  BatchItemTask task;
  bool waitsForEarlier = false;  // its input may be what an earlier item writes
};

// A file name with every "(digits)" just before its extension taken off: photo(12).jpg and
// photo(1)(3).jpg are both photo.jpg, as every copy numbered from photo.jpg is.
std::string UnnumberedName(const std::string& name) {
  const size_t dot = name.rfind('.');
  std::string stem = name.substr(0, dot == std::string::npos ? name.size() : dot);
  const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
  for (;;) {
    if (stem.size() < 2 || stem.back() != ')') break;
    const size_t open = stem.rfind('(');
    if (open == std::string::npos) break;
    bool digits = true;
    for (size_t i = open + 1; i + 1 < stem.size(); ++i) digits = digits && stem[i] >= '0' && stem[i] <= '9';
    if (!digits) break;
    stem.erase(open);
  }
  return stem + extension;
}

std::string CanonicalText(const std::filesystem::path& path) {
  std::error_code ec;
  std::filesystem::path canonical = std::filesystem::weakly_canonical(path, ec);
  return (ec ? std::filesystem::absolute(path, ec) : canonical).lexically_normal().string();
}

// Marks the items whose input an earlier item of the list might write: in the folder an earlier
// item writes into, named like that item's output once numbers are ignored (links followed). Such
// an item is read only when everything before it is in place, as a one-at-a-time run would read it.
// A false alarm costs only some overlap; a missed one would read a file before it is written.
void MarkDependencies(std::vector<PendingItem>& pending) {
  std::set<std::string> written;  // folder + "\n" + unnumbered name of every output so far
  for (PendingItem& item : pending) {
    const std::filesystem::path input(CanonicalText(item.task.inputPath));
    item.waitsForEarlier =
        written.count(input.parent_path().string() + "\n" + UnnumberedName(input.filename().string())) != 0;
    const std::string& folder = item.task.destinationFolder;
    const std::string outputFolder =
        folder.empty() ? CanonicalText(std::filesystem::path(item.task.inputPath).parent_path().empty()
                                           ? std::filesystem::path(".")
                                           : std::filesystem::path(item.task.inputPath).parent_path())
                       : CanonicalText(folder);
    written.insert(std::filesystem::path(outputFolder).lexically_normal().string() + "\n" +
                   UnnumberedName(FileNameOf(item.task.inputPath)));
  }
}

BatchOutcome MakeItem(const PendingItem& item, const std::function<PreparedBatchItem&()>& prepared) {
  // The profile left the store since the item was made: nothing to convert with.
  if (!item.hasProfile) return BatchOutcome::Failed(kProfileLoadFailed);
  return CommitBatchItem(item.task, prepared);
}

// The items ahead of the one in its turn, made by `workers` threads.
class Pipeline {
 public:
  Pipeline(const std::vector<PendingItem>& items, int workers) : items_(items), window_(workers), made_(items.size()) {
    for (int i = 0; i < workers; ++i) threads_.emplace_back([this] { Work(); });
  }
  Pipeline(const Pipeline&) = delete;
  Pipeline& operator=(const Pipeline&) = delete;
  // Items still ahead are dropped, their staged files removed.
  ~Pipeline() {
    {
      std::lock_guard lock(mutex_);
      ending_ = true;
    }
    changed_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }

  // Item `k`, once made; the caller's turn is at k.
  PreparedBatchItem& Take(size_t k) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return made_[k].has_value(); });
    return *made_[k];
  }

  // Item `k` is done with: the next may start, and one that waited for everything before it may go.
  void Done(size_t k) {
    std::optional<PreparedBatchItem> finished;
    {
      std::lock_guard lock(mutex_);
      finished = std::move(made_[k]);
      made_[k].reset();
      turn_ = k + 1;
    }
    changed_.notify_all();
  }  // an unused staged file goes with `finished`, outside the lock

 private:
  bool CanStart(size_t k) const {
    return k < turn_ + static_cast<size_t>(window_) && (!items_[k].waitsForEarlier || k <= turn_);
  }

  void Work() {
    // The workers are the batch's share of the cores: each makes its photograph on its own thread.
    const RowBandBudget oneThread(1);
    for (;;) {
      size_t k;
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return ending_ || next_ >= items_.size() || CanStart(next_); });
        if (ending_ || next_ >= items_.size()) return;
        k = next_++;
      }
      PreparedBatchItem made;
      const PendingItem& item = items_[k];
      if (item.hasProfile && CanPrepareAhead(item.task)) {
        try {
          made = PrepareBatchItem(item.task);
        } catch (const std::bad_alloc&) {
          made = PreparedBatchItem{};
          made.read = kImageTooLarge;
        }
      }
      {
        std::lock_guard lock(mutex_);
        // An item whose turn ended without it (skipped, refused before its input was read) is
        // dropped at once, so its staged file does not stay until the run ends.
        if (k >= turn_) made_[k] = std::move(made);
      }
      changed_.notify_all();
    }
  }

  const std::vector<PendingItem>& items_;
  const int window_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::optional<PreparedBatchItem>> made_;  // guarded by mutex_
  size_t next_ = 0;                                     // the next item a worker takes
  size_t turn_ = 0;                                     // the item in its turn
  bool ending_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace

int BatchWorkerCount(int jobs) {
  const int wanted = jobs > 0 ? jobs : static_cast<int>(std::thread::hardware_concurrency());
  return std::clamp(wanted, 1, kMaxBatchWorkers);
}

int RunBatchJob(std::vector<BatchItem>& items, const ProfileStore& store, int jpegQuality,
                const BatchObserver& observer, const BatchStopRequest& stop, int jobs) {
  auto report = [&](int index, int done, int pending) {
    if (observer) observer(index, items[index].outcome, done, pending);
  };
  std::vector<PendingItem> pending;
  for (size_t i = 0; i < items.size(); ++i) {
    BatchItem& item = items[i];
    if (item.outcome.state == BatchState::kSucceeded) continue;
    item.outcome = BatchOutcome();
    PendingItem next;
    next.index = static_cast<int>(i);
    const ProfileRecord* profile = store.Find(item.profile);
    next.hasProfile = profile != nullptr;
    next.task =
        BatchItemTask{item.inputFile, profile, item.operation, item.destinationFolder, item.output, jpegQuality};
    pending.push_back(std::move(next));
  }
  const int count = static_cast<int>(pending.size());
  if (count == 0) return 0;

  // One worker gains nothing over making each item in its turn, on this thread.
  const int workers = std::min(BatchWorkerCount(jobs), count);
  std::optional<Pipeline> pipeline;
  // While workers run, this thread only names and places their items (and embeds in place): its
  // own pixel work, if any, stays on it rather than adding threads beside the workers.
  std::optional<RowBandBudget> oneThread;
  if (workers > 1) {
    MarkDependencies(pending);
    pipeline.emplace(pending, workers);
    oneThread.emplace(1);
  }
  for (int k = 0; k < count; ++k) {
    if (stop && stop()) break;
    const PendingItem& item = pending[k];
    BatchItem& shown = items[item.index];
    shown.outcome.state = BatchState::kProcessing;
    report(item.index, k, count);

    std::optional<PreparedBatchItem> madeHere;
    shown.outcome = MakeItem(item, [&]() -> PreparedBatchItem& {
      if (pipeline) return pipeline->Take(k);
      madeHere = PrepareBatchItem(item.task);
      return *madeHere;
    });
    if (pipeline) pipeline->Done(k);
    report(item.index, k + 1, count);
  }
  return count;
}

}  // namespace tintara
