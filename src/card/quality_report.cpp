#include "card/quality_report.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <functional>
#include <utility>

#include "base/file_io.h"
#include "base/result_codes.h"

namespace tintara {

namespace {

constexpr QualityColumnInfo kColumns[] = {
    {QualityColumn::kArea, "Area", "area", "", false},
    {QualityColumn::kPixels, "Pixels", "pixels", "", false},
    {QualityColumn::kState, "State", "state", "", false},
    {QualityColumn::kMeasured, "Measured", "measured", "", true},
    {QualityColumn::kReference, "Reference", "reference", "", true},
    {QualityColumn::kCorrected, "Corrected", "corrected", "", true},
    {QualityColumn::kBefore, "Before", "dE2000 before", "CIEDE2000 between the measured and the reference colour",
     false},
    {QualityColumn::kAfter, "After", "dE2000 after",
     "CIEDE2000 between the corrected and the reference colour, as converting this photograph gives it", false},
    {QualityColumn::kMatched, "After, exp.\nmatched", "dE2000 after, exposure matched",
     "CIEDE2000 after the profile, with the measured colour first given the exposure the fit found", false},
};

std::string CsvField(const std::string& cell) {
  if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
  std::string quoted = "\"";
  for (char c : cell) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string JoinRows(const std::vector<std::vector<std::string>>& rows, char separator, bool csv) {
  std::string text;
  for (const auto& row : rows) {
    for (size_t i = 0; i < row.size(); ++i) {
      if (i > 0) text += separator;
      text += csv ? CsvField(row[i]) : row[i];
    }
    text += csv ? "\r\n" : "\n";
  }
  return text;
}

}  // namespace

AreaState StateOf(const ColorArea& area) {
  if (!area.Valid) return AreaState::kInvalid;
  return area.Unreliable ? AreaState::kUnreliable : AreaState::kValid;
}

const char* AreaStateText(AreaState state) {
  switch (state) {
    case AreaState::kValid:
      return "valid";
    case AreaState::kUnreliable:
      return "unreliable";
    case AreaState::kInvalid:
      return "invalid";
  }
  return "";
}

int QualityReportData::AreasInFit() const {
  int inFit = 0;
  for (const AreaQuality& a : quality.areas) inFit += a.inFit ? 1 : 0;
  return inFit;
}

QualityReportData MakeQualityReportData(const CardLayout& layout, const ProfileQualityReport& quality,
                                        std::string profileName, std::string profileText) {
  QualityReportData data;
  data.profileName = std::move(profileName);
  data.profileText = std::move(profileText);
  data.quality = quality;
  for (const AreaQuality& q : quality.areas) {
    const size_t i = static_cast<size_t>(q.index);
    const ColorArea* area = i < layout.areas.size() ? &layout.areas[i] : nullptr;
    data.pixels.push_back(area ? area->pixelCount : 0);
    data.states.push_back(area ? StateOf(*area) : AreaState::kInvalid);
  }
  return data;
}

std::span<const QualityColumnInfo> QualityReportColumns() { return kColumns; }

std::string StateCell(AreaState state, bool inFit) {
  std::string text = AreaStateText(state);
  if (!inFit) text += ", not in the fit";
  return text;
}

std::string DifferenceText(double value) {
  char buffer[400];  // the largest double needs 309 digits before the point
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
  if (result.ec != std::errc()) return "";
  return std::string(buffer, result.ptr);
}

const std::array<uint8_t, 3>* ColumnColour(const AreaQuality& area, QualityColumn column) {
  switch (column) {
    case QualityColumn::kMeasured:
      return &area.measured;
    case QualityColumn::kReference:
      return &area.reference;
    case QualityColumn::kCorrected:
      return &area.corrected;
    default:
      return nullptr;
  }
}

std::vector<std::string> QualityCells(const QualityReportData& data, size_t row, QualityColumn column) {
  const AreaQuality& q = data.quality.areas.at(row);
  if (const std::array<uint8_t, 3>* colour = ColumnColour(q, column)) {
    return {std::to_string((*colour)[0]), std::to_string((*colour)[1]), std::to_string((*colour)[2])};
  }
  switch (column) {
    case QualityColumn::kArea:
      return {std::to_string(q.index + 1)};
    case QualityColumn::kPixels:
      return {std::to_string(row < data.pixels.size() ? data.pixels[row] : 0)};
    case QualityColumn::kState:
      return {StateCell(row < data.states.size() ? data.states[row] : AreaState::kInvalid, q.inFit)};
    case QualityColumn::kBefore:
      return {DifferenceText(q.deBefore)};
    case QualityColumn::kAfter:
      return {DifferenceText(q.deAfter)};
    case QualityColumn::kMatched:
      return {DifferenceText(q.deMatched)};
    default:
      return {};
  }
}

std::vector<std::vector<std::string>> QualityReportCells(const QualityReportData& data) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> header;
  for (const QualityColumnInfo& c : kColumns) {
    if (!c.colour) {
      header.push_back(c.field);
      continue;
    }
    for (const char* channel : {" R", " G", " B"}) header.push_back(std::string(c.field) + channel);
  }
  rows.push_back(std::move(header));
  for (size_t i = 0; i < data.quality.areas.size(); ++i) {
    std::vector<std::string> row;
    for (const QualityColumnInfo& c : kColumns) {
      for (std::string& cell : QualityCells(data, i, c.column)) row.push_back(std::move(cell));
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string QualityReportTabText(const QualityReportData& data) {
  return JoinRows(QualityReportCells(data), '\t', false);
}

std::string QualityReportCsv(const QualityReportData& data) { return JoinRows(QualityReportCells(data), ',', true); }

std::string QualityReportTextTable(const QualityReportData& data) {
  // Every cell of a column, the heading's lines first; a heading of two lines sits on two.
  struct Column {
    std::vector<std::string> heading;
    std::vector<std::string> cells;
    size_t width = 0;
    bool left = false;
  };
  std::vector<Column> columns;
  size_t headingLines = 1;
  for (const QualityColumnInfo& info : kColumns) {
    Column column;
    column.left = info.column == QualityColumn::kState;
    const std::string title = info.title;
    for (size_t start = 0;;) {
      const size_t end = title.find('\n', start);
      column.heading.push_back(title.substr(start, end == std::string::npos ? std::string::npos : end - start));
      if (end == std::string::npos) break;
      start = end + 1;
    }
    headingLines = std::max(headingLines, column.heading.size());
    for (size_t row = 0; row < data.quality.areas.size(); ++row) {
      const std::vector<std::string> parts = QualityCells(data, row, info.column);
      std::string cell;
      for (const std::string& part : parts) {
        // The three numbers of a colour line up from row to row.
        std::string number = part;
        if (parts.size() > 1 && number.size() < 3) number.insert(0, 3 - number.size(), ' ');
        cell += (cell.empty() ? "" : " ") + number;
      }
      column.cells.push_back(std::move(cell));
    }
    for (const std::string& line : column.heading) column.width = std::max(column.width, line.size());
    for (const std::string& cell : column.cells) column.width = std::max(column.width, cell.size());
    columns.push_back(std::move(column));
  }
  std::string text;
  auto appendLine = [&](const std::function<std::string(const Column&)>& cellOf) {
    std::string line;
    for (const Column& column : columns) {
      const std::string cell = cellOf(column);
      const std::string pad(column.width - cell.size(), ' ');
      line += (line.empty() ? "" : "  ") + (column.left ? cell + pad : pad + cell);
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    text += line + "\n";
  };
  for (size_t k = 0; k < headingLines; ++k) {
    appendLine([&](const Column& column) {
      // Headings stand on the last lines, next to the cells.
      const size_t skip = headingLines - column.heading.size();
      return k < skip ? std::string() : column.heading[k - skip];
    });
  }
  for (size_t row = 0; row < data.quality.areas.size(); ++row) {
    appendLine([&](const Column& column) { return column.cells[row]; });
  }
  return text;
}

Error SaveQualityReportCsv(const QualityReportData& data, const std::string& path) {
  const std::string csv = QualityReportCsv(data);
  return WriteFileSafely(
      path, [&](std::FILE* f) { return std::fwrite(csv.data(), 1, csv.size(), f) == csv.size(); },
      kQualityReportSaveFailed);
}

}  // namespace tintara
