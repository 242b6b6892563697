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

#include "app/messages.h"
#include "base/strings.h"
#include "base/ui/ui_text.h"

namespace tintara {

namespace {

constexpr char kDockName[] = "QualityReportDock";

QIcon Swatch(const std::array<uint8_t, 3>& c) {
  QPixmap pixmap(18, 14);
  pixmap.fill(QColor(c[0], c[1], c[2]));
  QPainter painter(&pixmap);
  painter.setPen(QColor(96, 96, 96));
  painter.drawRect(0, 0, pixmap.width() - 1, pixmap.height() - 1);
  return QIcon(pixmap);
}

}  // namespace

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

  const std::span<const QualityColumnInfo> columns = QualityReportColumns();
  table_ = new QTableWidget(0, static_cast<int>(columns.size()), body);
  table_->setObjectName("QualityTable");
  for (size_t c = 0; c < columns.size(); ++c) {
    auto* heading = new QTableWidgetItem(ui::ToQString(columns[c].title));
    heading->setToolTip(ui::ToQString(columns[c].tip));
    table_->setHorizontalHeaderItem(static_cast<int>(c), heading);
  }
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
  const auto number = [](double v) { return ui::ToQString(DifferenceText(v)); };
  QString html;
  html += tr("<b>%1</b>").arg(ui::ToQString(r.profileText).toHtmlEscaped());
  html += tr("<br>Exposure the fit found: gain %1, offset %2 levels of 255.")
              .arg(QString::number(q.exposure.gain, 'f', 3))
              .arg((q.exposure.offset >= 0 ? QStringLiteral("+") : QString()) +
                   QString::number(255.0 * q.exposure.offset, 'f', 1));
  html += tr("<br>CIEDE2000 to the reference over the %1 areas in the fit:").arg(r.AreasInFit());
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

  const std::span<const QualityColumnInfo> columns = QualityReportColumns();
  const auto& worst = q.worstMatched;
  table_->setRowCount(static_cast<int>(q.areas.size()));
  for (size_t i = 0; i < q.areas.size(); ++i) {
    const AreaQuality& a = q.areas[i];
    const AreaState state = i < r.states.size() ? r.states[i] : AreaState::kInvalid;
    for (size_t c = 0; c < columns.size(); ++c) {
      const QualityColumn column = columns[c].column;
      QString text;
      for (const std::string& cell : QualityCells(r, i, column)) {
        text += (text.isEmpty() ? QString() : QStringLiteral(" ")) + ui::ToQString(cell);
      }
      auto* item = new QTableWidgetItem(text);
      const bool words = columns[c].colour || column == QualityColumn::kState;
      item->setTextAlignment((words ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
      if (const std::array<uint8_t, 3>* colour = ColumnColour(a, column)) item->setIcon(Swatch(*colour));
      if (column == QualityColumn::kState && state != AreaState::kValid) {
        item->setForeground(state == AreaState::kInvalid ? QColor(190, 0, 0) : QColor(150, 110, 0));
      }
      if (column == QualityColumn::kArea && std::find(worst.begin(), worst.end(), a.index) != worst.end()) {
        // The areas the view marks on the card: the ones whose colour the profile corrects least.
        QFont bold = item->font();
        bold.setBold(true);
        item->setFont(bold);
        item->setToolTip(tr("One of the five areas the profile corrects least; its number is shown on the card"));
      }
      table_->setItem(static_cast<int>(i), static_cast<int>(c), item);
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
  if (const Error saved = SaveQualityReportCsv(*report_, path); saved.failed()) {
    // The cause the system gave (a missing folder, a full disk) on a line of its own.
    const std::string cause = saved.detail().empty() ? "" : "\n" + saved.detail();
    Presenter().ShowMessageBox(StringOrEmpty(33030),
                               "The quality report could not be saved as '" + path + "'." + cause);
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
