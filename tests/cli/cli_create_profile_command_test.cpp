// tintara-cli create-profile on photographs drawn by render-card.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "support/run_command.h"

namespace tintara::test {
namespace {

const std::string kCamera[] = {"--camera-matrix", "0.85,0.12,0.03,0.08,0.82,0.10,0.02,0.15,0.83", "--noise", "1.5"};

// Draws a card photograph and returns the three clicks render-card printed.
std::string Render(const std::string& path, std::vector<std::string> extra = {}) {
  std::vector<std::string> args = {"--size", "900x700", "--place", "450,350,520,6", "-o", path};
  args.insert(args.end(), std::begin(kCamera), std::end(kCamera));
  args.insert(args.end(), extra.begin(), extra.end());
  const CommandResult r = RunCommand(TINTARA_RENDER_CARD, args);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  return r.out.substr(0, r.out.find('\n'));
}

QJsonObject Json(const std::string& text) { return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object(); }

TEST(CliCreateProfile, AMarkedCardGivesAProfileAndItsQualityReport) {
  TempDir dir;
  const std::string clicks = Render(dir.File("card.tif"));
  const CommandResult r = RunCli({"create-profile", dir.File("card.tif"), "--corners", clicks, "--reference", "#0",
                                  "--description", "Studio", "--json", "-o", dir.File("card.tnp")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const QJsonObject doc = Json(r.out);
  EXPECT_EQ(doc["orientation"].toInt(), 1);
  EXPECT_FALSE(doc["turned"].toBool());
  EXPECT_EQ(doc["name"].toString(), "card");
  EXPECT_EQ(doc["description"].toString(), "Studio");
  EXPECT_EQ(doc["profile"].toString().toStdString(), dir.File("card.tnp"));
  EXPECT_EQ(doc["coefficients"].toArray().size(), 21);
  const QJsonArray areas = doc["areas"].toArray();
  ASSERT_EQ(areas.size(), 30);
  for (const QJsonValue& v : areas) {
    const QJsonObject area = v.toObject();
    EXPECT_TRUE(area["valid"].toBool());
    EXPECT_GT(area["pixels"].toInt(), 20);
    EXPECT_EQ(area["corners"].toArray().size(), 4);
  }
  // The white area measured near the camera's white, the report sees the profile help.
  EXPECT_GT(areas[8].toObject()["mean"].toArray()[0].toInt(), 220);
  const QJsonObject quality = doc["quality"].toObject();
  EXPECT_LT(quality["mean_after"].toDouble(), quality["mean_before"].toDouble());
  EXPECT_EQ(quality["worst"].toArray().size(), 5);
  EXPECT_EQ(std::filesystem::file_size(dir.File("card.tnp")), 5264u);
  EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << "one line per run";

  // The exposure the fit took out, and every area and the summary also with it matched.
  const QJsonObject exposure = doc["exposure"].toObject();
  EXPECT_GT(exposure["gain"].toDouble(), 0.9);
  EXPECT_LT(exposure["gain"].toDouble(), 1.2);
  EXPECT_LT(std::abs(exposure["offset"].toDouble()), 0.1);
  double largest = 0.0;
  for (const QJsonValue& v : areas) {
    EXPECT_EQ(v.toObject()["corrected_matched"].toArray().size(), 3);
    largest = std::max(largest, v.toObject()["de_matched"].toDouble());
  }
  EXPECT_EQ(quality["max_matched"].toDouble(), largest);
  EXPECT_LT(quality["mean_matched"].toDouble(), quality["mean_after"].toDouble());

  // The plain report carries the same table and says what the exposure was.
  const CommandResult text = RunCli({"create-profile", dir.File("card.tif"), "--corners", clicks, "--reference", "#0",
                                     "--csv", dir.File("report.csv"), "-o", dir.File("again.tnp")});
  EXPECT_EQ(text.exitCode, 0);
  // With --csv the report's table too: a header and a row per area, the first area's pixels as above.
  const std::string csv = ReadFileText(dir.File("report.csv"));
  ASSERT_EQ(std::count(csv.begin(), csv.end(), '\n'), 31) << csv;
  const std::string firstRow = csv.substr(csv.find('\n') + 1);
  EXPECT_EQ(firstRow.rfind("1," + std::to_string(areas[0].toObject()["pixels"].toInt()) + ",valid,", 0), 0u) << csv;
  EXPECT_NE(text.out.find("mean dE2000"), std::string::npos);
  EXPECT_NE(text.out.find("after with the exposure matched"), std::string::npos);
  // The areas the text names are numbered as its table numbers them, from 1; JSON counts from 0.
  const std::string worst = "largest differences after: areas " + std::to_string(quality["worst"][0].toInt() + 1) + ",";
  EXPECT_NE(text.out.find(worst), std::string::npos) << text.out;
  char gain[32];
  std::snprintf(gain, sizeof(gain), "gain %.3f", exposure["gain"].toDouble());
  EXPECT_NE(text.out.find(gain), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("card (Lumeno profile with 'Lumeno K7 Standard (8-bit)' reference.)"), std::string::npos);
}

TEST(CliCreateProfile, WithTheExposureMatchedEveryExposureOfTheCardCorrectsAlike) {
  // The camera records k (M ref), clipped at its white; a profile corrects colour, not exposure, so
  // the plain "after" grows as k strays from 1 while, with the exposure matched, the colours come out
  // about as well every time. The exposure the fit finds undoes k: its gain times k is what it is
  // for k = 1 and its offset stays put while nothing clips (k < 1); at k = 1.15 the white clips and
  // pulls both somewhat.
  TempDir dir;
  struct Shot {
    double k;
    double gain, offset, meanAfter, meanMatched, maxMatched;
  };
  std::vector<Shot> shots;
  for (const std::string k : {"0.75", "0.85", "1.0", "1.15"}) {
    const std::string card = dir.File("card" + k + ".tif");
    // A small photograph, for speed; later options override Render's own.
    const std::string clicks = Render(card, {"--size", "360x280", "--place", "180,140,220,4", "--camera-gain", k});
    const CommandResult r =
        RunCli({"create-profile", card, "--corners", clicks, "--reference", "#0", "--json", "-o", card + ".tnp"});
    ASSERT_LE(r.exitCode, 1) << k << ": " << r.err;  // a finding about the white is fine
    const QJsonObject doc = Json(r.out);
    const QJsonObject quality = doc["quality"].toObject();
    shots.push_back({std::stod(k), doc["exposure"].toObject()["gain"].toDouble(),
                     doc["exposure"].toObject()["offset"].toDouble(), quality["mean_after"].toDouble(),
                     quality["mean_matched"].toDouble(), quality["max_matched"].toDouble()});
  }
  const Shot& normal = shots[2];
  double lowest = 1e9, highest = 0.0;
  for (const Shot& s : shots) {
    EXPECT_LT(s.meanMatched, 1.5) << s.k;
    EXPECT_LT(s.maxMatched, 3.5) << s.k;
    lowest = std::min(lowest, s.meanMatched);
    highest = std::max(highest, s.meanMatched);
    if (s.k != 1.0) {
      EXPECT_GT(s.meanAfter, 3 * s.meanMatched) << s.k;
    }
    const bool clips = s.k > 1.0;
    EXPECT_NEAR(s.gain * s.k, normal.gain, clips ? 0.08 : 0.02) << s.k;
    EXPECT_NEAR(s.offset, normal.offset, clips ? 0.04 : 0.01) << s.k;
  }
  EXPECT_LT(highest - lowest, 0.5);
  for (size_t i = 1; i < shots.size(); ++i) EXPECT_LT(shots[i].gain, shots[i - 1].gain);
}

TEST(CliCreateProfile, TurnedCardsAndFindingsUnderStrict) {
  TempDir dir;
  const std::string clicks = Render(dir.File("turned.jpg"), {"--turned"});
  const CommandResult turned = RunCli({"create-profile", dir.File("turned.jpg"), "--corners", clicks, "--reference",
                                       "#0", "--turned", "--json", "-o", dir.File("t.tnp")});
  ASSERT_EQ(turned.exitCode, 0) << turned.err;
  EXPECT_EQ(Json(turned.out)["orientation"].toInt(), 3);

  // Marked the wrong way round, the white area falls on a dark patch: a finding, then a profile
  // with warnings, or nothing at all under --strict.
  const CommandResult wrong = RunCli({"create-profile", dir.File("turned.jpg"), "--corners", clicks, "--reference",
                                      "#0", "-o", dir.File("w.tnp")});
  EXPECT_EQ(wrong.exitCode, 1);
  EXPECT_NE(wrong.err.find("The white color in the selected card is too dark."), std::string::npos) << wrong.err;
  const CommandResult strict = RunCli({"create-profile", dir.File("turned.jpg"), "--corners", clicks, "--reference",
                                       "#0", "--strict", "--json", "--csv", dir.File("s.csv"), "-o", dir.File("s.tnp")});
  EXPECT_EQ(strict.exitCode, 2);
  EXPECT_NE(strict.err.find("The color profile was not created."), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.File("s.tnp")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("s.csv"))) << "no profile, no report";
  // No profile, so neither an exposure nor a quality to report.
  const QJsonObject none = Json(strict.out);
  EXPECT_TRUE(none["exposure"].isNull());
  EXPECT_TRUE(none["quality"].isNull());
  EXPECT_EQ(none["areas"].toArray().size(), 30);
}

TEST(CliCreateProfile, RefusesBadClicksReferencesAndImages) {
  TempDir dir;
  const std::string clicks = Render(dir.File("card.tif"));
  const std::string out = dir.File("x.tnp");
  EXPECT_EQ(RunCli({"create-profile", dir.File("card.tif"), "--corners", "10,10,899,10,899,600", "--reference", "#0",
                    "-o", out}).exitCode,
            64);  // x = W - 1 is outside
  EXPECT_EQ(RunCli({"create-profile", dir.File("card.tif"), "--corners", "-1,10,100,10,100,600", "--reference", "#0",
                    "-o", out}).exitCode,
            64);
  EXPECT_EQ(RunCli({"create-profile", dir.File("card.tif"), "--corners", "1,2,3", "--reference", "#0", "-o", out})
                .exitCode,
            64);
  EXPECT_EQ(RunCli({"create-profile", dir.File("card.tif"), "--corners", clicks, "--reference", "#0", "--card", "K5",
                    "-o", out}).exitCode,
            64);
  EXPECT_EQ(RunCli({"create-profile", dir.File("card.tif"), "--corners", clicks, "--reference", "Nope", "-o", out})
                .exitCode,
            2);
  // A set of the other card model would be fitted against the wrong colours or hardly any.
  const CommandResult k3Set = RunCli({"create-profile", dir.File("card.tif"), "--corners", clicks, "--reference",
                                      "Lumeno K3 Grey", "-o", out});
  EXPECT_EQ(k3Set.exitCode, 64);
  EXPECT_NE(k3Set.err.find("has 3 entries; a K7 card needs one of 30"), std::string::npos) << k3Set.err;
  EXPECT_EQ(RunCli({"create-profile", dir.File("card.tif"), "--corners", clicks, "--reference", "#0", "--card", "K3",
                    "-o", out}).exitCode,
            64);
  // The report is written where -o may be written, and not onto the profile itself.
  const auto withCsv = [&](const std::string& csv) {
    return RunCli({"create-profile", dir.File("card.tif"), "--corners", clicks, "--reference", "#0", "--csv", csv,
                   "-o", out});
  };
  const CommandResult ontoPhoto = withCsv(dir.File("card.tif"));
  EXPECT_EQ(ontoPhoto.exitCode, 2);
  EXPECT_NE(ontoPhoto.err.find("The output file is one of the input files."), std::string::npos) << ontoPhoto.err;
  EXPECT_EQ(withCsv(dir.File("./x.tnp")).exitCode, 64);
  WriteFileText(dir.File("kept.csv"), "kept");
  std::filesystem::permissions(dir.File("kept.csv"), std::filesystem::perms::owner_read);
  EXPECT_EQ(withCsv(dir.File("kept.csv")).exitCode, 2);
  EXPECT_EQ(ReadFileText(dir.File("kept.csv")), "kept");
  EXPECT_FALSE(std::filesystem::exists(out));

  WriteFileText(dir.File("broken.jpg"), "broken");
  const CommandResult broken =
      RunCli({"create-profile", dir.File("broken.jpg"), "--corners", clicks, "--reference", "#0", "-o", out});
  EXPECT_EQ(broken.exitCode, 2);
  EXPECT_NE(broken.err.find("This image file is corrupt."), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(out));

  // A report that cannot be written says why, after the profile has been written.
  const CommandResult noFolder = withCsv(dir.File("missing/q.csv"));
  EXPECT_EQ(noFolder.exitCode, 2);
  EXPECT_NE(noFolder.err.find("tintara-cli: The quality report could not be saved. (No such file or directory: " +
                              dir.File("missing/q.csv") + ")\n"),
            std::string::npos)
      << noFolder.err;
}

}  // namespace
}  // namespace tintara::test
