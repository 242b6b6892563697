// tintara-cli convert and embed on real files.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "image/image_conversion.h"
#include "image/image_file.h"
#include "profiles/profile_file.h"
#include "support/run_command.h"
#include "support/test_images.h"

namespace tintara::test {
namespace {

const std::string kSamples = std::string(TINTARA_SOURCE_DIR) + "/data/sample-measurement.json";

// A small photograph with every channel varying, written by the program's own writer.
void WritePhoto(const std::string& path, int width = 37, int height = 23) {
  test::WritePatternImage(path, width, height);
}

class CliImage : public ::testing::Test {
 protected:
  void SetUp() override {
    profile_ = dir_.File("camera.tnp");
    const CommandResult fit = RunCli({"fit", "--samples", kSamples, "--reference", "#0", "-o", profile_});
    ASSERT_EQ(fit.exitCode, 0) << fit.err;
  }
  TempDir dir_;
  std::string profile_;
};

TEST_F(CliImage, ConvertGivesThePixelsOfTheProfileTransformWithoutAProfile) {
  WritePhoto(dir_.File("in.tif"));
  for (const std::string out : {"out.tif", "OUT.TIFF"}) {
    const CommandResult r = RunCli({"convert", "--profile", profile_, dir_.File("in.tif"), dir_.File(out)});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ImageBuffer expected;
    ASSERT_EQ(ReadImageFile(dir_.File("in.tif"), expected), 0);
    ProfileRecord record;
    ASSERT_TRUE(ReadProfileFile(profile_, record).ok());
    ASSERT_EQ(ConvertWithProfile(expected, record), 0);
    ImageBuffer actual;
    ImageReadInfo info;
    ASSERT_EQ(ReadImageFile(dir_.File(out), actual, &info), 0);
    ASSERT_EQ(actual.byteSize(), expected.byteSize());
    EXPECT_EQ(std::memcmp(actual.pixels(), expected.pixels(), actual.byteSize()), 0);
    EXPECT_TRUE(info.iccProfile.empty());
  }
  // JPEG in, TIFF out: the format follows the output's extension.
  WritePhoto(dir_.File("in.jpg"));
  const CommandResult r = RunCli({"convert", "--profile", profile_, dir_.File("in.jpg"), dir_.File("fromjpeg.tif"),
                                  "--quality", "80"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  ImageBuffer converted;
  EXPECT_EQ(ReadImageFile(dir_.File("fromjpeg.tif"), converted), 0);
  EXPECT_EQ(converted.width(), 37);
}

TEST_F(CliImage, EmbedKeepsThePixelsAndCarriesTheProfileBytes) {
  const std::string profileBytes = ReadFileText(profile_);
  WritePhoto(dir_.File("in.tif"));
  WritePhoto(dir_.File("in.jpg"));
  for (const std::string name : {"in.tif", "in.jpg"}) {
    const std::string out = dir_.File("embedded-" + name);
    const CommandResult r = RunCli({"embed", "--profile", profile_, dir_.File(name), out});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ImageBuffer original, embedded;
    ImageReadInfo info;
    ASSERT_EQ(ReadImageFile(dir_.File(name), original), 0);
    ASSERT_EQ(ReadImageFile(out, embedded, &info), 0);
    EXPECT_EQ(std::string(info.iccProfile.begin(), info.iccProfile.end()), profileBytes) << name;
    // The JPEG too: its compressed data is kept, not encoded again at some quality.
    ASSERT_EQ(original.byteSize(), embedded.byteSize()) << name;
    EXPECT_EQ(std::memcmp(original.pixels(), embedded.pixels(), original.byteSize()), 0) << name;
  }
  // Embedding takes any ICC profile, even one this program could not convert with, but nothing else.
  std::string foreign(132, '\0');
  foreign[3] = char(132);
  foreign.replace(36, 4, "acsp");
  WriteFileText(dir_.File("foreign.icc"), foreign);
  EXPECT_EQ(RunCli({"embed", "--profile", dir_.File("foreign.icc"), dir_.File("in.tif"), dir_.File("f.tif")}).exitCode, 0);
  for (const std::string notProfile : {"in.jpg", "q.icc"}) {
    WriteFileText(dir_.File("q.icc"), std::string(700, 'q'));
    const CommandResult r = RunCli({"embed", "--profile", dir_.File(notProfile), dir_.File("in.jpg"), dir_.File("g.jpg")});
    EXPECT_EQ(r.exitCode, 2) << notProfile;
    EXPECT_NE(r.err.find("The file is not an ICC color profile. (" + dir_.File(notProfile)), std::string::npos) << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir_.File("g.jpg")));
}

TEST_F(CliImage, FailuresGiveTheSystemsMessageAndWriteNothing) {
  WritePhoto(dir_.File("in.tif"));
  WriteFileText(dir_.File("garbage.jpg"), "not a jpeg at all");
  WriteFileText(dir_.File("foreign.tnp"), std::string(700, 'q'));
  WriteFileText(dir_.File("keep.tif"), "an older file");
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"convert", "--profile", profile_, dir_.File("in.png"), dir_.File("keep.tif")},
       "This image type is not supported by Tintara."},
      {{"convert", "--profile", profile_, dir_.File("in.tif"), dir_.File("out.png")},
       "This image type is not supported by Tintara."},
      {{"convert", "--profile", profile_, dir_.File("garbage.jpg"), dir_.File("keep.tif")}, "This image file is corrupt."},
      {{"convert", "--profile", profile_, dir_.File("missing.tif"), dir_.File("keep.tif")}, "This image file is corrupt."},
      {{"convert", "--profile", dir_.File("foreign.tnp"), dir_.File("in.tif"), dir_.File("keep.tif")},
       "Can not convert image with a color profile not created in Tintara."},
      {{"convert", "--profile", dir_.File("none.tnp"), dir_.File("in.tif"), dir_.File("keep.tif")},
       "There were errors loading the color profile."},
      {{"convert", "--profile", profile_, dir_.File("in.tif"), dir_.File("no-folder/out.tif")},
       "There were errors while writing the image to storage."},
  };
  for (const Case& c : cases) {
    const CommandResult r = RunCli(c.args);
    EXPECT_EQ(r.exitCode, 2) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  EXPECT_EQ(ReadFileText(dir_.File("keep.tif")), "an older file");
  EXPECT_FALSE(std::filesystem::exists(dir_.File("out.png")));

  const CommandResult lzw = RunCommand("/usr/bin/tiffcp", {"-c", "lzw", dir_.File("in.tif"), dir_.File("lzw.tif")});
  if (lzw.exitCode == 0) {
    const CommandResult r = RunCli({"convert", "--profile", profile_, dir_.File("lzw.tif"), dir_.File("keep.tif")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("This application can not read compressed TIFF images."), std::string::npos);
  }
  EXPECT_EQ(ReadFileText(dir_.File("keep.tif")), "an older file");

  EXPECT_EQ(RunCli({"convert", dir_.File("in.tif"), dir_.File("o.tif")}).exitCode, 64);
  EXPECT_EQ(RunCli({"convert", "--profile", profile_, dir_.File("in.tif"), dir_.File("o.tif"), "--quality", "0"}).exitCode,
            64);
  EXPECT_EQ(RunCli({"embed", "--profile", profile_, dir_.File("in.tif")}).exitCode, 64);
}

TEST_F(CliImage, AWriteCutShortByAFileSizeLimitKeepsTheOldOutput) {
  WritePhoto(dir_.File("in.tif"), 200, 150);
  WriteFileText(dir_.File("out.tif"), "the previous result");
  // ulimit -f counts 1024-byte blocks: the 90 kB image cannot be written whole.
  const CommandResult r = RunCommand("/bin/bash", {"-c", "ulimit -f 8; exec \"$0\" \"$@\"", TINTARA_CLI, "convert",
                                                   "--profile", profile_, dir_.File("in.tif"), dir_.File("out.tif")},
                                     {"XDG_CONFIG_HOME=" + CliConfigFolder()});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("There were errors while writing the image to storage."), std::string::npos) << r.err;
  EXPECT_EQ(ReadFileText(dir_.File("out.tif")), "the previous result");
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) files += entry.is_regular_file();
  EXPECT_EQ(files, 3);  // in.tif, out.tif and the profile: no temporary file left behind
}

}  // namespace
}  // namespace tintara::test
