#include "batch/batch_item.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "base/result_codes.h"
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

using enum BatchOutputRule;
using enum BatchOperation;

std::string OutputPath(const std::string& folder, const std::string& input, BatchOutputRule rule) {
  const BatchOutputPath output = MakeBatchOutputPath(folder, input, rule);
  EXPECT_EQ(output.error, kOk) << input;
  EXPECT_EQ(output.skipped, output.path.empty()) << input;
  return output.path;
}

TEST(BatchOutputPath, NumbersCopiesAndHonoursTheRules) {
  TempDir dir;
  const std::string in = dir.File("photo.jpg");
  WriteFileText(in, "x");
  EXPECT_EQ(OutputPath("", in, kOverwrite), in);
  EXPECT_EQ(OutputPath("", in, kSkip), "");
  EXPECT_EQ(OutputPath("", in, kCopy), dir.File("photo(1).jpg"));
  WriteFileText(dir.File("photo(1).jpg"), "x");
  EXPECT_EQ(OutputPath("", in, kCopy), dir.File("photo(2).jpg"));

  // The bracket rule on names that already exist.
  struct Case {
    const char* existing;
    const char* next;
  };
  for (const Case& c : {Case{"a(1).jpg", "a(2).jpg"}, Case{"b(007).jpg", "b(8).jpg"}, Case{"c().jpg", "c(1).jpg"},
                        Case{"d(a).jpg", "d(a)(1).jpg"}, Case{"e(10000).jpg", "e(10000)(1).jpg"},
                        Case{"f(9999).jpg", "f(10000).jpg"}, Case{"noext", "noext(1)"}}) {
    WriteFileText(dir.File(c.existing), "x");
    EXPECT_EQ(OutputPath("", dir.File(c.existing), kCopy), dir.File(c.next)) << c.existing;
  }

  // A destination folder with or without its final "/". A "\\" is part of a name here: of the
  // input's, and of a folder's, which is then another folder (here one that is not there).
  TempDir out;
  for (const std::string& folder : {out.path(), out.path() + "/"}) {
    EXPECT_EQ(OutputPath(folder, in, kCopy), out.File("photo.jpg")) << folder;
  }
  EXPECT_EQ(OutputPath(out.path(), "src/a\\b.tif", kOverwrite), out.File("a\\b.tif"));
  EXPECT_EQ(OutputPath(out.path(), "bare.tif", kOverwrite), out.File("bare.tif"));
  EXPECT_EQ(MakeBatchOutputPath(out.path() + "\\", in, kCopy).error, kDestinationFolderMissing);
}

class BatchItemTest : public ::testing::Test {
 protected:
  // The item's status text: what the list and the command line show.
  std::string Process(const std::string& name, BatchOutputRule rule = kCopy, BatchOperation operation = kConvert,
                      const std::string& folder = "") {
    return StatusText(ProcessBatchItem(dir_.File(name), profile_, operation, folder, rule, 90));
  }

  ProfileRecord profile_ = test::TestProfileRecord("Brighter", "test", 2.0);  // red doubled
  TempDir dir_;
};

TEST_F(BatchItemTest, ConvertsIntoACopyAndLeavesTheInput) {
  test::WritePatternImage(dir_.File("a.tif"), 16, 8);
  test::WritePatternImage(dir_.File("IMG.JPG"), 16, 8);
  const std::string input = ReadFileText(dir_.File("a.tif"));
  EXPECT_EQ(Process("a.tif"), "Succeeded");
  EXPECT_EQ(Process("IMG.JPG"), "Succeeded");
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
  EXPECT_EQ(Process("ro.tif", kOverwrite), "Failed (Write protected file)");
  EXPECT_EQ(Process("skip.tif", kSkip), "Failed (Skipped)");
  EXPECT_EQ(Process("bad.jpg"), "Failed (This image file is corrupt.)");
  EXPECT_EQ(Process("gone.tif"), "Failed (Failed to open the image file.)");
  EXPECT_EQ(Process("img.png"), "Failed (This image type is not supported by Tintara.)");
  // A profile of another maker cannot convert: nothing is written.
  profile_ = ProfileRecord();
  SetProfileName(profile_, "Foreign");
  EXPECT_EQ(Process("skip.tif"),
            "Failed (Can not convert image with a color profile not created in Tintara.)");
  std::vector<std::string> made = {"bad.jpg", "img.png", "ro.tif", "skip.tif"};

  // Depths the reader refuses, where the tool to make them is at hand.
  const test::CommandResult deep = test::RunCommand(
      "/usr/bin/convert", {"-size", "8x8", "xc:red", "-depth", "16", "-compress", "lzw", dir_.File("deep.tif")});
  const test::CommandResult five =
      test::RunCommand("/usr/bin/convert", {"-size", "8x8", "xc:red", "-colorspace", "CMYK", "-alpha", "on", "-depth",
                                            "8", "-compress", "none", dir_.File("five.tif")});
  const std::string depth = "This image has a colordepth that is not supported by this application.";
  if (deep.exitCode == 0) {
    EXPECT_EQ(Process("deep.tif"), "Failed (" + depth + ")");
    made.push_back("deep.tif");
  }
  if (five.exitCode == 0) {
    EXPECT_EQ(Process("five.tif"), "Failed (" + depth + ")");
    made.push_back("five.tif");
  }
  std::sort(made.begin(), made.end());
  EXPECT_EQ(FolderEntries(dir_.path()), made);  // no output, no temporary file
  EXPECT_EQ(ReadFileText(dir_.File("ro.tif")), before);
}

// What is not a file, and names at the file system's limit, fail with their own reasons and
// nothing else: no wait on a FIFO, no endless numbering, no temporary file left.
TEST_F(BatchItemTest, InputsThatAreNotFilesAndNamesThatCannotBeMadeFailWithTheirReasons) {
  ASSERT_EQ(mkfifo(dir_.File("fifo.tif").c_str(), 0600), 0);
  fs::create_directory(dir_.File("folder.tif"));
  EXPECT_EQ(Process("fifo.tif"), "Failed (Failed to open the image file.)");
  EXPECT_EQ(Process("folder.tif"), "Failed (The image file is a folder.)");

  const std::string stem251(247, 'n'), stem253(249, 'm');  // names of 251 and 253 bytes
  test::WritePatternImage(dir_.File(stem251 + ".tif"), 8, 8);
  test::WritePatternImage(dir_.File(stem253 + ".tif"), 8, 8);
  EXPECT_EQ(Process(stem251 + ".tif"), "Succeeded");  // its copy's name has 254 bytes
  EXPECT_TRUE(fs::is_regular_file(dir_.File(stem251 + "(1).tif")));
  EXPECT_EQ(Process(stem253 + ".tif"), "Failed (The name of the output file is too long.)");
  // The destination is checked under every rule, rather than failing later as a write.
  const std::string input = stem251 + ".tif";
  for (BatchOutputRule rule : {kCopy, kSkip, kOverwrite}) {
    EXPECT_EQ(Process(input, rule, kConvert, dir_.File("none")), "Failed (The destination folder does not exist.)")
        << OutputRuleText(rule);
    EXPECT_EQ(Process(input, rule, kConvert, dir_.File("fifo.tif/sub")), "Failed (The destination is not a folder.)")
        << OutputRuleText(rule);
  }
  EXPECT_EQ(MakeBatchOutputPath(dir_.File("fifo.tif"), input, kCopy).error, kDestinationNotAFolder);
  // A folder this user may not look into (root may look into any).
  fs::create_directory(dir_.File("closed"));
  fs::permissions(dir_.File("closed"), fs::perms::owner_read | fs::perms::owner_write);
  if (geteuid() != 0) {
    EXPECT_EQ(Process(input, kCopy, kConvert, dir_.File("closed")),
              "Failed (Access to the destination folder is denied.)");
  }
  fs::permissions(dir_.File("closed"), fs::perms::owner_all);
  EXPECT_EQ(FolderEntries(dir_.path()), (std::vector<std::string>{"closed", "fifo.tif", "folder.tif", stem253 + ".tif",
                                                                   stem251 + "(1).tif", stem251 + ".tif"}));
}

TEST_F(BatchItemTest, CopiesNeverReplaceAFileAndABackslashIsPartOfTheName) {
  test::WritePatternImage(dir_.File("a.tif"), 8, 8);
  fs::create_directory(dir_.File("out"));
  // A name that seems free to the check but is taken when the copy is put in place, as when another
  // run writes into the same folder: a link to nothing is such a name. The copy takes the next one.
  ASSERT_EQ(symlink("nowhere", dir_.File("a(1).tif").c_str()), 0);
  ASSERT_EQ(symlink("nowhere", dir_.File("out/a.tif").c_str()), 0);
  EXPECT_EQ(Process("a.tif"), "Succeeded");
  EXPECT_TRUE(fs::is_symlink(dir_.File("a(1).tif")));
  EXPECT_TRUE(fs::is_regular_file(dir_.File("a(2).tif")));
  EXPECT_EQ(Process("a.tif", kSkip, kConvert, dir_.File("out")), "Failed (Skipped)");
  EXPECT_TRUE(fs::is_symlink(dir_.File("out/a.tif")));

  // The input a\b.tif writes out/a\b.tif and leaves out/b.tif, an unrelated file, alone.
  test::WritePatternImage(dir_.File("a\\b.tif"), 8, 8);
  WriteFileText(dir_.File("out/b.tif"), "unrelated");
  EXPECT_EQ(Process("a\\b.tif", kOverwrite, kConvert, dir_.File("out")), "Succeeded");
  EXPECT_EQ(ReadFileText(dir_.File("out/b.tif")), "unrelated");
  EXPECT_EQ(FolderEntries(dir_.File("out")), (std::vector<std::string>{"a.tif", "a\\b.tif", "b.tif"}));
  EXPECT_EQ(FolderEntries(dir_.path()), (std::vector<std::string>{"a(1).tif", "a(2).tif", "a.tif", "a\\b.tif", "out"}));
}

TEST_F(BatchItemTest, OverwriteReplacesTheInputOnlyWithACompleteFile) {
  test::WritePatternImage(dir_.File("in.tif"), 16, 8);
  const std::string original = ReadFileText(dir_.File("in.tif"));
  // A file-size limit below the image's size makes the write fail part way, as a full disk would.
  {
    const test::FileSizeLimit limit(200);
    EXPECT_EQ(Process("in.tif", kOverwrite),
              "Failed (There were errors while writing the image to storage.)");
  }
  EXPECT_EQ(ReadFileText(dir_.File("in.tif")), original);
  EXPECT_EQ(FolderEntries(dir_.path()), std::vector<std::string>{"in.tif"});

  // Without the limit the input itself is replaced by its conversion.
  EXPECT_EQ(Process("in.tif", kOverwrite), "Succeeded");
  EXPECT_NE(ReadFileText(dir_.File("in.tif")), original);
  EXPECT_EQ(FolderEntries(dir_.path()), std::vector<std::string>{"in.tif"});
}

TEST_F(BatchItemTest, EmbedWritesThePixelsUnchangedWithTheProfile) {
  test::WritePatternImage(dir_.File("e.tif"), 16, 8);
  fs::create_directory(dir_.File("out"));
  ASSERT_EQ(Process("e.tif", kCopy, kEmbed, dir_.File("out")), "Succeeded");
  ImageBuffer in, out;
  ImageReadInfo info;
  ASSERT_EQ(ReadImageFile(dir_.File("e.tif"), in), 0);
  ASSERT_EQ(ReadImageFile(dir_.File("out/e.tif"), out, &info), 0);
  EXPECT_EQ(test::PixelBytes(out), test::PixelBytes(in));
  EXPECT_EQ(info.iccProfile, profile_.bytes);
}

// Overwritten by its first page alone, a file of several pages would lose the others; a copy of
// that page leaves the file as it was.
TEST_F(BatchItemTest, AFileOfSeveralPagesIsNotOverwrittenByOne) {
  test::WritePatternImage(dir_.File("page.tif"), 16, 8);
  const std::string page = dir_.File("page.tif");
  const test::CommandResult joined = test::RunCommand(test::FindTool("tiffcp"), {page, page, dir_.File("pages.tif")});
  if (joined.exitCode != 0) GTEST_SKIP() << "tiffcp is not installed";
  const std::string before = ReadFileText(dir_.File("pages.tif"));
  const std::string reason =
      "The image file holds several images; replacing it with the result would lose all but the first.";
  EXPECT_EQ(Process("pages.tif", kOverwrite), "Failed (" + reason + ")");
  EXPECT_EQ(Process("pages.tif", kOverwrite, kEmbed), "Failed (" + reason + ")");
  EXPECT_EQ(ReadFileText(dir_.File("pages.tif")), before);
  EXPECT_EQ(Process("pages.tif"), "Succeeded");
  EXPECT_TRUE(fs::exists(dir_.File("pages(1).tif")));
}

}  // namespace
}  // namespace tintara
