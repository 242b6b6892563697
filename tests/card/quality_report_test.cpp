// The quality report's table as every report gives it: states from the layout, cells, CSV and tab text.
#include "card/quality_report.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/result_codes.h"
#include "support/run_command.h"

namespace tintara {
namespace {

TEST(QualityReport, StatesAndPixelsAreTheLayoutsWhenTheReportIsMade) {
  CardLayoutK3 layout;
  for (int i = 0; i < 3; ++i) {
    ColorArea area;
    area.index = i;
    area.pixelCount = 100 + i;
    layout.AddArea(area);
  }
  layout.areas[1].Unreliable = true;
  layout.areas[2].Valid = false;
  layout.areas[2].Unreliable = true;  // invalid whatever else was found
  ProfileQualityReport quality;
  for (int i : {2, 0, 1}) {  // in the report's order, not the layout's
    AreaQuality q;
    q.index = i;
    q.inFit = i != 2;
    quality.areas.push_back(q);
  }
  const QualityReportData data = MakeQualityReportData(layout, quality, "card", "card (text)");
  EXPECT_EQ(data.pixels, (std::vector<int64_t>{102, 100, 101}));
  EXPECT_EQ(data.states, (std::vector<AreaState>{AreaState::kInvalid, AreaState::kValid, AreaState::kUnreliable}));
  EXPECT_EQ(data.AreasInFit(), 2);
  layout.areas[0].Valid = false;  // a later change of the outline does not reach the report
  EXPECT_EQ(data.states[1], AreaState::kValid);

  const std::vector<std::vector<std::string>> cells = QualityReportCells(data);
  ASSERT_EQ(cells.size(), 4u);
  EXPECT_EQ(cells[1][0], "3");
  EXPECT_EQ(cells[1][2], "invalid, not in the fit");
  EXPECT_EQ(cells[3][2], "unreliable");
}

TEST(QualityReport, CsvQuotesWhatHoldsACommaAndTabTextDoesNot) {
  QualityReportData data;
  AreaQuality a;
  a.index = 2;
  a.measured = {250, 7, 30};
  a.deBefore = 1.005;
  a.deMatched = 12.5;
  a.inFit = false;
  data.quality.areas = {a};
  data.pixels = {15};
  data.states = {AreaState::kUnreliable};
  EXPECT_EQ(QualityReportCsv(data),
            "area,pixels,state,measured R,measured G,measured B,reference R,reference G,reference B,corrected R,"
            "corrected G,corrected B,dE2000 before,dE2000 after,\"dE2000 after, exposure matched\"\r\n"
            "3,15,\"unreliable, not in the fit\",250,7,30,0,0,0,0,0,0,1.00,0.00,12.50\r\n");
  const std::string tab = QualityReportTabText(data);
  EXPECT_EQ(tab.substr(tab.find('\n') + 1),
            "3\t15\tunreliable, not in the fit\t250\t7\t30\t0\t0\t0\t0\t0\t0\t1.00\t0.00\t12.50\n");

  // Saved, the file is the CSV; a save that fails says why, and leaves nothing behind.
  test::TempDir dir;
  ASSERT_TRUE(SaveQualityReportCsv(data, dir.File("q.csv")).ok());
  EXPECT_EQ(test::ReadFileText(dir.File("q.csv")), QualityReportCsv(data));
  const Error noFolder = SaveQualityReportCsv(data, dir.File("missing/q.csv"));
  EXPECT_EQ(noFolder.code(), kQualityReportSaveFailed);
  EXPECT_EQ(noFolder.detail(), "No such file or directory");
  std::filesystem::create_directory(dir.File("folder.csv"));
  const Error ontoFolder = SaveQualityReportCsv(data, dir.File("folder.csv"));
  EXPECT_EQ(ontoFolder.code(), kQualityReportSaveFailed);
  EXPECT_EQ(ontoFolder.detail(), "Is a directory");
  EXPECT_EQ(test::FolderEntries(dir.path()), (std::vector<std::string>{"folder.csv", "q.csv"}));
}

}  // namespace
}  // namespace tintara
