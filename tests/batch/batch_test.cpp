#include "batch/batch_job.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "engine/icc_profile.h"
#include "image/image_file.h"
#include "profiles/profile_file.h"
#include "support/run_command.h"
#include "support/test_environment.h"

namespace tintara {
namespace {

using test::ReadFileText;
using test::TempDir;
using test::WriteFileText;
namespace fs = std::filesystem;

TEST(BatchOutputPath, NumbersCopiesAndHonoursTheRules) {
  TempDir dir;
  const std::string in = dir.File("photo.jpg");
  WriteFileText(in, "x");
  EXPECT_EQ(MakeBatchOutputPath("", in, "Overwrite"), in);
  EXPECT_EQ(MakeBatchOutputPath("", in, "Skip"), "");
  EXPECT_EQ(MakeBatchOutputPath("", in, "Copy"), dir.File("photo(1).jpg"));
  WriteFileText(dir.File("photo(1).jpg"), "x");
  EXPECT_EQ(MakeBatchOutputPath("", in, "Copy"), dir.File("photo(2).jpg"));

  // The bracket rule on names that already exist.
  struct Case {
    const char* existing;
    const char* next;
  };
  for (const Case& c : {Case{"a(1).jpg", "a(2).jpg"}, Case{"b(007).jpg", "b(8).jpg"}, Case{"c().jpg", "c(1).jpg"},
                        Case{"d(a).jpg", "d(a)(1).jpg"}, Case{"e(10000).jpg", "e(10000)(1).jpg"},
                        Case{"f(9999).jpg", "f(10000).jpg"}, Case{"noext", "noext(1)"}}) {
    WriteFileText(dir.File(c.existing), "x");
    EXPECT_EQ(MakeBatchOutputPath("", dir.File(c.existing), "Copy"), dir.File(c.next)) << c.existing;
  }

  // A destination folder with or without its final separator, of either kind.
  TempDir out;
  for (const std::string& folder : {out.path(), out.path() + "/", out.path() + "\\"}) {
    const std::string expected = folder.back() == '\\' ? folder + "photo.jpg" : out.File("photo.jpg");
    EXPECT_EQ(MakeBatchOutputPath(folder, in, "Copy"), expected) << folder;
  }
  EXPECT_EQ(MakeBatchOutputPath("D:\\out", "C:\\in\\photo.tif", "Overwrite"), "D:\\out\\photo.tif");
  EXPECT_EQ(MakeBatchOutputPath("D:\\out\\", "C:\\in\\photo.tif", "Overwrite"), "D:\\out\\photo.tif");
  EXPECT_EQ(MakeBatchOutputPath(out.path(), "bare.tif", "Overwrite"), out.File("bare.tif"));
}

class BatchRun : public ::testing::Test {
 protected:
  void SetUp() override {
    EngineContext ctx;
    for (int ch = 0; ch < 3; ++ch) {
      for (int j = 0; j < 256; ++j) ctx.baseCurves[ch][j] = ctx.gammaCurves[ch][j] = std::min(1.0, j / 200.0);
    }
    ctx.matrixA[0] = ctx.matrixA[4] = ctx.matrixA[8] = 1.0;
    const std::vector<uint8_t> bytes = WriteProfileBytes(ctx);
    ProfileRecord r;
    SetProfileBytes(r, bytes.data(), int64_t(bytes.size()));
    SetProfileName(r, "Brighter");
    SetProfileDescription(r, "test");
    store_.AddOrReplaceProfile(r);
  }

  void WritePhoto(const std::string& path) {
    ImageBuffer image;
    ASSERT_EQ(image.Allocate(16, 8), 0);
    for (uint32_t i = 0; i < image.byteSize(); ++i) image.pixels()[i] = uint8_t(i);
    ASSERT_EQ(WriteImageFile(path, ImageFormatOf(path), image, {}, 90), 0);
  }

  BatchItem Item(const std::string& path, const std::string& output = "Copy") {
    BatchItem item;
    item.inputFile = path;
    item.profile = "Brighter (test)";
    item.output = output;
    return item;
  }

  std::vector<BatchItem> Run(std::vector<BatchItem> items) {
    observed_.clear();
    RunBatchJob(items, store_, 90, [&](int index, const std::string& status, int done, int pending) {
      observed_.push_back(std::to_string(index) + " " + status + " " + std::to_string(done) + "/" +
                          std::to_string(pending));
    });
    return items;
  }

  ProfileStore store_;
  std::vector<std::string> observed_;
  TempDir dir_;
};

TEST_F(BatchRun, ConvertsCopiesAndReportsEveryStep) {
  WritePhoto(dir_.File("a.tif"));
  WritePhoto(dir_.File("IMG.JPG"));
  WriteFileText(dir_.File("img.png"), "png");
  std::vector<BatchItem> items = Run({Item(dir_.File("a.tif")), Item(dir_.File("IMG.JPG")), Item(dir_.File("img.png"))});
  EXPECT_EQ(items[0].status, "Succeeded");
  EXPECT_EQ(items[1].status, "Succeeded");
  EXPECT_EQ(items[2].status, "Failed (This image type is not supported by Tintara.)");
  const std::vector<std::string> expected = {"0 Processing... 0/3", "0 Succeeded 1/3", "1 Processing... 1/3",
                                             "1 Succeeded 2/3",     "2 Processing... 2/3",
                                             "2 Failed (This image type is not supported by Tintara.) 3/3"};
  EXPECT_EQ(observed_, expected);
  EXPECT_TRUE(fs::exists(dir_.File("a(1).tif")));
  EXPECT_TRUE(fs::exists(dir_.File("IMG(1).JPG")));

  // The converted pixels went through the profile; the output carries no profile.
  ImageBuffer out;
  ImageReadInfo info;
  ASSERT_EQ(ReadImageFile(dir_.File("a(1).tif"), out, &info), 0);
  EXPECT_EQ(out.pixels()[100], std::min(255, int(100 * 255 / 200.0 + 0.5)));
  EXPECT_TRUE(info.iccProfile.empty());

  // A second run leaves the succeeded items alone and retries the failed one.
  items = Run(items);
  EXPECT_EQ(observed_.size(), 2u);
  EXPECT_FALSE(fs::exists(dir_.File("a(2).tif")));
  // After a full success nothing is processed at all.
  items.pop_back();
  items = Run(items);
  EXPECT_TRUE(observed_.empty());

  // A changed item (status emptied) copies again, under the next free name.
  items[0].status.clear();
  items = Run(items);
  EXPECT_TRUE(fs::exists(dir_.File("a(2).tif")));
}

TEST_F(BatchRun, RefusalsKeepEveryFileAsItWas) {
  WritePhoto(dir_.File("ro.tif"));
  fs::permissions(dir_.File("ro.tif"), fs::perms::owner_write, fs::perm_options::remove);
  const std::string before = ReadFileText(dir_.File("ro.tif"));
  WritePhoto(dir_.File("skip.tif"));
  WriteFileText(dir_.File("bad.jpg"), "not a jpeg");
  const test::CommandResult deep = test::RunCommand("/usr/bin/convert", {"-size", "8x8", "xc:red", "-depth", "16",
                                                                   "-compress", "lzw", dir_.File("deep.tif")});
  const test::CommandResult five = test::RunCommand("/usr/bin/convert", {"-size", "8x8", "xc:red", "-colorspace", "CMYK",
                                                                   "-alpha", "on", "-depth", "8", "-compress", "none",
                                                                   dir_.File("five.tif")});
  std::vector<BatchItem> items = {Item(dir_.File("ro.tif"), "Overwrite"), Item(dir_.File("skip.tif"), "Skip"),
                                  Item(dir_.File("bad.jpg")), Item(dir_.File("gone.tif"))};
  if (deep.exitCode == 0) items.push_back(Item(dir_.File("deep.tif")));
  if (five.exitCode == 0) items.push_back(Item(dir_.File("five.tif")));
  BatchItem foreign = Item(dir_.File("skip.tif"));
  foreign.profile = "Nobody (none)";
  items.push_back(foreign);
  items = Run(items);
  EXPECT_EQ(items[0].status, "Failed (Write protected file)");
  EXPECT_EQ(items[1].status, "Failed (Skipped)");
  EXPECT_EQ(items[2].status, "Failed (This image file is corrupt.)");
  EXPECT_EQ(items[3].status, "Failed (Failed to open the image file.)");
  size_t next = 4;
  if (deep.exitCode == 0) {
    EXPECT_EQ(items[next++].status, "Failed (This image has a colordepth that is not supported by this application.)");
  }
  if (five.exitCode == 0) {
    EXPECT_EQ(items[next++].status, "Failed (This image has a colordepth that is not supported by this application.)");
  }
  EXPECT_EQ(items[next].status, "Failed (There were errors loading the color profile.)");
  EXPECT_EQ(ReadFileText(dir_.File("ro.tif")), before);
}

TEST_F(BatchRun, OverwriteReplacesTheInputOnlyWithACompleteFile) {
  WritePhoto(dir_.File("in.tif"));
  const std::string original = ReadFileText(dir_.File("in.tif"));
  // A file-size limit below the image's size makes the write fail part way, as a full disk would.
  std::vector<BatchItem> items;
  {
    const test::FileSizeLimit limit(200);
    items = Run({Item(dir_.File("in.tif"), "Overwrite")});
  }
  EXPECT_EQ(items[0].status, "Failed (There were errors while writing the image to storage.)");
  EXPECT_EQ(ReadFileText(dir_.File("in.tif")), original);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 1);

  // Without the limit the input itself is replaced by its conversion.
  items = Run({Item(dir_.File("in.tif"), "Overwrite")});
  EXPECT_EQ(items[0].status, "Succeeded");
  EXPECT_NE(ReadFileText(dir_.File("in.tif")), original);
}

TEST_F(BatchRun, EmbedWritesThePixelsUnchangedWithTheProfile) {
  WritePhoto(dir_.File("e.tif"));
  BatchItem item = Item(dir_.File("e.tif"));
  item.operation = "Embed";
  item.destinationFolder = dir_.File("out");
  fs::create_directory(dir_.File("out"));
  std::vector<BatchItem> items = Run({item});
  ASSERT_EQ(items[0].status, "Succeeded");
  ImageBuffer in, out;
  ImageReadInfo info;
  ASSERT_EQ(ReadImageFile(dir_.File("e.tif"), in), 0);
  ASSERT_EQ(ReadImageFile(dir_.File("out/e.tif"), out, &info), 0);
  EXPECT_EQ(std::memcmp(in.pixels(), out.pixels(), in.byteSize()), 0);
  EXPECT_EQ(info.iccProfile, store_.At(0).bytes);
}

}  // namespace
}  // namespace tintara
