#include "batch/batch_item.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "image/image_file.h"
#include "support/file_size_limit.h"
#include "support/run_command.h"
#include "support/test_images.h"
#include "support/test_profiles.h"

namespace tintara {
namespace {

using test::FolderEntries;
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

class BatchItemTest : public ::testing::Test {
 protected:
  std::string Process(const std::string& name, const std::string& rule = "Copy", bool convert = true,
                      const std::string& folder = "") {
    return ProcessBatchItem(dir_.File(name), profile_, convert, folder, rule, 90);
  }

  ProfileRecord profile_ = test::TestProfileRecord("Brighter", "test", 2.0);  // red doubled
  TempDir dir_;
};

TEST_F(BatchItemTest, ConvertsIntoACopyAndLeavesTheInput) {
  test::WritePatternImage(dir_.File("a.tif"), 16, 8);
  test::WritePatternImage(dir_.File("IMG.JPG"), 16, 8);
  const std::string input = ReadFileText(dir_.File("a.tif"));
  EXPECT_EQ(Process("a.tif"), "");
  EXPECT_EQ(Process("IMG.JPG"), "");
  EXPECT_EQ(ReadFileText(dir_.File("a.tif")), input);

  ImageBuffer in, out;
  ImageReadInfo info;
  ASSERT_EQ(ReadImageFile(dir_.File("a.tif"), in), 0);
  ASSERT_EQ(ReadImageFile(dir_.File("a(1).tif"), out, &info), 0);
  EXPECT_EQ(test::PixelBytes(out), test::TestProfilePixels(test::PixelBytes(in), 2.0));
  EXPECT_TRUE(info.iccProfile.empty());  // a conversion carries no profile
  // The copy keeps the input's format.
  ASSERT_EQ(ReadImageFile(dir_.File("IMG(1).JPG"), out), 0);
  EXPECT_EQ(out.width(), 16);
}

TEST_F(BatchItemTest, RefusalsKeepEveryFileAsItWas) {
  test::WritePatternImage(dir_.File("ro.tif"), 8, 8);
  fs::permissions(dir_.File("ro.tif"), fs::perms::owner_write, fs::perm_options::remove);
  const std::string before = ReadFileText(dir_.File("ro.tif"));
  test::WritePatternImage(dir_.File("skip.tif"), 8, 8);
  WriteFileText(dir_.File("bad.jpg"), "not a jpeg");
  WriteFileText(dir_.File("img.png"), "png");
  EXPECT_EQ(Process("ro.tif", "Overwrite"), "Write protected file");
  EXPECT_EQ(Process("skip.tif", "Skip"), "Skipped");
  EXPECT_EQ(Process("bad.jpg"), "This image file is corrupt.");
  EXPECT_EQ(Process("gone.tif"), "Failed to open the image file.");
  EXPECT_EQ(Process("img.png"), "This image type is not supported by Tintara.");
  // A profile of another maker cannot convert: nothing is written.
  profile_ = ProfileRecord();
  SetProfileName(profile_, "Foreign");
  EXPECT_EQ(Process("skip.tif"), "Can not convert image with a color profile not created in Tintara.");
  std::vector<std::string> made = {"bad.jpg", "img.png", "ro.tif", "skip.tif"};

  // Depths the reader refuses, where the tool to make them is at hand.
  const test::CommandResult deep = test::RunCommand(
      "/usr/bin/convert", {"-size", "8x8", "xc:red", "-depth", "16", "-compress", "lzw", dir_.File("deep.tif")});
  const test::CommandResult five =
      test::RunCommand("/usr/bin/convert", {"-size", "8x8", "xc:red", "-colorspace", "CMYK", "-alpha", "on", "-depth",
                                            "8", "-compress", "none", dir_.File("five.tif")});
  const std::string depth = "This image has a colordepth that is not supported by this application.";
  if (deep.exitCode == 0) {
    EXPECT_EQ(Process("deep.tif"), depth);
    made.push_back("deep.tif");
  }
  if (five.exitCode == 0) {
    EXPECT_EQ(Process("five.tif"), depth);
    made.push_back("five.tif");
  }
  std::sort(made.begin(), made.end());
  EXPECT_EQ(FolderEntries(dir_.path()), made);  // no output, no temporary file
  EXPECT_EQ(ReadFileText(dir_.File("ro.tif")), before);
}

TEST_F(BatchItemTest, OverwriteReplacesTheInputOnlyWithACompleteFile) {
  test::WritePatternImage(dir_.File("in.tif"), 16, 8);
  const std::string original = ReadFileText(dir_.File("in.tif"));
  // A file-size limit below the image's size makes the write fail part way, as a full disk would.
  {
    const test::FileSizeLimit limit(200);
    EXPECT_EQ(Process("in.tif", "Overwrite"), "There were errors while writing the image to storage.");
  }
  EXPECT_EQ(ReadFileText(dir_.File("in.tif")), original);
  EXPECT_EQ(FolderEntries(dir_.path()), std::vector<std::string>{"in.tif"});

  // Without the limit the input itself is replaced by its conversion.
  EXPECT_EQ(Process("in.tif", "Overwrite"), "");
  EXPECT_NE(ReadFileText(dir_.File("in.tif")), original);
  EXPECT_EQ(FolderEntries(dir_.path()), std::vector<std::string>{"in.tif"});
}

TEST_F(BatchItemTest, EmbedWritesThePixelsUnchangedWithTheProfile) {
  test::WritePatternImage(dir_.File("e.tif"), 16, 8);
  fs::create_directory(dir_.File("out"));
  ASSERT_EQ(Process("e.tif", "Copy", false, dir_.File("out")), "");
  ImageBuffer in, out;
  ImageReadInfo info;
  ASSERT_EQ(ReadImageFile(dir_.File("e.tif"), in), 0);
  ASSERT_EQ(ReadImageFile(dir_.File("out/e.tif"), out, &info), 0);
  EXPECT_EQ(test::PixelBytes(out), test::PixelBytes(in));
  EXPECT_EQ(info.iccProfile, profile_.bytes);
}

}  // namespace
}  // namespace tintara
