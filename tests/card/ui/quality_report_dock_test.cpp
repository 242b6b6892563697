// The quality report beside the image: the same figures as the command line's, and the table as
// text on the clipboard and in a CSV file.
#include <QApplication>
#include <QClipboard>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <sstream>

#include "base/ui/ui_text.h"
#include "card/ui/quality_report_dock.h"
#include "card_window_fixture.h"

namespace tintara {
namespace {

using QualityReportDockTest = test::CardWindowTest;

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::stringstream in(text);
  for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
  return parts;
}

TEST_F(QualityReportDockTest, FiguresAreTheCommandLinesForTheSameImageAndCorners) {
  // A darker, cooler shot, so the exposure and the matched figures are not trivially neutral.
  OpenCard("card.tif", {"--camera-gain", "0.8"});
  presenter_.descriptionAnswers.push_back({true, "e2e", false});
  CreateProfile();
  CQualityReportDock* dock = CQualityReportDock::Find(*frame_);
  ASSERT_NE(dock, nullptr);
  const QualityReportData& report = *dock->report();

  const int reference = frame_->SelectedReferenceIndex();
  const test::CommandResult cli = test::RunCli({"create-profile", photo_, "--corners", corners_, "--reference",
                                                "#" + std::to_string(reference), "--description", "e2e", "--json",
                                                "--csv", dir_.File("cli.csv"), "-o", dir_.File("cli.tnp")});
  ASSERT_EQ(cli.exitCode, 0) << cli.err;
  const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(cli.out)).object();
  const QJsonObject quality = json["quality"].toObject();
  const QJsonArray areas = json["areas"].toArray();
  ASSERT_EQ(areas.size(), 30);
  ASSERT_EQ(report.quality.areas.size(), 30u);

  EXPECT_DOUBLE_EQ(report.quality.exposure.gain, json["exposure"].toObject()["gain"].toDouble());
  EXPECT_DOUBLE_EQ(report.quality.exposure.offset, json["exposure"].toObject()["offset"].toDouble());
  EXPECT_NE(report.quality.exposure.gain, 1.0);
  EXPECT_DOUBLE_EQ(report.quality.meanBefore, quality["mean_before"].toDouble());
  EXPECT_DOUBLE_EQ(report.quality.maxAfter, quality["max_after"].toDouble());
  EXPECT_DOUBLE_EQ(report.quality.meanMatched, quality["mean_matched"].toDouble());
  EXPECT_DOUBLE_EQ(report.quality.maxMatched, quality["max_matched"].toDouble());
  for (int i = 0; i < 30; ++i) {
    const QJsonObject area = areas[i].toObject();
    const AreaQuality& q = report.quality.areas[static_cast<size_t>(i)];
    EXPECT_EQ(report.pixels[static_cast<size_t>(i)], area["pixels"].toInteger()) << i;
    EXPECT_EQ(q.corrected[1], area["corrected"].toArray()[1].toInt()) << i;
    EXPECT_DOUBLE_EQ(q.deBefore, area["de_before"].toDouble()) << i;
    EXPECT_DOUBLE_EQ(q.deAfter, area["de_after"].toDouble()) << i;
    EXPECT_DOUBLE_EQ(q.deMatched, area["de_matched"].toDouble()) << i;
  }

  // The table and the summary show those numbers: area 1-based, differences with two decimals.
  QTableWidget* table = dock->table();
  ASSERT_EQ(table->rowCount(), 30);
  EXPECT_EQ(table->item(4, 0)->text(), "5");
  EXPECT_EQ(table->item(4, 1)->text(), QString::number(areas[4].toObject()["pixels"].toInteger()));
  EXPECT_EQ(table->item(4, 8)->text(), QString::number(areas[4].toObject()["de_matched"].toDouble(), 'f', 2));
  const QString summary = dock->summary()->text();
  EXPECT_TRUE(summary.contains(QString::number(quality["max_matched"].toDouble(), 'f', 2))) << summary.toStdString();
  EXPECT_TRUE(summary.contains("corrects colour, not the exposure"));

  // Save... writes the very file the command line's --csv wrote.
  presenter_.fileAnswers.push_back({true, {dir_.File("dock.csv")}, 0});
  ASSERT_TRUE(dock->SaveTable());
  EXPECT_EQ(test::ReadFileText(dir_.File("dock.csv")), test::ReadFileText(dir_.File("cli.csv")));
}

TEST_F(QualityReportDockTest, CopyGivesTabSeparatedRowsAndSaveWritesTheCsv) {
  OpenCard();
  presenter_.descriptionAnswers.push_back({true, "copy", false});
  CreateProfile();
  CQualityReportDock* dock = CQualityReportDock::Find(*frame_);
  ASSERT_NE(dock, nullptr);

  dock->copyButton()->click();
  const std::vector<std::string> lines = Split(ui::ToUtf8(QApplication::clipboard()->text()), '\n');
  ASSERT_EQ(lines.size(), 31u);  // the header and one row per area
  for (const std::string& line : lines) EXPECT_EQ(Split(line, '\t').size(), 15u) << line;
  const std::vector<std::string> first = Split(lines[1], '\t');
  const AreaQuality& q = dock->report()->quality.areas[0];
  EXPECT_EQ(first[0], "1");
  EXPECT_EQ(first[2], "valid");
  EXPECT_EQ(first[3], std::to_string(q.measured[0]));
  EXPECT_EQ(first[6], std::to_string(q.reference[0]));
  EXPECT_EQ(first[14], ui::ToUtf8(QString::number(q.deMatched, 'f', 2)));

  // Save...: the chooser asks for a CSV file; what it writes is the table with commas.
  const std::string path = dir_.File("report.csv");
  presenter_.fileAnswers.push_back({true, {path}, 0});
  dock->saveButton()->click();
  ASSERT_EQ(presenter_.fileRequests.size(), 1u);
  EXPECT_EQ(presenter_.fileRequests[0].kind, FileDialogRequest::Kind::kSave);
  EXPECT_EQ(presenter_.fileRequests[0].filters.at(0).label, "CSV file (*.csv)");
  EXPECT_EQ(test::ReadFileText(path), QualityReportCsv(*dock->report()));
  EXPECT_EQ(Split(Split(test::ReadFileText(path), '\n')[1], ',').size(), 15u);

  // Cancel writes nothing; a folder that is not there is an error box, not a silent loss.
  presenter_.fileAnswers.push_back({false, {}, 0});
  EXPECT_FALSE(dock->SaveTable());
  presenter_.fileAnswers.push_back({true, {dir_.File("missing/report.csv")}, 0});
  EXPECT_FALSE(dock->SaveTable());
  ASSERT_EQ(presenter_.Of("box").size(), 1u);
  EXPECT_EQ(presenter_.Of("box")[0].caption, "Tintara Error");
}

}  // namespace
}  // namespace tintara
