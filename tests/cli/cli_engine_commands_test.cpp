// tintara-cli's engine commands: fitting a profile to measured colours and reading one back.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <filesystem>

#include "base/result_codes.h"
#include "engine/icc_profile.h"
#include "support/run_command.h"

namespace tintara::test {
namespace {

const std::string kLumenoDat = TINTARA_LUMENO_DAT;
const std::string kSamples = std::string(TINTARA_SOURCE_DIR) + "/data/sample-measurement.json";

CommandResult Cli(const std::vector<std::string>& args) { return RunCli(args); }

QJsonObject Json(const std::string& text) {
  const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(text));
  EXPECT_TRUE(doc.isObject()) << text;
  return doc.object();
}

TEST(CliFit, WritesAProfileThatReadsBackWithTheSameTransform) {
  TempDir dir;
  const std::string out = dir.File("camera.tnp");
  const CommandResult fit = Cli({"fit", "--samples", kSamples, "--reference", "Lumeno K7 Standard (8-bit)",
                                 "--description", "Camera A", "--json", "-o", out});
  ASSERT_EQ(fit.exitCode, 0) << fit.err;
  const QJsonObject result = Json(fit.out);
  EXPECT_EQ(result["code"].toInt(-1), 0);
  EXPECT_EQ(result["coefficients"].toArray().size(), 21);
  EXPECT_EQ(result["colourants"].toArray().size(), 3);
  EXPECT_EQ(result["profile"].toString().toStdString(), out);
  EXPECT_LT(result["objective"].toDouble(), 0.5);
  EXPECT_EQ(std::filesystem::file_size(out), 5264u);

  const CommandResult info = Cli({"profile-info", out, "--json"});
  ASSERT_EQ(info.exitCode, 0) << info.err;
  const QJsonObject profile = Json(info.out);
  EXPECT_EQ(profile["size"].toInt(), 5264);
  EXPECT_TRUE(profile["transform"].toBool());
  EXPECT_EQ(profile["description"].toString(), "Camera A");
  const QJsonArray fitted = result["matrix"].toArray();
  const QJsonArray stored = profile["matrix"].toArray();
  ASSERT_EQ(stored.size(), 9);
  for (int k = 0; k < 9; ++k) EXPECT_NEAR(stored[k].toDouble(), fitted[k].toDouble(), 1.0 / 65535) << k;
  ASSERT_EQ(profile["base_curves"].toArray().size(), 3);
  EXPECT_EQ(profile["gamma_curves"].toArray()[2].toArray().size(), 256);

  // The same fit by index, without --json, gives the same bytes (apart from the description).
  const std::string again = dir.File("again.tnp");
  ASSERT_EQ(Cli({"fit", "--samples", kSamples, "--reference", "#0", "--description", "Camera A", "-o", again})
                .exitCode,
            0);
  EXPECT_EQ(ReadFileText(again), ReadFileText(out));
}

TEST(CliFit, DescriptionIsStoredAsIso88591AndPrintedAsUtf8) {
  TempDir dir;
  const std::string cafe = "Caf\xC3\xA9 180\xC2\xB0";
  const std::string out = dir.File("caf\xC3\xA9.tnp");
  ASSERT_EQ(Cli({"fit", "--samples", kSamples, "--reference", "#0", "--description", cafe, "-o", out}).exitCode, 0);
  const std::string bytes = ReadFileText(out);
  ASSERT_EQ(bytes.size(), 5264u);
  EXPECT_EQ(bytes.substr(304, 10), std::string("Caf\xE9 180\xB0") + '\0');

  const CommandResult info = Cli({"profile-info", out, "--json"});
  ASSERT_EQ(info.exitCode, 0) << info.err;
  EXPECT_NE(info.out.find("\"description\":\"" + cafe + "\""), std::string::npos) << info.out;
  EXPECT_EQ(Json(info.out)["description"].toString().toStdString(), cafe);
  EXPECT_NE(Cli({"profile-info", out}).out.find("description  " + cafe + "\n"), std::string::npos);

  // A character the field cannot hold is stored, and shown, as "?".
  ASSERT_EQ(Cli({"fit", "--samples", kSamples, "--reference", "#0", "--description", "\xCE\xA9", "-o", out})
                .exitCode,
            0);
  EXPECT_EQ(ReadFileText(out).substr(304, 2), std::string("?") + '\0');
  EXPECT_EQ(Json(Cli({"profile-info", out, "--json"}).out)["description"].toString(), "?");
}

// profile-info's numbers are the decoded profile's, exactly: a script comparing them with the
// engine must see no rounding from the output.
TEST(CliProfileInfo, JsonNumbersAreTheDecodedValuesExactly) {
  TempDir dir;
  const std::string out = dir.File("p.tnp");
  ASSERT_EQ(Cli({"fit", "--samples", kSamples, "--reference", "#0", "-o", out}).exitCode, 0);
  const std::string text = ReadFileText(out);
  const std::vector<uint8_t> bytes(text.begin(), text.end());
  EngineContext decoded;
  ASSERT_EQ(decode_icc_220(bytes.data(), bytes.size(), decoded), kOk);

  const QJsonObject info = Json(Cli({"profile-info", out, "--json"}).out);
  const QJsonArray matrix = info["matrix"].toArray();
  ASSERT_EQ(matrix.size(), 9);
  for (int k = 0; k < 9; ++k) EXPECT_EQ(matrix[k].toDouble(), decoded.matrixA[k]) << k;
  for (int ch = 0; ch < 3; ++ch) {
    const QJsonArray base = info["base_curves"].toArray()[ch].toArray();
    const QJsonArray gamma = info["gamma_curves"].toArray()[ch].toArray();
    ASSERT_EQ(base.size(), 256);
    ASSERT_EQ(gamma.size(), 256);
    for (int j = 0; j < 256; ++j) {
      ASSERT_EQ(base[j].toDouble(), decoded.baseCurves[ch][j]) << ch << " " << j;
      ASSERT_EQ(gamma[j].toDouble(), decoded.gammaCurves[ch][j]) << ch << " " << j;
    }
    const QJsonArray colourant = info["colourants"].toArray()[ch].toArray();
    for (int a = 0; a < 3; ++a) EXPECT_EQ(colourant[a].toDouble(), decoded.colourants[ch][a]);
  }
}

TEST(CliFit, PoorQualityStillWritesTheProfile) {
  TempDir dir;
  const CommandResult fit = Cli({"fit", "--samples", kSamples, "--reference", "#0", "--quality-limit", "1e-6",
                                 "--json", "-o", dir.File("poor.tnp")});
  EXPECT_EQ(fit.exitCode, 1);
  EXPECT_EQ(Json(fit.out)["code"].toInt(), 101);
  EXPECT_NE(fit.err.find("The quality of the Lumeno selection is too low"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(dir.File("poor.tnp")));
}

TEST(CliFit, ExcludedAreasAreLeftOutOfTheFit) {
  TempDir dir;
  // Area 5 measured wildly wrong: excluded, it changes nothing.
  WriteFileText(dir.File("a.json"), R"({"R":[10,20,30,40,50,60],"G":[12,22,32,42,52,62],"B":[9,19,29,39,49,59],)"
                                    R"("excluded":[5]})");
  WriteFileText(dir.File("b.json"), R"({"R":[10,20,30,40,50,250],"G":[12,22,32,42,52,0],"B":[9,19,29,39,49,59],)"
                                    R"("excluded":[5]})");
  const CommandResult a = Cli({"fit", "--samples", dir.File("a.json"), "--reference", "#0", "--count", "6",
                               "--json", "-o", dir.File("a.tnp")});
  const CommandResult b = Cli({"fit", "--samples", dir.File("b.json"), "--reference", "#0", "--count", "6",
                               "--json", "-o", dir.File("b.tnp")});
  ASSERT_LE(a.exitCode, 1) << a.err;
  EXPECT_EQ(a.out.substr(0, a.out.find("\"profile\"")), b.out.substr(0, b.out.find("\"profile\"")));

  // With every area excluded there is nothing to fit and no profile.
  WriteFileText(dir.File("none.json"), R"({"R":[1,2,3],"G":[1,2,3],"B":[1,2,3],"excluded":[0,1,2]})");
  const CommandResult none = Cli({"--refdata", kLumenoDat, "fit", "--samples", dir.File("none.json"),
                                  "--reference", "Lumeno K3 Grey", "-o", dir.File("none.tnp")});
  EXPECT_EQ(none.exitCode, 2);
  EXPECT_NE(none.err.find("There are too few valid color areas"), std::string::npos) << none.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("none.tnp")));
}

TEST(CliFit, RefusesBadArgumentsAndBadSampleFiles) {
  TempDir dir;
  const std::string out = dir.File("x.tnp");
  EXPECT_EQ(Cli({"fit", "--samples", kSamples, "--reference", "#0"}).exitCode, 64);
  EXPECT_EQ(Cli({"fit", "--samples", kSamples, "--reference", "#0", "-o", out, "--count", "31"}).exitCode, 64);
  EXPECT_EQ(Cli({"fit", "--samples", kSamples, "--reference", "#0", "-o", out, "--count", "0"}).exitCode, 64);
  // More areas than the set has entries would fit the rest against nothing.
  const CommandResult beyond = Cli({"fit", "--samples", kSamples, "--reference", "Lumeno K3 Grey", "-o", out,
                                    "--count", "4"});
  EXPECT_EQ(beyond.exitCode, 64);
  EXPECT_NE(beyond.err.find("--count takes a number 1..3 for the 3-entry reference set"), std::string::npos)
      << beyond.err;
  // The fit's options take what their settings take.
  for (const std::vector<std::string>& option : {std::vector<std::string>{"--gamma", "abc"}, {"--gamma", "0"},
                                                {"--gamma", "nan"}, {"--penalty", "-1"}, {"--penalty", "11"},
                                                {"--quality-limit", "0"}, {"--quality-limit", "inf"}}) {
    const CommandResult r = Cli({"fit", "--samples", kSamples, "--reference", "#0", "-o", out, option[0], option[1]});
    EXPECT_EQ(r.exitCode, 64) << option[0] << " " << option[1];
    EXPECT_NE(r.err.find(option[0] + " takes a number "), std::string::npos) << r.err;
  }
  EXPECT_EQ(Cli({"fit", "--samples", kSamples, "--reference", "#9", "-o", out}).exitCode, 64);
  EXPECT_EQ(Cli({"fit", "--samples", kSamples, "--reference", "No such set", "-o", out}).exitCode, 64);
  EXPECT_EQ(Cli({"fit", "--samples", kSamples, "--reference", "#0", "-o", out, "--bogus"}).exitCode, 64);
  EXPECT_EQ(Cli({"fit", "--samples", dir.File("missing.json"), "--reference", "#0", "-o", out}).exitCode, 2);
  for (const char* text : {"not json", "[1,2,3]", R"({"R":[1],"G":[1]})", R"({"R":[70000],"G":[1],"B":[1]})",
                           R"({"R":[1.5],"G":[1],"B":[1]})", R"({"R":[-1],"G":[1],"B":[1]})",
                           R"({"R":[1],"G":[1],"B":[1],"excluded":[30]})",
                           R"({"R":[0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0],"G":[],"B":[]})"}) {
    WriteFileText(dir.File("bad.json"), text);
    const CommandResult r = Cli({"fit", "--samples", dir.File("bad.json"), "--reference", "#0", "-o", out});
    EXPECT_EQ(r.exitCode, 2) << text;
    EXPECT_FALSE(r.err.empty()) << text;
  }
  WriteFileText(dir.File("array.json"), "[1,2,3]");
  const CommandResult array = Cli({"fit", "--samples", dir.File("array.json"), "--reference", "#0", "-o", out});
  EXPECT_NE(array.err.find("must be a JSON object"), std::string::npos) << array.err;

  // Fewer measurements than areas to fit: a missing one is not black. The set's entry count decides
  // unless --count asks for fewer.
  const std::string thirty = "[1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30]";
  WriteFileText(dir.File("short.json"), R"({"R":)" + thirty + R"(,"G":)" + thirty + R"(,"B":[1,2,3,4,5,6]})");
  const CommandResult short30 = Cli({"fit", "--samples", dir.File("short.json"), "--reference", "#0", "-o", out});
  EXPECT_EQ(short30.exitCode, 2);
  EXPECT_NE(short30.err.find("\"B\" holds 6 values, but the fit needs 30, one per colour area"), std::string::npos)
      << short30.err;
  EXPECT_EQ(Cli({"fit", "--samples", dir.File("short.json"), "--reference", "#0", "--count", "7", "-o", out})
                .exitCode,
            2);
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_LE(Cli({"fit", "--samples", dir.File("short.json"), "--reference", "#0", "--count", "6", "-o", out})
                .exitCode,
            1);
}

// Stored settings are loaded without a range test: a value no one could enter must stop the fit with
// its cause, not give a profile of NaN or flat curves reported as good.
TEST(CliFit, StoredParametersThatCannotGiveAProfileAreRefused) {
  TempDir config;
  TempDir dir;
  std::filesystem::create_directories(config.File("Lumeno"));
  for (const char* stored : {"Gamma=", "PenaltyFactor=nan", "QualityControl=inf"}) {
    WriteFileText(config.File("Lumeno/Tintara.conf"), std::string("[General]\n") + stored + "\n");
    const CommandResult r = RunCommand(TINTARA_CLI, {"fit", "--samples", kSamples, "--reference", "#0", "--json",
                                                     "-o", dir.File("p.tnp")},
                                       {"XDG_CONFIG_HOME=" + config.path()});
    EXPECT_EQ(r.exitCode, 2) << stored;
    EXPECT_EQ(Json(r.out)["code"].toInt(), kFitParametersInvalid) << stored;
    EXPECT_TRUE(Json(r.out)["objective"].isNull()) << r.out;  // no fit, so no objective of 0 either
    EXPECT_NE(r.err.find("cannot be calculated with the stored settings"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("p.tnp"))) << stored;
  }
}

TEST(CliProfileInfo, RefusesForeignAndMissingProfiles) {
  TempDir dir;
  WriteFileText(dir.File("foreign.icc"), std::string(600, '\0'));
  const CommandResult foreign = Cli({"profile-info", dir.File("foreign.icc")});
  EXPECT_EQ(foreign.exitCode, 2);
  EXPECT_NE(foreign.err.find("This profile was not created with Tintara and cannot be used."), std::string::npos);
  WriteFileText(dir.File("empty.tnp"), "");
  EXPECT_EQ(Cli({"profile-info", dir.File("empty.tnp")}).exitCode, 2);
  EXPECT_EQ(Cli({"profile-info", dir.File("missing.tnp")}).exitCode, 2);
  EXPECT_EQ(Cli({"profile-info", dir.path()}).exitCode, 2);
  EXPECT_EQ(Cli({"profile-info"}).exitCode, 64);
}

}  // namespace
}  // namespace tintara::test
