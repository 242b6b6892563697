#include "card/ui/quality_report_dock.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>

#include "app/messages.h"
#include "base/strings.h"
#include "app/ui/ui_text.h"
#include "base/file_io.h"

namespace tintara {

namespace {

constexpr char kDockName[] = "QualityReportDock";

// Two decimals with a point whatever the locale: a report pasted into a spreadsheet or read by a
// script must not depend on the language of the desktop.
std::string Decimal(double value, int decimals = 2) { return ui::ToUtf8(QString::number(value, 'f', decimals)); }

const char* StateText(AreaState state) {
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

// The state as the table gives it: also whether the area entered the fit at all (too few pixels
// take an area out of it; the light checks only mark it).
std::string StateCell(AreaState state, bool inFit) {
  std::string text = StateText(state);
  if (!inFit) text += ", not in the fit";
  return text;
}

QString RgbText(const std::array<uint8_t, 3>& c) { return QStringLiteral("%1 %2 %3").arg(c[0]).arg(c[1]).arg(c[2]); }

QIcon Swatch(const std::array<uint8_t, 3>& c) {
  QPixmap pixmap(18, 14);
  pixmap.fill(QColor(c[0], c[1], c[2]));
  QPainter painter(&pixmap);
  painter.setPen(QColor(96, 96, 96));
  painter.drawRect(0, 0, pixmap.width() - 1, pixmap.height() - 1);
  return QIcon(pixmap);
}

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

enum Column {
  kColArea,
  kColPixels,
  kColState,
  kColMeasured,
  kColReference,
  kColCorrected,
  kColBefore,
  kColAfter,
  kColMatched,
  kColumnCount
};

}  // namespace

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
    AreaState state = AreaState::kInvalid;
    if (area && area->Valid) state = area->Unreliable ? AreaState::kUnreliable : AreaState::kValid;
    data.states.push_back(state);
  }
  return data;
}

std::vector<std::vector<std::string>> QualityReportCells(const QualityReportData& data) {
  std::vector<std::vector<std::string>> rows;
  rows.push_back({"area", "pixels", "state", "measured R", "measured G", "measured B", "reference R", "reference G",
                  "reference B", "corrected R", "corrected G", "corrected B", "dE2000 before", "dE2000 after",
                  "dE2000 after, exposure matched"});
  const auto& areas = data.quality.areas;
  for (size_t i = 0; i < areas.size(); ++i) {
    const AreaQuality& q = areas[i];
    std::vector<std::string> row{std::to_string(q.index + 1),
                                 std::to_string(i < data.pixels.size() ? data.pixels[i] : 0),
                                 StateCell(i < data.states.size() ? data.states[i] : AreaState::kInvalid, q.inFit)};
    for (const auto* colour : {&q.measured, &q.reference, &q.corrected}) {
      for (uint8_t v : *colour) row.push_back(std::to_string(v));
    }
    row.push_back(Decimal(q.deBefore));
    row.push_back(Decimal(q.deAfter));
    row.push_back(Decimal(q.deMatched));
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string QualityReportTabText(const QualityReportData& data) {
  return JoinRows(QualityReportCells(data), '\t', false);
}

std::string QualityReportCsv(const QualityReportData& data) { return JoinRows(QualityReportCells(data), ',', true); }

CQualityReportDock::CQualityReportDock(QWidget* parent) : QDockWidget(tr("Quality Report"), parent) {
  setObjectName(kDockName);  // the bar state is stored by object name
  setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea | Qt::BottomDockWidgetArea);

  auto* body = new QWidget(this);
  auto* layout = new QVBoxLayout(body);
  summary_ = new QLabel(body);
  summary_->setObjectName("QualitySummary");
  summary_->setTextFormat(Qt::RichText);
  summary_->setWordWrap(true);
  summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(summary_);

  table_ = new QTableWidget(0, kColumnCount, body);
  table_->setObjectName("QualityTable");
  table_->setHorizontalHeaderLabels({tr("Area"), tr("Pixels"), tr("State"), tr("Measured"), tr("Reference"), tr("Corrected"),
                                     tr("Before"), tr("After"), tr("After, exp.\nmatched")});
  table_->horizontalHeaderItem(kColBefore)->setToolTip(tr("CIEDE2000 between the measured and the reference colour"));
  table_->horizontalHeaderItem(kColAfter)
      ->setToolTip(tr("CIEDE2000 between the corrected and the reference colour, as converting this photograph gives it"));
  table_->horizontalHeaderItem(kColMatched)
      ->setToolTip(tr("CIEDE2000 after the profile, with the measured colour first given the exposure the fit found"));
  table_->verticalHeader()->hide();
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setIconSize(QSize(18, 14));
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  layout->addWidget(table_, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  copyButton_ = new QPushButton(tr("&Copy"), body);
  copyButton_->setToolTip(tr("Put the table on the clipboard as tab-separated text"));
  saveButton_ = new QPushButton(tr("&Save..."), body);
  saveButton_->setToolTip(tr("Save the table as a CSV file"));
  buttons->addWidget(copyButton_);
  buttons->addWidget(saveButton_);
  layout->addLayout(buttons);
  setWidget(body);

  connect(copyButton_, &QPushButton::clicked, this, [this] { CopyTable(); });
  connect(saveButton_, &QPushButton::clicked, this, [this] { SaveTable(); });
  copyButton_->setEnabled(false);
  saveButton_->setEnabled(false);
}

void CQualityReportDock::SetReport(QualityReportData data) {
  report_ = std::move(data);
  const QualityReportData& r = *report_;
  const ProfileQualityReport& q = r.quality;
  int inFit = 0;
  for (const AreaQuality& a : q.areas) inFit += a.inFit ? 1 : 0;

  const auto number = [](double v) { return QString::number(v, 'f', 2); };
  QString html;
  html += tr("<b>%1</b>").arg(ui::ToQString(r.profileText).toHtmlEscaped());
  html += tr("<br>Exposure the fit found: gain %1, offset %2 levels of 255.")
              .arg(QString::number(q.exposure.gain, 'f', 3))
              .arg((q.exposure.offset >= 0 ? QStringLiteral("+") : QString()) +
                   QString::number(255.0 * q.exposure.offset, 'f', 1));
  html += tr("<br>CIEDE2000 to the reference over the %1 areas in the fit:").arg(inFit);
  html += tr("<table cellspacing=0 cellpadding=2><tr><td></td>"
             "<td align=right>&nbsp;&nbsp;before</td><td align=right>&nbsp;&nbsp;after</td>"
             "<td align=right>&nbsp;&nbsp;after, exposure matched</td></tr>");
  html += tr("<tr><td>mean</td><td align=right>%1</td><td align=right>%2</td><td align=right>%3</td></tr>")
              .arg(number(q.meanBefore), number(q.meanAfter), number(q.meanMatched));
  html += tr("<tr><td>largest</td><td align=right>%1</td><td align=right>%2</td><td align=right>%3</td></tr></table>")
              .arg(number(q.maxBefore), number(q.maxAfter), number(q.maxMatched));
  html += tr("<i>The profile corrects colour, not the exposure of this shot: a photograph taken a little dark or "
             "bright stays so, which is why the last column first gives it the exposure the fit found.</i>");
  summary_->setText(html);

  const std::vector<std::vector<std::string>> cells = QualityReportCells(r);
  const auto& worst = q.worstMatched;
  table_->setRowCount(static_cast<int>(q.areas.size()));
  for (size_t i = 0; i < q.areas.size(); ++i) {
    const AreaQuality& a = q.areas[i];
    const std::vector<std::string>& row = cells[i + 1];
    const int rowIndex = static_cast<int>(i);
    const auto put = [&](int column, const QString& text, Qt::Alignment align) {
      auto* item = new QTableWidgetItem(text);
      item->setTextAlignment(align | Qt::AlignVCenter);
      table_->setItem(rowIndex, column, item);
      return item;
    };
    QTableWidgetItem* index = put(kColArea, ui::ToQString(row[0]), Qt::AlignRight);
    if (std::find(worst.begin(), worst.end(), a.index) != worst.end()) {
      // The areas the view marks on the card: the ones whose colour the profile corrects least.
      QFont bold = index->font();
      bold.setBold(true);
      index->setFont(bold);
      index->setToolTip(tr("One of the five areas the profile corrects least; its number is shown on the card"));
    }
    put(kColPixels, ui::ToQString(row[1]), Qt::AlignRight);
    put(kColMeasured, RgbText(a.measured), Qt::AlignLeft)->setIcon(Swatch(a.measured));
    put(kColReference, RgbText(a.reference), Qt::AlignLeft)->setIcon(Swatch(a.reference));
    put(kColCorrected, RgbText(a.corrected), Qt::AlignLeft)->setIcon(Swatch(a.corrected));
    QTableWidgetItem* state = put(kColState, ui::ToQString(row[2]), Qt::AlignLeft);
    put(kColBefore, ui::ToQString(row[12]), Qt::AlignRight);
    put(kColAfter, ui::ToQString(row[13]), Qt::AlignRight);
    put(kColMatched, ui::ToQString(row[14]), Qt::AlignRight);
    if (i < r.states.size() && r.states[i] != AreaState::kValid) {
      state->setForeground(r.states[i] == AreaState::kInvalid ? QColor(190, 0, 0) : QColor(150, 110, 0));
    }
  }
  copyButton_->setEnabled(true);
  saveButton_->setEnabled(true);

  // The first report opens the dock wide enough for the whole table (up to three fifths of the
  // window), so the last column, the one to judge a profile by, does not hide behind a scroll bar;
  // later reports keep the width the user left it at.
  auto* window = qobject_cast<QMainWindow*>(parentWidget());
  if (!sized_ && window && !isFloating()) {
    sized_ = true;
    table_->resizeColumnsToContents();
    const int tableWidth = table_->horizontalHeader()->length() + table_->verticalScrollBar()->sizeHint().width() +
                           2 * table_->frameWidth();
    const QMargins margins = widget()->layout()->contentsMargins();
    const int wanted = tableWidth + margins.left() + margins.right() +
                       2 * style()->pixelMetric(QStyle::PM_DockWidgetFrameWidth, nullptr, this);
    window->resizeDocks({this}, {std::min(wanted, window->width() * 3 / 5)}, Qt::Horizontal);
  }
}

void CQualityReportDock::CopyTable() const {
  if (!report_) return;
  QApplication::clipboard()->setText(ui::ToQString(QualityReportTabText(*report_)));
}

bool CQualityReportDock::SaveTable() const {
  if (!report_) return false;
  FileDialogRequest request;
  request.kind = FileDialogRequest::Kind::kSave;
  request.title = "Save Quality Report";
  request.filters = {{"CSV file (*.csv)", {"*.csv"}}};
  request.fileName = (report_->profileName.empty() ? std::string("profile") : report_->profileName) + " quality.csv";
  request.defaultSuffix = "csv";
  request.confirmOverwrite = true;
  const FileDialogAnswer answer = Presenter().AskFiles(request);
  if (!answer.ok || answer.paths.empty() || answer.paths.front().empty()) return false;
  const std::string& path = answer.paths.front();
  const std::string csv = QualityReportCsv(*report_);
  if (!WriteFileAtomically(path, std::vector<uint8_t>(csv.begin(), csv.end()))) {
    Presenter().ShowMessageBox(StringOrEmpty(33030), "The quality report could not be saved as '" + path + "'.");
    return false;
  }
  return true;
}

CQualityReportDock* CQualityReportDock::Find(const QMainWindow& window) {
  return window.findChild<CQualityReportDock*>(kDockName, Qt::FindDirectChildrenOnly);
}

CQualityReportDock* CQualityReportDock::In(QMainWindow& window) {
  if (CQualityReportDock* dock = Find(window)) return dock;
  auto* dock = new CQualityReportDock(&window);
  window.addDockWidget(Qt::RightDockWidgetArea, dock);
  return dock;
}

bool CQualityReportDock::HasReport(const QMainWindow& window) {
  const CQualityReportDock* dock = Find(window);
  return dock && dock->report_.has_value();
}

void CQualityReportDock::ShowIn(QMainWindow& window) {
  CQualityReportDock* dock = Find(window);
  if (!dock || !dock->report_) return;
  dock->show();
  dock->raise();
}

}  // namespace tintara
