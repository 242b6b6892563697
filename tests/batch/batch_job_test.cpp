#include "batch/batch_job.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <thread>

#include "base/result_codes.h"
#include "base/row_bands.h"
#include "image/image_file.h"
#include "support/run_command.h"
#include "support/test_images.h"
#include "support/test_profiles.h"

namespace tintara {
namespace {

using test::TempDir;
namespace fs = std::filesystem;
using enum BatchOutputRule;

class BatchJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store_.AddOrReplaceProfile(test::TestProfileRecord("Brighter", "test", 2.0));  // red doubled
    store_.AddOrReplaceProfile(test::TestProfileRecord("Plain", ""));
  }

  BatchItem Item(const std::string& name, int profile = 0) {
    BatchItem item;
    item.inputFile = dir_.File(name);
    item.profile = store_.IdAt(profile);
    return item;
  }

  std::vector<BatchItem> Run(std::vector<BatchItem> items) {
    observed_.clear();
    pending_ = RunBatchJob(items, store_, 90, [&](int index, const BatchOutcome& outcome, int done, int pending) {
      observed_.push_back(std::to_string(index) + " " + StatusText(outcome) + " " + std::to_string(done) + "/" +
                          std::to_string(pending));
    });
    return items;
  }

  static std::vector<std::string> Statuses(const std::vector<BatchItem>& items) {
    std::vector<std::string> statuses;
    for (const BatchItem& item : items) statuses.push_back(StatusText(item.outcome));
    return statuses;
  }

  ProfileStore store_;
  std::vector<std::string> observed_;
  int pending_ = -1;
  TempDir dir_;
};

TEST_F(BatchJobTest, ReportsEveryStepAndRetriesOnlyWhatFailed) {
  test::WritePatternImage(dir_.File("a.tif"), 16, 8);
  test::WritePatternImage(dir_.File("IMG.JPG"), 16, 8);
  test::WriteFileText(dir_.File("img.png"), "png");
  std::vector<BatchItem> items = Run({Item("a.tif"), Item("IMG.JPG"), Item("img.png")});
  EXPECT_EQ(pending_, 3);
  EXPECT_EQ(items[0].outcome.state, BatchState::kSucceeded);
  EXPECT_EQ(items[1].outcome.state, BatchState::kSucceeded);
  EXPECT_EQ(items[2].outcome.state, BatchState::kFailed);
  EXPECT_EQ(items[2].outcome.reason, kUnsupportedImageType);
  const std::vector<std::string> expected = {"0 Processing... 0/3", "0 Succeeded 1/3", "1 Processing... 1/3",
                                             "1 Succeeded 2/3",     "2 Processing... 2/3",
                                             "2 Failed (This image type is not supported by Tintara.) 3/3"};
  EXPECT_EQ(observed_, expected);
  EXPECT_TRUE(fs::exists(dir_.File("a(1).tif")));
  EXPECT_TRUE(fs::exists(dir_.File("IMG(1).JPG")));

  // A second run leaves the succeeded items alone and retries the failed one.
  items = Run(items);
  EXPECT_EQ(pending_, 1);
  EXPECT_EQ(observed_.size(), 2u);
  EXPECT_FALSE(fs::exists(dir_.File("a(2).tif")));
  // After a full success nothing is processed at all.
  items.pop_back();
  items = Run(items);
  EXPECT_EQ(pending_, 0);
  EXPECT_TRUE(observed_.empty());

  // A changed item (back to pending) copies again, under the next free name.
  items[0].outcome = BatchOutcome();
  items = Run(items);
  EXPECT_TRUE(fs::exists(dir_.File("a(2).tif")));
}

TEST_F(BatchJobTest, EachItemTakesItsOwnProfileOperationAndFolder) {
  test::WritePatternImage(dir_.File("a.tif"), 16, 8);
  fs::create_directory(dir_.File("out"));
  BatchItem embed = Item("a.tif", 1);
  embed.operation = BatchOperation::kEmbed;
  embed.destinationFolder = dir_.File("out");
  // A profile that has left the store (or none at all) fails its item alone.
  BatchItem gone = Item("a.tif", store_.AddOrReplaceProfile(test::TestProfileRecord("Gone", "")));
  store_.RemoveProfile(store_.IndexOf(gone.profile));
  BatchItem none = Item("a.tif");
  none.profile = kNoProfile;
  const std::vector<BatchItem> items = Run({Item("a.tif"), embed, gone, none});
  EXPECT_EQ(Statuses(items), (std::vector<std::string>{"Succeeded", "Succeeded",
                                                       "Failed (There were errors loading the color profile.)",
                                                       "Failed (There were errors loading the color profile.)"}));
  EXPECT_FALSE(fs::exists(dir_.File("a(2).tif")));

  ImageBuffer in, converted, embedded;
  ImageReadInfo info;
  ASSERT_EQ(ReadImageFile(dir_.File("a.tif"), in), 0);
  ASSERT_EQ(ReadImageFile(dir_.File("a(1).tif"), converted), 0);
  EXPECT_EQ(test::PixelBytes(converted), test::TestProfilePixels(test::PixelBytes(in), 2.0));
  ASSERT_EQ(ReadImageFile(dir_.File("out/a.tif"), embedded, &info), 0);
  EXPECT_EQ(test::PixelBytes(embedded), test::PixelBytes(in));
  EXPECT_EQ(info.iccProfile, store_.At(1).bytes);
}

TEST_F(BatchJobTest, AStopFinishesTheItemInHandAndLeavesTheRestPending) {
  test::WritePatternImage(dir_.File("a.tif"), 16, 8);
  std::vector<BatchItem> items = {Item("a.tif"), Item("a.tif"), Item("a.tif")};
  items[2].outcome = BatchOutcome::Failed(kImageCorrupt);
  int asked = 0;
  // The stop arrives while the first item runs: that item still ends, the others are not started.
  EXPECT_EQ(RunBatchJob(items, store_, 90, {}, [&] { return ++asked > 1; }, 4), 3);
  EXPECT_EQ(Statuses(items), (std::vector<std::string>{"Succeeded", "", ""}));
  EXPECT_FALSE(fs::exists(dir_.File("a(2).tif")));
  // Items the workers had made ahead are dropped with their staged files.
  for (const fs::directory_entry& entry : fs::directory_iterator(dir_.path())) {
    EXPECT_TRUE(entry.path().filename() == "a.tif" || entry.path().filename() == "a(1).tif") << entry.path();
  }

  items = Run(items);
  EXPECT_EQ(pending_, 2);
  EXPECT_EQ(Statuses(items), (std::vector<std::string>{"Succeeded", "Succeeded", "Succeeded"}));
  EXPECT_TRUE(fs::exists(dir_.File("a(3).tif")));
}

// The threads of this process now.
int ThreadCount() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Threads:", 0) == 0) return std::stoi(line.substr(8));
  }
  return -1;
}

// Workers share the cores: neither they nor the calling thread start threads of their own for the
// pixels, so a run never has more threads than its workers and the caller. Made one at a time on the
// calling thread, an item may use every core.
TEST_F(BatchJobTest, WorkersAndTheirCallerKeepToOneThreadEach) {
  std::vector<BatchItem> items;
  for (int i = 0; i < 6; ++i) {
    const std::string name = "big" + std::to_string(i) + ".tif";
    test::WritePatternImage(dir_.File(name), 1000, 800, static_cast<uint32_t>(i + 1));  // above kParallelPixels
    items.push_back(Item(name));
  }
  const int before = ThreadCount();
  ASSERT_GT(before, 0);
  std::atomic<bool> running = true;
  std::atomic<int> peak = before;
  std::thread watcher([&] {
    while (running) peak = std::max(peak.load(), ThreadCount());
  });
  std::set<int> callerBudgets;
  RunBatchJob(
      items, store_, 90, [&](int, const BatchOutcome&, int, int) { callerBudgets.insert(RowBandThreads()); }, {}, 3);
  running = false;
  watcher.join();
  EXPECT_LE(peak.load(), before + 1 + 3);  // the watcher, the workers
  EXPECT_EQ(callerBudgets, std::set<int>{1});
  EXPECT_EQ(Statuses(items), std::vector<std::string>(6, "Succeeded"));

  callerBudgets.clear();
  items.resize(1);
  items[0].outcome = BatchOutcome();
  RunBatchJob(
      items, store_, 90, [&](int, const BatchOutcome&, int, int) { callerBudgets.insert(RowBandThreads()); }, {}, 1);
  const int cores = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
  EXPECT_EQ(callerBudgets, std::set<int>{cores});

  // However many cores or jobs, the workers, each holding a photograph, stay few enough.
  EXPECT_EQ(BatchWorkerCount(0), std::min(cores, kMaxBatchWorkers));
  EXPECT_EQ(BatchWorkerCount(3), 3);
  EXPECT_EQ(BatchWorkerCount(100000), kMaxBatchWorkers);
}

// Every file under `root`, by its path below it, with its bytes.
std::map<std::string, std::string> FolderContents(const std::string& root) {
  std::map<std::string, std::string> contents;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) contents[fs::relative(entry.path(), root).string()] = test::ReadFileText(entry.path());
  }
  return contents;
}

// Workers that make items ahead change nothing a one-at-a-time run gives: names, statuses and
// reports in list order, every byte, also where an item reads what an earlier item writes.
TEST_F(BatchJobTest, ManyWorkersGiveWhatOneGives) {
  struct Run {
    std::vector<BatchItem> items;
    std::vector<std::string> observed;
    std::map<std::string, std::string> files;
  };
  auto runWith = [&](int jobs) {
    TempDir dir;
    fs::create_directory(dir.File("out"));
    // Big enough that an item read before the item it depends on is in place would show.
    test::WritePatternImage(dir.File("a.tif"), 600, 400, 1);
    test::WritePatternImage(dir.File("b.jpg"), 640, 480, 2);
    test::WritePatternImage(dir.File("c.tif"), 600, 400, 3);
    test::WritePatternImage(dir.File("d.jpg"), 64, 48, 4);
    test::WritePatternImage(dir.File("out/b.jpg"), 16, 8, 5);
    test::WriteFileText(dir.File("bad.jpg"), "not a jpeg");
    auto item = [&](const std::string& name, BatchOutputRule output = kCopy, const std::string& folder = "") {
      BatchItem made;
      made.inputFile = dir.File(name);
      made.profile = store_.IdAt(0);
      made.output = output;
      if (!folder.empty()) made.destinationFolder = dir.File(folder);
      return made;
    };
    std::vector<BatchItem> items = {
        item("a.tif"),  // a(1).tif
        item("b.jpg", kCopy, "out"),  // out/b(1).jpg: out/b.jpg is there
        item("c.tif", kOverwrite),
        item("c.tif"),  // reads the c.tif just written
        item("a.tif"),  // a(2).tif
        item("a(1).tif"),  // an earlier item's copy, converted again into a(3).tif
        item("b.jpg", kSkip, "out"),
        item("bad.jpg"),
        item("a.tif", kCopy, "missing"),
        item("d.jpg", kOverwrite),
        item("d.jpg", kCopy, "out"),
        item("a.tif", kCopy, "out"),
    };
    items[9].operation = BatchOperation::kEmbed;
    items[10].operation = BatchOperation::kEmbed;
    items[11].profile = kNoProfile;
    Run run;
    RunBatchJob(
        items, store_, 90,
        [&](int index, const BatchOutcome& outcome, int done, int pending) {
          run.observed.push_back(std::to_string(index) + " " + StatusText(outcome) + " " + std::to_string(done) + "/" +
                                 std::to_string(pending));
        },
        {}, jobs);
    run.items = items;
    run.files = FolderContents(dir.path());
    return run;
  };
  const Run one = runWith(1);
  const std::vector<std::string> statuses = Statuses(one.items);
  EXPECT_EQ(statuses[3], "Succeeded");
  EXPECT_EQ(statuses[6], "Failed (Skipped)");
  EXPECT_EQ(statuses[7], "Failed (This image file is corrupt.)");
  EXPECT_EQ(one.files.count("a(3).tif"), 1u);
  EXPECT_EQ(one.files.count("out/b(1).jpg"), 1u);
  EXPECT_EQ(one.files.size(), 12u);  // nothing staged is left behind

  for (int round = 0; round < 3; ++round) {
    const Run four = runWith(4);
    EXPECT_EQ(Statuses(four.items), statuses);
    EXPECT_EQ(four.observed, one.observed);
    ASSERT_EQ(four.files.size(), one.files.size());
    for (const auto& [name, bytes] : one.files) {
      ASSERT_EQ(four.files.count(name), 1u) << name;
      EXPECT_TRUE(four.files.at(name) == bytes) << name;
    }
  }
}

}  // namespace
}  // namespace tintara
