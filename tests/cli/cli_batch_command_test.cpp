// tintara-cli batch: one line per item, and an exit status a script can act on.
#include <gtest/gtest.h>

#include <filesystem>

#include "image/image_file.h"
#include "support/run_command.h"
#include "support/test_images.h"

namespace tintara::test {
namespace {

const std::string kSamples = std::string(TINTARA_SOURCE_DIR) + "/data/sample-measurement.json";

void WritePhoto(const std::string& path) { test::WritePatternImage(path, 20, 10); }

TEST(CliBatch, ReportsEachItemAndExitsByTheOutcome) {
  TempDir dir;
  const std::string profile = dir.File("cam.tnp");
  ASSERT_EQ(RunCli({"fit", "--samples", kSamples, "--reference", "#0", "-o", profile}).exitCode, 0);
  WritePhoto(dir.File("a.tif"));
  WritePhoto(dir.File("b.jpg"));
  std::filesystem::create_directory(dir.File("out"));

  const CommandResult ok = RunCli({"batch", "--profile", profile, "--dest", dir.File("out"), dir.File("a.tif"),
                                   dir.File("b.jpg")});
  EXPECT_EQ(ok.exitCode, 0) << ok.err;
  EXPECT_EQ(ok.out, "Succeeded\t" + dir.File("a.tif") + "\nSucceeded\t" + dir.File("b.jpg") + "\n");
  EXPECT_TRUE(std::filesystem::exists(dir.File("out/a.tif")));

  // Skip on the outputs that now exist, and an unsupported file: every item fails, exit 1.
  const CommandResult skipped = RunCli({"batch", "--profile", profile, "--dest", dir.File("out"), "--output", "Skip",
                                        dir.File("a.tif"), dir.File("c.png")});
  EXPECT_EQ(skipped.exitCode, 1);
  EXPECT_EQ(skipped.out, "Failed (Skipped)\t" + dir.File("a.tif") +
                             "\nFailed (Failed to open the image file.)\t" + dir.File("c.png") + "\n");

  // Embedding into a copy beside the source.
  const CommandResult embed = RunCli({"batch", "--profile", profile, "--embed", dir.File("a.tif")});
  EXPECT_EQ(embed.exitCode, 0) << embed.err;
  ImageBuffer image;
  ImageReadInfo info;
  ASSERT_EQ(ReadImageFile(dir.File("a(1).tif"), image, &info), 0);
  EXPECT_EQ(info.iccProfile.size(), 5264u);

  EXPECT_EQ(RunCli({"batch", "--profile", dir.File("none.tnp"), dir.File("a.tif")}).exitCode, 2);
  EXPECT_EQ(RunCli({"batch", "--profile", profile}).exitCode, 64);
  EXPECT_EQ(RunCli({"batch", "--profile", profile, "--output", "Replace", dir.File("a.tif")}).exitCode, 64);
  EXPECT_EQ(RunCli({"batch", "--profile", profile, "--output", "skip", dir.File("a.tif")}).exitCode, 64);
}

// File names are UTF-8 from end to end: read, named for the copy and printed unchanged, with a
// profile whose name and description are not ASCII either (the items find it by that text).
TEST(CliBatch, Utf8FileNamesAndProfileTextsPassUnchanged) {
  TempDir dir;
  const std::string profile = dir.File("\xC3\x89t\xC3\xA9.tnp");
  ASSERT_EQ(RunCli({"fit", "--samples", kSamples, "--reference", "#0", "--description", "Caf\xC3\xA9 180\xC2\xB0",
                    "-o", profile})
                .exitCode,
            0);
  const std::string input = dir.File("\xC3\x84pfel 180\xC2\xB0 \xE2\x84\xA6.jpg");
  WritePhoto(input);
  const CommandResult run = RunCli({"batch", "--profile", profile, input});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "Succeeded\t" + input + "\n");
  EXPECT_TRUE(std::filesystem::exists(dir.File("\xC3\x84pfel 180\xC2\xB0 \xE2\x84\xA6(1).jpg")));
}

}  // namespace
}  // namespace tintara::test
