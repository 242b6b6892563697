#pragma once

#include <QDockWidget>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "card/card_layout.h"
#include "card/profile_quality.h"

class QLabel;
class QMainWindow;
class QPushButton;
class QTableWidget;

namespace tintara {

// What sampling and the checks made of one colour area (the crosses on the card).
enum class AreaState { kValid, kUnreliable, kInvalid };

// The quality of one new profile as the report shows it: the figures MeasureProfileQuality gives
// (the same numbers `tintara-cli create-profile` prints), with each area's pixel count and state
// taken from the layout at the moment the profile was made, so a later change of the outline does
// not change a report already shown.
struct QualityReportData {
  std::string profileName;  // the record's name, for the file name Save... proposes
  std::string profileText;  // the profile as the profile box names it
  ProfileQualityReport quality;
  std::vector<int64_t> pixels;  // in area order, like quality.areas
  std::vector<AreaState> states;
};

QualityReportData MakeQualityReportData(const CardLayout& layout, const ProfileQualityReport& quality,
                                        std::string profileName, std::string profileText);

// The table as text cells: a header row, then one row per area (number from 1, pixels, state, every
// colour as three numbers, the colour differences with two decimals), as the table shows them. Copy and Save... write these.
std::vector<std::vector<std::string>> QualityReportCells(const QualityReportData& data);
// The cells as tab-separated lines, and as CSV (fields with a comma, a quote or a line break quoted).
std::string QualityReportTabText(const QualityReportData& data);
std::string QualityReportCsv(const QualityReportData& data);

// The quality report beside the image: on top the exposure the fit found, the mean and largest
// CIEDE2000 of each column and what the profile does and does not correct; below, one row per
// colour area with its pixel count, measured, reference and corrected colour (swatch and numbers),
// the differences before, after and after with the exposure matched, and its state. "Copy" puts
// the table on the clipboard as tab-separated text, "Save..." writes it as a CSV file.
class CQualityReportDock : public QDockWidget {
  Q_OBJECT

 public:
  explicit CQualityReportDock(QWidget* parent = nullptr);

  void SetReport(QualityReportData data);
  const std::optional<QualityReportData>& report() const { return report_; }

  QLabel* summary() const { return summary_; }
  QTableWidget* table() const { return table_; }
  QPushButton* copyButton() const { return copyButton_; }
  QPushButton* saveButton() const { return saveButton_; }

  void CopyTable() const;
  // Asks for a file (through the message convention) and writes the CSV safely; true when written.
  bool SaveTable() const;

  // The report dock of a main window, or nullptr before the first report.
  static CQualityReportDock* Find(const QMainWindow& window);
  // The report dock of a main window, made and docked on its right on first use.
  static CQualityReportDock* In(QMainWindow& window);
  static bool HasReport(const QMainWindow& window);
  // Image > Quality Report: shows the last report again (nothing without one).
  static void ShowIn(QMainWindow& window);

 private:
  QLabel* summary_;
  QTableWidget* table_;
  QPushButton* copyButton_;
  QPushButton* saveButton_;
  std::optional<QualityReportData> report_;
  bool sized_ = false;
};

}  // namespace tintara
