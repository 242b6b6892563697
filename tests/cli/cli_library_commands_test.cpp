// tintara-cli over the settings store and the profile library.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "support/run_command.h"

namespace tintara::test {
namespace {

const std::string kSamples = std::string(TINTARA_SOURCE_DIR) + "/data/sample-measurement.json";

// tintara-cli with its settings in `config`, a folder of the test's own.
CommandResult CliIn(const std::string& config, const std::vector<std::string>& args) {
  return RunCommand(TINTARA_CLI, args, {"XDG_CONFIG_HOME=" + config});
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(CliSettings, FirstRunListsEveryValueWithItsDefaultInLoadOrder) {
  TempDir config;
  const CommandResult list = CliIn(config.path(), {"settings", "list"});
  ASSERT_EQ(list.exitCode, 0) << list.err;
  const std::vector<std::string> lines = Lines(list.out);
  ASSERT_EQ(lines.size(), 23u);
  const char* order[] = {"ICCPath", "PenaltyFactor", "QualityControl", "Gamma", "LoadICCPath", "SaveICCPath",
                         "LoadImagePath", "SaveImagePath", "InnerMarginK3", "InnerMarginK7", "DeviationCornersK7",
                         "DeviationBlackLowK7", "DeviationWhiteLowK7", "DeviationBlackLowK3", "DeviationWhiteLowK3",
                         "DeviationBlackHighK7", "DeviationWhiteHighK7", "DeviationBlackHighK3",
                         "DeviationWhiteHighK3", "ErrorPixels", "WarningPixels", "ICMFlag", "JPEGQuality"};
  for (size_t i = 0; i < 23; ++i) EXPECT_EQ(lines[i].substr(0, lines[i].find('\t')), order[i]);
  EXPECT_EQ(lines[1], "PenaltyFactor\t0.400000");
  EXPECT_EQ(lines[19], "ErrorPixels\t9");
  EXPECT_EQ(lines[21], "ICMFlag\ttrue");
  EXPECT_EQ(lines[22], "JPEGQuality\t90");
  // The first run wrote the store, in the configuration folder the test gave.
  EXPECT_TRUE(std::filesystem::exists(config.path() + "/Lumeno/Tintara.conf"));
}

TEST(CliSettings, SetTakesTheStoredFormAndFitUsesIt) {
  TempDir config;
  TempDir dir;
  ASSERT_EQ(CliIn(config.path(), {"settings", "set", "PenaltyFactor", "0.3"}).exitCode, 0);
  EXPECT_EQ(CliIn(config.path(), {"settings", "get", "PenaltyFactor"}).out, "0.300000\n");
  ASSERT_EQ(CliIn(config.path(), {"settings", "set", "ICMFlag", "True"}).exitCode, 0);
  EXPECT_EQ(CliIn(config.path(), {"settings", "get", "ICMFlag"}).out, "false\n");

  // A fit without --penalty takes the stored 0.3: the same as saying so.
  const CommandResult stored = CliIn(config.path(), {"fit", "--samples", kSamples, "--reference", "#0", "--json",
                                                     "-o", dir.File("a.tnp")});
  const CommandResult explicitly = RunCli({"fit", "--samples", kSamples, "--reference", "#0", "--penalty", "0.3",
                                           "--json", "-o", dir.File("a.tnp")});
  ASSERT_EQ(stored.exitCode, 0) << stored.err;
  EXPECT_EQ(stored.out, explicitly.out);

  ASSERT_EQ(CliIn(config.path(), {"settings", "reset"}).exitCode, 0);
  EXPECT_EQ(CliIn(config.path(), {"settings", "get", "PenaltyFactor"}).out, "0.400000\n");

  EXPECT_EQ(CliIn(config.path(), {"settings", "set", "Bogus", "1"}).exitCode, 64);
  EXPECT_EQ(CliIn(config.path(), {"settings", "get", "Bogus"}).exitCode, 64);
  EXPECT_EQ(CliIn(config.path(), {"settings"}).exitCode, 64);
  EXPECT_EQ(CliIn(config.path(), {"settings", "set", "Gamma"}).exitCode, 64);
}

TEST(CliSettings, AStoreThatCannotBeWrittenIsReported) {
  TempDir config;
  // A file where the store's folder should be: no write can succeed, whoever runs the test.
  WriteFileText(config.File("Lumeno"), "in the way");
  const CommandResult set = CliIn(config.path(), {"settings", "set", "Gamma", "1.8"});
  EXPECT_EQ(set.exitCode, 2);
  EXPECT_NE(set.err.find("Unable to set key in registry."), std::string::npos) << set.err;
}

TEST(CliProfiles, ListsTheFolderFromTheOptionOrTheSetting) {
  TempDir config;
  TempDir folder;
  ASSERT_EQ(CliIn(config.path(), {"fit", "--samples", kSamples, "--reference", "#0", "--description", "Day",
                                   "-o", folder.File("Camera.tnp")})
                .exitCode,
            0);
  ASSERT_EQ(CliIn(config.path(), {"fit", "--samples", kSamples, "--reference", "#1", "--description", "",
                                   "-o", folder.File("Another.TNP")})
                .exitCode,
            0);
  WriteFileText(folder.File("foreign.tnp"), std::string(2000, 'z'));

  const std::string expected = "0\tAnother\tInFolder,TransformLoaded\n1\tCamera (Day)\tInFolder,TransformLoaded\n";
  const CommandResult byOption = CliIn(config.path(), {"profiles", "--folder", folder.path() + "/"});
  ASSERT_EQ(byOption.exitCode, 0) << byOption.err;
  EXPECT_EQ(byOption.out, expected);

  ASSERT_EQ(CliIn(config.path(), {"settings", "set", "ICCPath", folder.path()}).exitCode, 0);
  EXPECT_EQ(CliIn(config.path(), {"profiles"}).out, expected);

  // Names (from file names) and descriptions (from the profile's ISO 8859-1 field) are listed as
  // UTF-8, as the profile lists show them.
  const std::string summer = "\xC3\x89t\xC3\xA9";  // listed after the ASCII names
  const std::string cafe = "Caf\xC3\xA9 180\xC2\xB0";
  ASSERT_EQ(CliIn(config.path(), {"fit", "--samples", kSamples, "--reference", "#0", "--description", cafe,
                                   "-o", folder.File(summer + ".tnp")})
                .exitCode,
            0);
  EXPECT_EQ(CliIn(config.path(), {"profiles"}).out,
            expected + "2\t" + summer + " (" + cafe + ")\tInFolder,TransformLoaded\n");

  const CommandResult empty = CliIn(config.path(), {"profiles", "--folder", ""});
  EXPECT_EQ(empty.exitCode, 2);
  EXPECT_NE(empty.err.find("The path to the color profile folder is not valid."), std::string::npos);
  EXPECT_EQ(CliIn(config.path(), {"profiles", "extra"}).exitCode, 64);
}

}  // namespace
}  // namespace tintara::test
