#pragma once

#include <QDockWidget>
#include <optional>

#include "card/quality_report.h"

class QLabel;
class QMainWindow;
class QPushButton;
class QTableWidget;

namespace tintara {

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
