// tintara-cli over the settings store and the profile library.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <utility>
#include <vector>

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
  ASSERT_EQ(CliIn(config.path(), {"settings", "set", "ICMFlag", "false"}).exitCode, 0);
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

// What is entered must be a number of the value's kind in a range a photographer would use, and the
// refusal names the range; the stored value stays as it was.
TEST(CliSettings, SetRefusesValuesOutsideTheirRange) {
  TempDir config;
  const struct {
    const char* name;
    const char* value;
    const char* says;
  } refused[] = {
      {"JPEGQuality", "250", "JPEGQuality takes a whole number 1..100"},
      {"ErrorPixels", "-1", "ErrorPixels takes a whole number of 0 or more"},
      {"PenaltyFactor", "11", "PenaltyFactor takes a number 0..10"},
      {"QualityControl", "0", "QualityControl takes a number above 0, at most 10"},
      {"Gamma", "0.05", "Gamma takes a number 0.1..10"},
      {"Gamma", "2.2x", "Gamma takes a number 0.1..10"},
      {"InnerMarginK3", "-1", "InnerMarginK3 takes a number 0..1000"},
      {"ICMFlag", "True", "ICMFlag takes true or false"},
  };
  for (const auto& r : refused) {
    const CommandResult set = CliIn(config.path(), {"settings", "set", r.name, r.value});
    EXPECT_EQ(set.exitCode, 64) << r.name << " " << r.value;
    EXPECT_NE(set.err.find(r.says), std::string::npos) << set.err;
  }
  EXPECT_EQ(CliIn(config.path(), {"settings", "get", "JPEGQuality"}).out, "90\n");
  EXPECT_EQ(CliIn(config.path(), {"settings", "get", "Gamma"}).out, "2.200000\n");
  // The edges are accepted.
  for (const auto& [name, value] : std::vector<std::pair<const char*, const char*>>{
           {"JPEGQuality", "1"}, {"QualityControl", "10"}, {"Gamma", "0.1"}, {"ErrorPixels", "0"},
           {"ICCPath", "any text at all"}}) {
    EXPECT_EQ(CliIn(config.path(), {"settings", "set", name, value}).exitCode, 0) << name << " " << value;
  }
  EXPECT_EQ(CliIn(config.path(), {"settings", "get", "QualityControl"}).out, "10.000000\n");
}

TEST(CliSettings, AStoreThatCannotBeWrittenIsReported) {
  TempDir config;
  // A file where the store's folder should be: no write can succeed, whoever runs the test.
  WriteFileText(config.File("Lumeno"), "in the way");
  const CommandResult set = CliIn(config.path(), {"settings", "set", "Gamma", "1.8"});
  EXPECT_EQ(set.exitCode, 2);
  // Said once, though loading failed to write back every value before the set failed too.
  const std::string message = "Unable to set key in registry.";
  const size_t first = set.err.find(message);
  EXPECT_NE(first, std::string::npos) << set.err;
  EXPECT_EQ(set.err.find(message, first + 1), std::string::npos) << set.err;

  // Reading a value succeeds when it was printed.
  const CommandResult get = CliIn(config.path(), {"settings", "get", "Gamma"});
  EXPECT_EQ(get.exitCode, 0) << get.err;
  EXPECT_EQ(get.out, "2.200000\n");
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

  // A name cannot forge a line of the listing.
  std::filesystem::copy_file(folder.File("Camera.tnp"), folder.File("x\n9\tforged\tInFolder.tnp"));
  const std::string listing = CliIn(config.path(), {"profiles"}).out;
  EXPECT_EQ(Lines(listing).size(), 4u) << listing;
  EXPECT_NE(listing.find("\tx\\n9\\tforged\\tInFolder (Day)\tInFolder,TransformLoaded\n"), std::string::npos) << listing;

  const CommandResult empty = CliIn(config.path(), {"profiles", "--folder", ""});
  EXPECT_EQ(empty.exitCode, 2);
  EXPECT_NE(empty.err.find("The path to the color profile folder is not valid."), std::string::npos);
  // A folder that is not there is not an empty one.
  const CommandResult missing = CliIn(config.path(), {"profiles", "--folder", folder.File("none")});
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_EQ(missing.out, "");
  EXPECT_NE(missing.err.find("The path to the color profile folder is not valid. (" + folder.File("none") + ")"),
            std::string::npos)
      << missing.err;
  EXPECT_EQ(CliIn(config.path(), {"profiles", "extra"}).exitCode, 64);
}

}  // namespace
}  // namespace tintara::test
