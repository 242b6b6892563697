#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/error.h"
#include "card/card_layout.h"
#include "card/profile_quality.h"

namespace tintara {

// What sampling and the checks made of one colour area (the crosses on the card).
enum class AreaState { kValid, kUnreliable, kInvalid };

AreaState StateOf(const ColorArea& area);
const char* AreaStateText(AreaState state);  // "valid", "unreliable", "invalid"

// The quality of one new profile as every report gives it (the report beside the image, the command
// line's table, JSON and CSV): the figures MeasureProfileQuality gives, with each area's pixel count
// and state taken from the layout at the moment the profile was made, so a later change of the
// outline does not change a report already made.
struct QualityReportData {
  std::string profileName;  // the record's name, for the file name a report is proposed under
  std::string profileText;  // the profile as the profile box names it
  ProfileQualityReport quality;
  std::vector<int64_t> pixels;  // in area order, like quality.areas
  std::vector<AreaState> states;

  // How many areas entered the fit: the summary's figures are over these.
  int AreasInFit() const;
};

QualityReportData MakeQualityReportData(const CardLayout& layout, const ProfileQualityReport& quality,
                                        std::string profileName, std::string profileText);

// The columns of the report's table, in order. A colour column holds three numbers (red, green,
// blue), each a column of its own in the text forms.
enum class QualityColumn { kArea, kPixels, kState, kMeasured, kReference, kCorrected, kBefore, kAfter, kMatched };

struct QualityColumnInfo {
  QualityColumn column;
  const char* title;  // as the table beside the image heads it
  const char* field;  // as the text forms head it; a colour's three columns add " R", " G", " B"
  const char* tip;    // what the figure means; may be empty
  bool colour;
};

std::span<const QualityColumnInfo> QualityReportColumns();

// The state as the table gives it: also whether the area entered the fit at all (too few pixels
// take an area out of it; the light checks only mark it).
std::string StateCell(AreaState state, bool inFit);
// A colour difference as every report gives it: two decimals with a point, whatever the locale, so
// a report read by a script or a spreadsheet does not depend on the language of the desktop.
std::string DifferenceText(double value);

// One area's cells in one column (row counts the areas from 0): three numbers for a colour, one
// cell otherwise.
std::vector<std::string> QualityCells(const QualityReportData& data, size_t row, QualityColumn column);
// The colour a colour column shows for an area; nullptr for the other columns.
const std::array<uint8_t, 3>* ColumnColour(const AreaQuality& area, QualityColumn column);

// The table as text cells: a header row, then one row per area (number from 1, pixels, state, every
// colour as three numbers, the colour differences with two decimals).
std::vector<std::vector<std::string>> QualityReportCells(const QualityReportData& data);
// The cells as tab-separated lines, and as CSV (fields with a comma, a quote or a line break quoted;
// lines end in CR LF).
std::string QualityReportTabText(const QualityReportData& data);
std::string QualityReportCsv(const QualityReportData& data);
// The table for a terminal: the columns the table beside the image has, under its headings, each
// padded to its widest cell (a colour's three numbers in one column), lines ending in "\n".
std::string QualityReportTextTable(const QualityReportData& data);
// Writes the CSV safely: the file is replaced only once the new one is complete. On failure
// kQualityReportSaveFailed, with the cause the system gave as its detail when there is one.
Error SaveQualityReportCsv(const QualityReportData& data, const std::string& path);

}  // namespace tintara
