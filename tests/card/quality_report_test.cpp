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

// The terminal's table has the same columns, headings and state wording as the table beside the
// image, each column as wide as its widest cell, so a long state does not shift the figures.
TEST(QualityReport, TheTerminalTableLinesUpTheSameCells) {
  QualityReportData data;
  for (int i : {0, 11}) {
    AreaQuality q;
    q.index = i;
    q.measured = {static_cast<uint8_t>(i == 0 ? 5 : 250), 60, 200};
    q.deAfter = i == 0 ? 0.5 : 12.25;
    q.inFit = i == 0;
    data.quality.areas.push_back(q);
    data.pixels.push_back(i == 0 ? 12345 : 7);
    data.states.push_back(i == 0 ? AreaState::kValid : AreaState::kInvalid);
  }
  const std::string table = QualityReportTextTable(data);
  std::vector<std::string> lines;
  for (size_t start = 0; start < table.size();) {
    const size_t end = table.find('\n', start);
    lines.push_back(table.substr(start, end - start));
    start = end + 1;
  }
  ASSERT_EQ(lines.size(), 4u) << table;  // a heading of two lines, then one line per area
  EXPECT_NE(lines[1].find("Area  Pixels  State"), std::string::npos) << table;
  EXPECT_NE(lines[0].find("After, exp."), std::string::npos);
  EXPECT_EQ(lines[2].substr(0, 18), "   1   12345  vali");
  EXPECT_NE(lines[3].find("invalid, not in the fit"), std::string::npos);
  EXPECT_NE(lines[2].find("  5  60 200"), std::string::npos) << "a colour's numbers line up";
  // The figures end in the same place on every line: the state's width does not shift them.
  EXPECT_EQ(lines[2].size(), lines[3].size()) << table;
  EXPECT_EQ(lines[2].find("0.50") + 4, lines[3].find("12.25") + 5) << table;
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
