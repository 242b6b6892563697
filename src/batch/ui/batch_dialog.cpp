#include "batch/ui/batch_dialog.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QThread>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>
#include <type_traits>
#include <utility>

#include "app/messages.h"
#include "app/settings.h"
#include "base/strings.h"
#include "profiles/ui/profile_bar.h"
#include "profiles/ui/profile_commands.h"
#include "base/ui/ui_text.h"
#include "base/file_names.h"
#include "batch/batch_job.h"
#include "image/ui/image_file_dialogs.h"

namespace tintara {

namespace {

constexpr char kDialogName[] = "BatchDialog";
constexpr int kSelectFilesTitle = 33040;
constexpr int kBrowseFolderTitle = 33038;

// The output list's entries and the rules they stand for, in list order.
constexpr std::pair<const char*, BatchOutputRule> kOutputEntries[] = {
    {"Create copy of image", BatchOutputRule::kCopy},
    {"Overwrite existing image", BatchOutputRule::kOverwrite},
    {"Skip if image already exists", BatchOutputRule::kSkip}};

// What the entries of the profile, operation and destination lists stand for, as their item data:
// a profile's identity (as the profile bar's list keeps it), an operation, a folder.
QVariant EntryData(ProfileId profile) { return QVariant::fromValue<qulonglong>(profile); }
QVariant EntryData(BatchOperation operation) { return QVariant(static_cast<int>(operation)); }
QVariant EntryData(const std::string& folder) { return QVariant(ui::ToQString(folder)); }

// The widest entry plus one average character, so the longest profile name is read whole.
int DropDownWidth(const QComboBox* box) {
  const QFontMetrics metrics(box->view()->font());
  int widest = 0;
  for (int i = 0; i < box->count(); ++i) widest = std::max(widest, metrics.horizontalAdvance(box->itemText(i)));
  return widest + metrics.averageCharWidth();
}

// The folder of a chosen file, without its final separator ("/" for a file at the root).
std::string FolderOf(const std::string& path) {
  std::string folder = path.substr(0, path.size() - FileNameOf(path).size());
  while (folder.size() > 1 && IsFolderSeparator(folder.back())) folder.pop_back();
  return folder;
}

// Paths lose their middle rather than their end when the column is narrow: the file's and the
// folder's own names are what tell the rows apart.
class PathElidingDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.column() == CBatchDialog::kInputColumn || index.column() == CBatchDialog::kDestinationColumn) {
      option->textElideMode = Qt::ElideMiddle;
    }
  }
};

QPushButton* Button(const char* text, const char* name, QWidget* parent) {
  auto* button = new QPushButton(QString::fromUtf8(text), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  return button;
}

QComboBox* DropDown(const char* name, QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  box->setMinimumContentsLength(16);
  return box;
}

}  // namespace

CBatchDialog::CBatchDialog(QWidget& owner, CProfileMenu& profiles) : QDialog(&owner), profiles_(profiles) {
  setObjectName(QString::fromLatin1(kDialogName));
  setWindowTitle(QStringLiteral("Batch"));

  QGroupBox* itemsGroup = BuildItemsGroup();
  close_ = Button("&Close", "close", this);
  close_->setDefault(true);
  close_->setAutoDefault(true);

  QGroupBox* detailsGroup = BuildDetailsGroup();

  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(close_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(itemsGroup, 1);
  layout->addWidget(detailsGroup);
  layout->addLayout(bottom);

  // Room beyond the columns' own widths goes to "Status", the column that can hold a long reason,
  // and a few more rows show without scrolling.
  resize(sizeHint().width() + 240, sizeHint().height() + 100);

  // Down the list's buttons, then through the details in reading order, Close last.
  QWidget* order[] = {list_,   addFiles_,   remove_,        removeAll_, profileBox_, addProfile_, operationBox_,
                      destinationBox_, addFolder_, outputBox_, process_,   stop_,       close_};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  ConnectControls();
  SetRunning(false);
}

QGroupBox* CBatchDialog::BuildItemsGroup() {
  auto* itemsGroup = new QGroupBox(QStringLiteral("Batch Items"), this);
  list_ = new QTreeWidget(itemsGroup);
  list_->setObjectName(QStringLiteral("itemList"));
  list_->setRootIsDecorated(false);
  list_->setItemsExpandable(false);
  list_->setUniformRowHeights(true);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setTextElideMode(Qt::ElideRight);
  list_->setItemDelegate(new PathElidingDelegate(list_));
  list_->setHeaderLabels({QStringLiteral("Input file"), QStringLiteral("Profile"), QStringLiteral("Operation"),
                          QStringLiteral("Destination folder"), QStringLiteral("Output"), QStringLiteral("Status")});
  list_->header()->setSectionsClickable(false);
  list_->header()->setSectionsMovable(false);
  list_->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  // Never narrower than the column's title: "Operation" would be cut at 60 pixels in most
  // desktop fonts.
  const int widths[] = {140, 140, 60, 176, 60, 70};
  const QFontMetrics headerFont(list_->header()->font());
  for (int column = 0; column < 6; ++column) {
    const int title = headerFont.horizontalAdvance(list_->headerItem()->text(column)) + 3 * headerFont.averageCharWidth();
    list_->setColumnWidth(column, std::max(widths[column], title));
  }
  list_->setAllColumnsShowFocus(true);
  int columnsWidth = 0;
  for (int column = 0; column < 6; ++column) columnsWidth += list_->columnWidth(column);
  list_->setMinimumWidth(columnsWidth + 2 * list_->frameWidth() + list_->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
  list_->setMinimumHeight(180);
  // Files dropped on the list join the job; the view's own drag and drop (moving rows) stays off,
  // since row i must always show item i.
  list_->setDragDropMode(QAbstractItemView::NoDragDrop);
  list_->setAcceptDrops(true);
  list_->viewport()->setAcceptDrops(true);
  list_->viewport()->installEventFilter(this);

  addFiles_ = Button("&Add...", "addFiles", itemsGroup);
  remove_ = Button("&Remove", "remove", itemsGroup);
  removeAll_ = Button("Remove Al&l", "removeAll", itemsGroup);
  auto* itemButtons = new QVBoxLayout;
  itemButtons->addWidget(addFiles_);
  itemButtons->addWidget(remove_);
  itemButtons->addWidget(removeAll_);
  itemButtons->addStretch(1);
  auto* itemsLayout = new QHBoxLayout(itemsGroup);
  itemsLayout->addWidget(list_, 1);
  itemsLayout->addLayout(itemButtons);
  return itemsGroup;
}

QGroupBox* CBatchDialog::BuildDetailsGroup() {
  auto* detailsGroup = new QGroupBox(QStringLiteral("Details"), this);
  profileBox_ = DropDown("profileBox", detailsGroup);
  addProfile_ = Button("Add...", "addProfile", detailsGroup);
  operationBox_ = DropDown("operationBox", detailsGroup);
  destinationBox_ = DropDown("destinationBox", detailsGroup);
  addFolder_ = Button("Add...", "addFolder", detailsGroup);
  outputBox_ = DropDown("outputBox", detailsGroup);
  progress_ = new QProgressBar(detailsGroup);
  progress_->setObjectName(QStringLiteral("progress"));
  progress_->setFormat(QStringLiteral("%v of %m"));
  process_ = Button("&Process", "process", detailsGroup);
  stop_ = Button("&Stop", "stop", detailsGroup);

  auto label = [detailsGroup](const char* text, QWidget* buddy) {
    auto* l = new QLabel(QString::fromUtf8(text), detailsGroup);
    l->setBuddy(buddy);
    return l;
  };
  auto* details = new QGridLayout(detailsGroup);
  details->addWidget(label("Profile:", profileBox_), 0, 0);
  details->addWidget(profileBox_, 0, 1);
  details->addWidget(addProfile_, 0, 2);
  details->addWidget(label("Destination folder:", destinationBox_), 0, 4);
  details->addWidget(destinationBox_, 0, 5);
  details->addWidget(addFolder_, 0, 6);
  details->addWidget(label("Operation:", operationBox_), 1, 0);
  details->addWidget(operationBox_, 1, 1);
  details->addWidget(label("Output:", outputBox_), 1, 4);
  details->addWidget(outputBox_, 1, 5);
  details->addWidget(label("Progress:", progress_), 2, 0);
  details->addWidget(progress_, 2, 1, 1, 4);
  auto* runButtons = new QHBoxLayout;
  runButtons->addStretch(1);
  runButtons->addWidget(process_);
  runButtons->addWidget(stop_);
  details->addLayout(runButtons, 2, 5, 1, 2);
  details->setColumnStretch(1, 1);
  details->setColumnStretch(5, 1);
  details->setColumnMinimumWidth(3, 16);
  return detailsGroup;
}

void CBatchDialog::ConnectControls() {
  connect(addFiles_, &QPushButton::clicked, this, &CBatchDialog::OnAddFiles);
  connect(remove_, &QPushButton::clicked, this, &CBatchDialog::OnRemoveSelected);
  connect(removeAll_, &QPushButton::clicked, this, &CBatchDialog::OnRemoveAll);
  connect(close_, &QPushButton::clicked, this, &CBatchDialog::reject);
  connect(addProfile_, &QPushButton::clicked, this, &CBatchDialog::OnAddProfile);
  connect(addFolder_, &QPushButton::clicked, this, &CBatchDialog::OnAddFolder);
  connect(process_, &QPushButton::clicked, this, &CBatchDialog::OnProcess);
  connect(stop_, &QPushButton::clicked, this, &CBatchDialog::OnStop);
  // A choice the user makes applies to the selected rows; the lists' selection set from here (the
  // details of the rows clicked) must not, so these follow the user's choices only.
  connect(profileBox_, &QComboBox::activated, this, &CBatchDialog::OnApplyProfile);
  connect(operationBox_, &QComboBox::activated, this, &CBatchDialog::OnApplyOperation);
  connect(destinationBox_, &QComboBox::activated, this, &CBatchDialog::OnApplyDestination);
  connect(outputBox_, &QComboBox::activated, this, &CBatchDialog::OnApplyOutput);
}

CBatchDialog::~CBatchDialog() {
  // The program is ending during a run: let the item in hand finish, so no file is left half
  // written by a thread that outlives the dialog.
  if (worker_) {
    stopRequested_->store(true);
    worker_->wait();
    delete worker_;
  }
}

CBatchDialog& CBatchDialog::Of(QWidget& owner, CProfileMenu& profiles) {
  auto* dialog = owner.findChild<CBatchDialog*>(QString::fromLatin1(kDialogName), Qt::FindDirectChildrenOnly);
  if (!dialog) dialog = new CBatchDialog(owner, profiles);
  return *dialog;
}

void CBatchDialog::Initialise() {
  progress_->setRange(0, 10);
  progress_->setValue(0);
  // The count shows once a run has given the bar its own range; "0 of 10" would mean nothing.
  progress_->setTextVisible(false);

  FillProfileList();

  if (folders_.empty()) folders_.push_back(std::string());  // the source folder
  destinationBox_->clear();
  for (const std::string& folder : folders_) {
    destinationBox_->addItem(ui::ToQString(DestinationText(folder)), EntryData(folder));
  }
  destinationBox_->setCurrentIndex(destinationBox_->count() - 1);
  destinationBox_->view()->setMinimumWidth(DropDownWidth(destinationBox_));

  operationBox_->clear();
  operationBox_->addItem(ui::ToQString(OperationText(BatchOperation::kConvert)), EntryData(BatchOperation::kConvert));
  operationBox_->setCurrentIndex(0);
  outputBox_->clear();
  for (const auto& [entry, rule] : kOutputEntries) outputBox_->addItem(QString::fromUtf8(entry));
  outputBox_->setCurrentIndex(kCreateCopy);

  list_->clear();
  for (BatchItem& item : items_) {
    // The profile has left the store.
    if (profileBox_->findData(EntryData(item.profile)) < 0) item.profile = kNoProfile;
    AppendRow(item);
  }
  UpdateButtons();
}

void CBatchDialog::FillProfileList() {
  // The profile bar's list is sorted already and its entries carry the profiles' identities: a copy
  // in its order sorts alike, so the same position selects the same profile.
  const QComboBox* source = profiles_.bar().profileBox();
  profileBox_->clear();
  for (int i = 0; i < source->count(); ++i) profileBox_->addItem(source->itemText(i), source->itemData(i));
  profileBox_->setCurrentIndex(source->currentIndex());
  profileBox_->view()->setMinimumWidth(std::min(DropDownWidth(profileBox_), CProfileBar::kMaxDropDownWidth));
}

void CBatchDialog::AppendRow(const BatchItem& item) {
  auto* row = new QTreeWidgetItem(list_);
  row->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
  row->setText(kInputColumn, ui::ToQString(FileNameOf(item.inputFile)));
  row->setToolTip(kInputColumn, ui::ToQString(item.inputFile));
  ShowItem(list_->indexOfTopLevelItem(row));
}

void CBatchDialog::ShowItem(int row) {
  QTreeWidgetItem* line = list_->topLevelItem(row);
  const BatchItem& item = items_[static_cast<size_t>(row)];
  const std::string texts[] = {ProfileText(item.profile, profiles_.store()), OperationText(item.operation),
                               DestinationText(item.destinationFolder), OutputRuleText(item.output),
                               StatusText(item.outcome)};
  for (int column = kProfileColumn; column <= kStatusColumn; ++column) {
    const QString text = ui::ToQString(texts[column - kProfileColumn]);
    line->setText(column, text);
    // The full text where the column is too narrow for it ("Failed (...)" reasons, long folders).
    line->setToolTip(column, text);
  }
}

void CBatchDialog::SetOutcome(int row, const BatchOutcome& outcome) {
  items_[static_cast<size_t>(row)].outcome = outcome;
  const QString text = ui::ToQString(StatusText(outcome));
  QTreeWidgetItem* line = list_->topLevelItem(row);
  line->setText(kStatusColumn, text);
  line->setToolTip(kStatusColumn, text);
}

std::vector<int> CBatchDialog::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : list_->selectionModel()->selectedRows()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

void CBatchDialog::UpdateButtons() {
  if (IsRunning()) return;
  remove_->setEnabled(!SelectedRows().empty());
  removeAll_->setEnabled(!items_.empty());
  const bool complete =
      std::all_of(items_.begin(), items_.end(), [](const BatchItem& item) { return item.profile != kNoProfile; });
  process_->setEnabled(!items_.empty() && complete);
}

void CBatchDialog::OnAddFiles() {
  FileDialogRequest request = OpenImageRequest();
  request.kind = FileDialogRequest::Kind::kOpenSeveral;
  request.title = StringOrEmpty(kSelectFilesTitle);
  const FileDialogAnswer answer = Presenter().AskFiles(request);
  if (answer.ok && !answer.paths.empty()) {
    const std::string folder = FolderOf(answer.paths.front());
    if (!folder.empty()) Settings().SetLoadImageFolder(folder);
    QStringList paths;
    for (const std::string& path : answer.paths) paths << ui::ToQString(path);
    AddFiles(paths);
    // What the new rows need next is a profile.
    if (profileBox_->currentIndex() < 0) profileBox_->setFocus(Qt::OtherFocusReason);
  }
  UpdateButtons();
}

void CBatchDialog::AddFiles(const QStringList& paths) {
  if (IsRunning()) return;
  for (const QString& path : paths) {
    BatchItem item;
    item.inputFile = ui::ToUtf8(path);
    items_.push_back(item);
    AppendRow(item);
  }
  // The new rows come selected, showing their details, so the next choice of a profile is theirs;
  // otherwise a first choice after adding would change nothing.
  if (!paths.isEmpty()) {
    list_->clearSelection();
    const int first = list_->topLevelItemCount() - static_cast<int>(paths.size());
    for (int row = first; row < list_->topLevelItemCount(); ++row) list_->topLevelItem(row)->setSelected(true);
    list_->setCurrentItem(list_->topLevelItem(first), 0, QItemSelectionModel::NoUpdate);
    list_->scrollToItem(list_->topLevelItem(list_->topLevelItemCount() - 1));
    OnShowDetails();
  }
  UpdateButtons();
}

void CBatchDialog::OnRemoveSelected() {
  if (IsRunning()) return;
  const std::vector<int> rows = SelectedRows();
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
    items_.erase(items_.begin() + *it);
    delete list_->takeTopLevelItem(*it);
  }
  UpdateButtons();
}

void CBatchDialog::OnRemoveAll() {
  if (IsRunning()) return;
  items_.clear();
  list_->clear();
  UpdateButtons();
}

void CBatchDialog::OnShowDetails() {
  const std::vector<int> rows = SelectedRows();
  if (!rows.empty()) {
    // The value all selected items share in one field, or nullopt when they differ.
    auto shared = [&](auto BatchItem::*field) {
      const auto& first = items_[static_cast<size_t>(rows.front())].*field;
      std::optional<std::decay_t<decltype(first)>> common = first;
      for (int row : rows) {
        if (items_[static_cast<size_t>(row)].*field != first) common.reset();
      }
      return common;
    };
    // The entry standing for the shared value, or none.
    auto show = [](QComboBox* box, const auto& value) {
      box->setCurrentIndex(value ? box->findData(EntryData(*value)) : -1);
    };
    show(destinationBox_, shared(&BatchItem::destinationFolder));
    show(profileBox_, shared(&BatchItem::profile));
    show(operationBox_, shared(&BatchItem::operation));
    const std::optional<BatchOutputRule> output = shared(&BatchItem::output);
    int entry = -1;
    for (int i = 0; output && i < static_cast<int>(std::size(kOutputEntries)); ++i) {
      if (kOutputEntries[i].second == *output) entry = i;
    }
    outputBox_->setCurrentIndex(entry);
  }
  UpdateButtons();
}

void CBatchDialog::ApplyToSelected(const std::function<void(BatchItem&)>& change) {
  // The run reports into the rows by position and writes the statuses back at its end.
  if (IsRunning()) return;
  for (int row : SelectedRows()) {
    BatchItem& item = items_[static_cast<size_t>(row)];
    change(item);
    // A changed item is a new job for that file, also after it succeeded.
    item.outcome = BatchOutcome();
    ShowItem(row);
  }
  UpdateButtons();
}

// A list without a selection leaves the items as they are: each field always holds a value.
void CBatchDialog::OnApplyProfile() {
  if (profileBox_->currentIndex() < 0) {
    UpdateButtons();
    return;
  }
  const ProfileId profile = profileBox_->currentData().toULongLong();
  ApplyToSelected([profile](BatchItem& item) { item.profile = profile; });
}

void CBatchDialog::OnApplyOperation() {
  if (operationBox_->currentIndex() < 0) {
    UpdateButtons();
    return;
  }
  const auto operation = static_cast<BatchOperation>(operationBox_->currentData().toInt());
  ApplyToSelected([operation](BatchItem& item) { item.operation = operation; });
}

void CBatchDialog::OnApplyDestination() {
  if (destinationBox_->currentIndex() < 0) {
    UpdateButtons();
    return;
  }
  const std::string folder = ui::ToUtf8(destinationBox_->currentData().toString());
  ApplyToSelected([folder](BatchItem& item) { item.destinationFolder = folder; });
}

void CBatchDialog::OnApplyOutput() {
  const int entry = outputBox_->currentIndex();
  if (entry < 0 || entry >= static_cast<int>(std::size(kOutputEntries))) {
    UpdateButtons();
    return;
  }
  const BatchOutputRule rule = kOutputEntries[entry].second;
  ApplyToSelected([rule](BatchItem& item) { item.output = rule; });
}

void CBatchDialog::OnAddProfile() {
  const int before = profiles_.bar().profileBox()->count();
  profiles_.AddProfiles();
  if (profiles_.bar().profileBox()->count() > before) {
    FillProfileList();
    OnApplyProfile();
  }
  UpdateButtons();
}

void CBatchDialog::OnAddFolder() {
  if (const std::optional<std::string> folder = Presenter().AskFolder(StringOrEmpty(kBrowseFolderTitle), "")) {
    if (!folder->empty() && std::find(folders_.begin(), folders_.end(), *folder) == folders_.end()) {
      folders_.push_back(*folder);
      destinationBox_->addItem(ui::ToQString(DestinationText(*folder)), EntryData(*folder));
      destinationBox_->setCurrentIndex(destinationBox_->count() - 1);
    }
  }
  destinationBox_->view()->setMinimumWidth(DropDownWidth(destinationBox_));
  OnApplyDestination();
}

void CBatchDialog::OnProcess() {
  if (IsRunning()) return;
  // The run's first pass, here so that the list shows it at once: everything that has not
  // succeeded starts again from an empty status.
  int pending = 0;
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].outcome.state == BatchState::kSucceeded) continue;
    SetOutcome(static_cast<int>(i), BatchOutcome());
    ++pending;
  }
  if (pending == 0) return;
  progress_->setRange(0, pending);
  progress_->setValue(0);
  progress_->setTextVisible(true);

  // The run works on copies: the dialog's items and the store stay the user-interface thread's,
  // and the run's reports bring each status back here in order.
  stopRequested_ = std::make_shared<std::atomic<bool>>(false);
  worker_ = QThread::create([this, items = items_, store = profiles_.store(), quality = Settings().JPEGQuality(),
                             stop = stopRequested_]() mutable {
    RunBatchJob(
        items, store, quality,
        [this](int index, const BatchOutcome& outcome, int done, int) {
          QMetaObject::invokeMethod(this, [this, index, outcome, done] { OnItemReported(index, outcome, done); },
                                    Qt::QueuedConnection);
        },
        [stop] { return stop->load(); });
    QMetaObject::invokeMethod(this, [this, items] { OnRunEnded(items); }, Qt::QueuedConnection);
  });
  worker_->setObjectName(QStringLiteral("BatchRun"));
  SetRunning(true);
  worker_->start();
}

void CBatchDialog::OnStop() {
  if (!IsRunning()) return;
  stopRequested_->store(true);
  stop_->setEnabled(false);
}

void CBatchDialog::OnItemReported(int index, const BatchOutcome& outcome, int done) {
  if (index < 0 || index >= static_cast<int>(items_.size())) return;
  SetOutcome(index, outcome);
  if (outcome.state == BatchState::kProcessing) list_->scrollToItem(list_->topLevelItem(index));
  progress_->setValue(done);
}

void CBatchDialog::OnRunEnded(const std::vector<BatchItem>& result) {
  worker_->wait();
  delete worker_;
  worker_ = nullptr;
  stopRequested_.reset();
  // Every report has arrived before this one; the run's own record settles every outcome regardless.
  for (size_t i = 0; i < result.size() && i < items_.size(); ++i) SetOutcome(static_cast<int>(i), result[i].outcome);
  SetRunning(false);
  emit runFinished();
  if (closeAfterRun_) {
    closeAfterRun_ = false;
    QDialog::reject();
  }
}

void CBatchDialog::SetRunning(bool running) {
  for (QWidget* w : std::initializer_list<QWidget*>{addFiles_, remove_, removeAll_, profileBox_, addProfile_,
                                                     operationBox_, destinationBox_, addFolder_, outputBox_}) {
    w->setEnabled(!running);
  }
  stop_->setEnabled(running);
  if (running) {
    process_->setEnabled(false);
    setCursor(Qt::BusyCursor);
    stop_->setFocus();
  } else {
    unsetCursor();
    UpdateButtons();
  }
}

void CBatchDialog::reject() {
  if (IsRunning()) {
    closeAfterRun_ = true;
    OnStop();
    return;
  }
  QDialog::reject();
}

bool CBatchDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_->viewport()) {
    switch (event->type()) {
      case QEvent::MouseButtonRelease:
        // The view sets the selection from this release only after the filter has seen it.
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
          QMetaObject::invokeMethod(this, &CBatchDialog::OnShowDetails, Qt::QueuedConnection);
        }
        break;
      case QEvent::DragEnter:
      case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (!IsRunning() && drag->mimeData()->hasUrls()) {
          drag->acceptProposedAction();
        } else {
          drag->ignore();
        }
        return true;
      }
      case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        QStringList paths;
        for (const QUrl& url : drop->mimeData()->urls()) {
          // Files only: a dropped folder is not a photograph, and Add lists none either.
          if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile()) paths << url.toLocalFile();
        }
        if (!IsRunning() && !paths.isEmpty()) {
          AddFiles(paths);
          drop->acceptProposedAction();
        }
        return true;
      }
      default:
        break;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace tintara
