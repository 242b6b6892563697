#pragma once

#include <QDialog>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "batch/batch_item.h"

class QComboBox;
class QGroupBox;
class QProgressBar;
class QPushButton;
class QThread;
class QTreeWidget;

namespace tintara {

class CProfileMenu;

// The Batch dialog: a list of photographs, each with its profile, operation, destination folder and
// output rule, and the run over them. One dialog lives under its owner (the main window) for the
// whole program, so the items, their statuses and the destination folders stay from one opening to
// the next; every opening starts with Initialise().
//
// The run goes on a thread of its own over a copy of the items and of the profile store, and reports
// each item's start and end back here, so the dialog keeps painting and answers Stop while a large
// photograph is converted. While it runs nothing that changes the items can be used.
class CBatchDialog : public QDialog {
  Q_OBJECT

 public:
  // The list's columns, in order.
  enum Column { kInputColumn, kProfileColumn, kOperationColumn, kDestinationColumn, kOutputColumn, kStatusColumn };
  // The output list's entries, in order.
  enum OutputEntry { kCreateCopy, kOverwriteExisting, kSkipExisting };

  // The profiles are the profile menu's: its store, the profile bar's list and Profile > Add.
  CBatchDialog(QWidget& owner, CProfileMenu& profiles);
  ~CBatchDialog() override;

  // The one dialog of `owner`, made on first use.
  static CBatchDialog& Of(QWidget& owner, CProfileMenu& profiles);

  // Brings the controls up to date for an opening: progress at 0 of 10, the profile list from the
  // profile bar's, the destination, operation and output lists, the rows from the items (a profile
  // that has left the store is taken out of its items) and the buttons.
  void Initialise();

  const std::vector<BatchItem>& items() const { return items_; }
  // The destination list's folders, in its order: the source folder (an empty path) first.
  const std::vector<std::string>& destinationFolders() const { return folders_; }
  bool IsRunning() const { return worker_ != nullptr; }

  QTreeWidget* list() const { return list_; }
  QComboBox* profileBox() const { return profileBox_; }
  QComboBox* operationBox() const { return operationBox_; }
  QComboBox* destinationBox() const { return destinationBox_; }
  QComboBox* outputBox() const { return outputBox_; }
  QProgressBar* progressBar() const { return progress_; }
  QPushButton* addFilesButton() const { return addFiles_; }
  QPushButton* removeButton() const { return remove_; }
  QPushButton* removeAllButton() const { return removeAll_; }
  QPushButton* addProfileButton() const { return addProfile_; }
  QPushButton* addFolderButton() const { return addFolder_; }
  QPushButton* processButton() const { return process_; }
  QPushButton* stopButton() const { return stop_; }
  QPushButton* closeButton() const { return close_; }

  // The handlers, as the controls call them.
  void OnAddFiles();
  void OnRemoveSelected();
  void OnRemoveAll();
  void OnShowDetails();
  void OnApplyProfile();
  void OnApplyOperation();
  void OnApplyDestination();
  void OnApplyOutput();
  void OnAddProfile();
  void OnAddFolder();
  // Starts the run and returns at once; runFinished() follows its end.
  void OnProcess();
  // Asks the run to end after the item in hand.
  void OnStop();

  // Appends items for these files, as Add does for the files chosen, and selects their rows.
  void AddFiles(const QStringList& paths);

 signals:
  void runFinished();

 public slots:
  // Close and Escape: during a run the run is stopped first and the dialog closes once it ended.
  void reject() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The dialog's two groups, "Batch Items" (the list and its buttons) and "Details" (the choices for
  // the selected rows and the run), and what their controls do.
  QGroupBox* BuildItemsGroup();
  QGroupBox* BuildDetailsGroup();
  void ConnectControls();
  void FillProfileList();
  void AppendRow(const BatchItem& item);
  void ShowItem(int row);
  void SetOutcome(int row, const BatchOutcome& outcome);
  std::vector<int> SelectedRows() const;
  void ApplyToSelected(const std::function<void(BatchItem&)>& change);
  void UpdateButtons();
  void SetRunning(bool running);
  void OnItemReported(int index, const BatchOutcome& outcome, int done);
  void OnRunEnded(const std::vector<BatchItem>& result);

  CProfileMenu& profiles_;
  std::vector<BatchItem> items_;
  std::vector<std::string> folders_;

  QTreeWidget* list_ = nullptr;
  QComboBox* profileBox_ = nullptr;
  QComboBox* operationBox_ = nullptr;
  QComboBox* destinationBox_ = nullptr;
  QComboBox* outputBox_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPushButton* addFiles_ = nullptr;
  QPushButton* remove_ = nullptr;
  QPushButton* removeAll_ = nullptr;
  QPushButton* close_ = nullptr;
  QPushButton* addProfile_ = nullptr;
  QPushButton* addFolder_ = nullptr;
  QPushButton* process_ = nullptr;
  QPushButton* stop_ = nullptr;

  QThread* worker_ = nullptr;
  // Shared with the run, which asks it before each item; outlives the dialog only inside the run.
  std::shared_ptr<std::atomic<bool>> stopRequested_;
  bool closeAfterRun_ = false;
};

}  // namespace tintara
