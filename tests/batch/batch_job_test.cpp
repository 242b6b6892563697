#include "batch/batch_job.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "image/image_file.h"
#include "support/run_command.h"
#include "support/test_images.h"
#include "support/test_profiles.h"

namespace tintara {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

class BatchJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store_.AddOrReplaceProfile(test::TestProfileRecord("Brighter", "test", 2.0));  // red doubled
    store_.AddOrReplaceProfile(test::TestProfileRecord("Plain", ""));
  }

  BatchItem Item(const std::string& name, const std::string& profile = "Brighter (test)") {
    BatchItem item;
    item.inputFile = dir_.File(name);
    item.profile = profile;
    return item;
  }

  std::vector<BatchItem> Run(std::vector<BatchItem> items) {
    observed_.clear();
    pending_ = RunBatchJob(items, store_, 90, [&](int index, const std::string& status, int done, int pending) {
      observed_.push_back(std::to_string(index) + " " + status + " " + std::to_string(done) + "/" +
                          std::to_string(pending));
    });
    return items;
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
  EXPECT_EQ(items[0].status, "Succeeded");
  EXPECT_EQ(items[1].status, "Succeeded");
  EXPECT_EQ(items[2].status, "Failed (This image type is not supported by Tintara.)");
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

  // A changed item (status emptied) copies again, under the next free name.
  items[0].status.clear();
  items = Run(items);
  EXPECT_TRUE(fs::exists(dir_.File("a(2).tif")));
}

TEST_F(BatchJobTest, EachItemTakesItsOwnProfileOperationAndFolder) {
  test::WritePatternImage(dir_.File("a.tif"), 16, 8);
  fs::create_directory(dir_.File("out"));
  BatchItem embed = Item("a.tif", "Plain");
  embed.operation = "Embed";
  embed.destinationFolder = dir_.File("out");
  // A profile is found by its whole list text; one that has left the store fails its item alone.
  const std::vector<BatchItem> items =
      Run({Item("a.tif"), embed, Item("a.tif", "Brighter"), Item("a.tif", "Nobody (none)")});
  EXPECT_EQ(items[0].status, "Succeeded");
  EXPECT_EQ(items[1].status, "Succeeded");
  EXPECT_EQ(items[2].status, "Failed (There were errors loading the color profile.)");
  EXPECT_EQ(items[3].status, items[2].status);
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
  items[2].status = "Failed (old)";
  int asked = 0;
  // The stop arrives while the first item runs: that item still ends, the others are not started.
  EXPECT_EQ(RunBatchJob(items, store_, 90, {}, [&] { return ++asked > 1; }), 3);
  EXPECT_EQ(items[0].status, "Succeeded");
  EXPECT_EQ(items[1].status, "");
  EXPECT_EQ(items[2].status, "");
  EXPECT_FALSE(fs::exists(dir_.File("a(2).tif")));

  items = Run(items);
  EXPECT_EQ(pending_, 2);
  EXPECT_EQ(items[1].status, "Succeeded");
  EXPECT_EQ(items[2].status, "Succeeded");
  EXPECT_TRUE(fs::exists(dir_.File("a(3).tif")));
}

}  // namespace
}  // namespace tintara
