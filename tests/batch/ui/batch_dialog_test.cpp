#include "batch/ui/batch_dialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/settings.h"
#include "app/settings_storage.h"
#include "app/ui/main_frame.h"
#include "profiles/ui/profile_bar.h"
#include "batch/batch_job.h"
#include "image/image_file.h"
#include "profiles/profile_file.h"
#include "support/run_command.h"
#include "support/scripted_presenter.h"
#include "support/test_environment.h"
#include "support/test_images.h"
#include "support/test_profiles.h"

namespace tintara {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

FileDialogAnswer Chosen(std::vector<std::string> paths) {
  FileDialogAnswer answer;
  answer.ok = true;
  answer.paths = std::move(paths);
  return answer;
}

class BatchDialogTest : public test::PrivateSettingsTest {
 protected:
  void SetUp() override {
    PrivateSettingsTest::SetUp();
    frameStore_ = MakeFileSettingsStorage(dir_.File("frame.ini"));
    profiles_.AddOrReplaceProfile(test::TestProfileRecord("Studio", "", 2.0));  // red doubled
    profiles_.AddOrReplaceProfile(test::TestProfileRecord("Daylight", "north"));
    frame_ = std::make_unique<CMainFrame>(profiles_, references_, *frameStore_, dir_.path());
    frame_->RefillProfileBox();
  }

  // The program's one dialog, opened as the Batch command opens it but without blocking the test.
  CBatchDialog& Open() {
    CBatchDialog& dialog = CBatchDialog::Of(*frame_, frame_->profileMenu());
    dialog.Initialise();
    dialog.show();
    return dialog;
  }

  // Photographs of their own, added through the file dialog.
  void AddPhotos(CBatchDialog& dialog, const std::vector<std::string>& names, int size = 16) {
    std::vector<std::string> paths;
    for (const std::string& name : names) {
      paths.push_back(dir_.File(name));
      if (!fs::exists(paths.back())) test::WritePatternImage(paths.back(), size, size);
    }
    presenter_.fileAnswers.push_back(Chosen(paths));
    dialog.addFilesButton()->click();
  }

  // Selects exactly these rows with the mouse, as a click and Ctrl+clicks do.
  static void ClickRows(CBatchDialog& dialog, const std::vector<int>& rows) {
    QTreeWidget* list = dialog.list();
    for (size_t i = 0; i < rows.size(); ++i) {
      const QRect rect = list->visualItemRect(list->topLevelItem(rows[i]));
      QTest::mouseClick(list->viewport(), Qt::LeftButton, i == 0 ? Qt::NoModifier : Qt::ControlModifier,
                        rect.center());
      QCoreApplication::processEvents();
    }
  }

  // A choice in a drop-down list as the user makes it.
  static void Choose(QComboBox* box, const QString& text) {
    const int entry = box->findText(text);
    ASSERT_GE(entry, 0) << text.toStdString();
    box->setCurrentIndex(entry);
    emit box->activated(entry);
  }

  static void SetAll(CBatchDialog& dialog, const QString& profile) {
    dialog.list()->selectAll();
    Choose(dialog.profileBox(), profile);
  }

  static bool RunToEnd(CBatchDialog& dialog) {
    QSignalSpy finished(&dialog, &CBatchDialog::runFinished);
    dialog.processButton()->click();
    return finished.wait(60000);
  }

  static std::vector<std::string> Statuses(const CBatchDialog& dialog) {
    std::vector<std::string> statuses;
    for (const BatchItem& item : dialog.items()) statuses.push_back(StatusText(item.outcome));
    return statuses;
  }

  // The list text of the profile of item `row`.
  std::string ProfileOf(const CBatchDialog& dialog, size_t row) const {
    return ProfileText(dialog.items()[row].profile, profiles_);
  }

  // The six texts of a row.
  static std::vector<std::string> RowTexts(const CBatchDialog& dialog, int row) {
    std::vector<std::string> texts;
    for (int column = 0; column < 6; ++column) {
      texts.push_back(dialog.list()->topLevelItem(row)->text(column).toStdString());
    }
    return texts;
  }

  // Every row shows its item: the file's name and the five texts.
  void ExpectRowsMatchItems(const CBatchDialog& dialog) const {
    ASSERT_EQ(dialog.list()->topLevelItemCount(), static_cast<int>(dialog.items().size()));
    for (int row = 0; row < dialog.list()->topLevelItemCount(); ++row) {
      const BatchItem& item = dialog.items()[static_cast<size_t>(row)];
      EXPECT_EQ(RowTexts(dialog, row),
                (std::vector<std::string>{fs::path(item.inputFile).filename().string(),
                                          ProfileOf(dialog, static_cast<size_t>(row)), OperationText(item.operation),
                                          DestinationText(item.destinationFolder), OutputRuleText(item.output),
                                          StatusText(item.outcome)}))
          << row;
    }
  }

  test::ScriptedPresenter presenter_;
  TempDir dir_;
  std::unique_ptr<SettingsStorage> frameStore_;
  ProfileStore profiles_;
  ReferenceSetList references_;
  std::unique_ptr<CMainFrame> frame_;
};

TEST_F(BatchDialogTest, NewItemsWaitForAProfileAndAChoiceAppliesToEverySelectedRow) {
  CBatchDialog& dialog = Open();
  EXPECT_EQ(&CBatchDialog::Of(*frame_, frame_->profileMenu()), &dialog);
  EXPECT_FALSE(dialog.processButton()->isEnabled());
  EXPECT_FALSE(dialog.removeButton()->isEnabled());
  EXPECT_FALSE(dialog.removeAllButton()->isEnabled());

  AddPhotos(dialog, {"a.tif", "b.jpg"});
  ASSERT_EQ(presenter_.fileRequests.size(), 1u);
  EXPECT_EQ(presenter_.fileRequests[0].title, "Select file(s) to add to batch job");
  EXPECT_EQ(presenter_.fileRequests[0].kind, FileDialogRequest::Kind::kOpenSeveral);
  EXPECT_EQ(Settings().LoadImageFolder(), dir_.path());
  ASSERT_EQ(dialog.items().size(), 2u);
  EXPECT_EQ(RowTexts(dialog, 1),
            (std::vector<std::string>{"b.jpg", "", "Convert", "<Same as source folder>", "Copy", ""}));
  EXPECT_EQ(dialog.items()[1].operation, BatchOperation::kConvert);
  EXPECT_EQ(dialog.items()[1].destinationFolder, "");
  EXPECT_EQ(dialog.items()[1].output, BatchOutputRule::kCopy);
  EXPECT_TRUE(dialog.removeAllButton()->isEnabled());
  EXPECT_FALSE(dialog.processButton()->isEnabled());
  // The new rows are selected and show what they share: no profile yet, the default rule.
  EXPECT_EQ(dialog.list()->selectedItems().size(), 2);
  EXPECT_EQ(dialog.profileBox()->currentIndex(), -1);
  EXPECT_EQ(dialog.outputBox()->currentText(), "Create copy of image");

  // One item with a profile is not enough.
  ClickRows(dialog, {0});
  EXPECT_TRUE(dialog.removeButton()->isEnabled());
  Choose(dialog.profileBox(), "Studio");
  EXPECT_FALSE(dialog.processButton()->isEnabled());
  ClickRows(dialog, {1});
  Choose(dialog.profileBox(), "Daylight (north)");
  Choose(dialog.outputBox(), "Skip if image already exists");
  EXPECT_TRUE(dialog.processButton()->isEnabled());
  ASSERT_TRUE(RunToEnd(dialog));
  EXPECT_EQ(Statuses(dialog), (std::vector<std::string>{"Succeeded", "Failed (Skipped)"}));

  // Two rows that differ show no profile and no output; a choice sets both and empties both statuses.
  ClickRows(dialog, {0, 1});
  EXPECT_EQ(dialog.profileBox()->currentIndex(), -1);
  EXPECT_EQ(dialog.outputBox()->currentIndex(), -1);
  EXPECT_EQ(dialog.operationBox()->currentText(), "Convert");
  Choose(dialog.profileBox(), "Studio");
  EXPECT_EQ(ProfileOf(dialog, 0), "Studio");
  EXPECT_EQ(ProfileOf(dialog, 1), "Studio");
  EXPECT_EQ(Statuses(dialog), (std::vector<std::string>{"", ""}));
  // Now the rows share their profile, and one row's rule shows as its entry.
  ClickRows(dialog, {1});
  EXPECT_EQ(dialog.profileBox()->currentText(), "Studio");
  EXPECT_EQ(dialog.outputBox()->currentText(), "Skip if image already exists");

  // Folders: a new one is added once and applied to the selected rows; adding it again leaves the
  // list as it is and applies the destination the list shows.
  const std::string out = dir_.File("out");
  fs::create_directory(out);
  presenter_.folderAnswers = {out, out};
  dialog.addFolderButton()->click();
  EXPECT_EQ(presenter_.Of("folder").at(0).caption, "Browse for output folder");
  ClickRows(dialog, {0});
  dialog.addFolderButton()->click();
  EXPECT_EQ(dialog.destinationFolders(), (std::vector<std::string>{"", out}));
  EXPECT_EQ(dialog.destinationBox()->count(), 2);
  EXPECT_EQ(dialog.destinationBox()->itemText(0), "<Same as source folder>");
  EXPECT_EQ(dialog.items()[0].destinationFolder, "");
  EXPECT_EQ(dialog.items()[1].destinationFolder, out);
  EXPECT_EQ(RowTexts(dialog, 1), (std::vector<std::string>{"b.jpg", "Studio", "Convert", out, "Skip", ""}));
  ExpectRowsMatchItems(dialog);

  // Files dropped on the list join it as Add makes them; a folder does not.
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(dir_.File("a.tif"))), QUrl::fromLocalFile(QString::fromStdString(out))});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(dialog.list()->viewport(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(dialog.list()->viewport(), &drop);
  ASSERT_EQ(dialog.items().size(), 3u);
  EXPECT_EQ(dialog.items()[2].inputFile, dir_.File("a.tif"));
  EXPECT_EQ(dialog.items()[2].profile, kNoProfile);
  ASSERT_EQ(dialog.list()->selectedItems().size(), 1);
  EXPECT_EQ(dialog.list()->indexOfTopLevelItem(dialog.list()->selectedItems()[0]), 2);
  EXPECT_FALSE(dialog.processButton()->isEnabled());
  ExpectRowsMatchItems(dialog);
}

TEST_F(BatchDialogTest, RemovingRowsKeepsRowsAndItemsMatchingAndAnAddedProfileIsApplied) {
  CBatchDialog& dialog = Open();
  AddPhotos(dialog, {"0.tif", "1.tif", "2.tif", "3.tif", "4.tif", "5.tif"});
  ClickRows(dialog, {1, 4});
  dialog.removeButton()->click();
  std::vector<std::string> left;
  for (const BatchItem& item : dialog.items()) left.push_back(fs::path(item.inputFile).filename().string());
  EXPECT_EQ(left, (std::vector<std::string>{"0.tif", "2.tif", "3.tif", "5.tif"}));
  ExpectRowsMatchItems(dialog);
  EXPECT_FALSE(dialog.removeButton()->isEnabled());

  // Add profile runs the Profile menu's Add and gives the new profile to the selected rows.
  const std::string file = dir_.File("Portrait.tnp");
  ProfileRecord portrait = test::TestProfileRecord("Portrait", "");
  ASSERT_TRUE(SaveProfileFile(portrait, file).ok());
  presenter_.fileAnswers.push_back(Chosen({file}));
  ClickRows(dialog, {0, 3});
  dialog.addProfileButton()->click();
  EXPECT_EQ(profiles_.Count(), 3);
  EXPECT_EQ(dialog.profileBox()->count(), 3);
  EXPECT_EQ(ProfileOf(dialog, 0), "Portrait");
  EXPECT_EQ(dialog.items()[1].profile, kNoProfile);
  EXPECT_EQ(ProfileOf(dialog, 3), "Portrait");
  // A cancelled Add changes nothing.
  ClickRows(dialog, {1});
  dialog.addProfileButton()->click();
  EXPECT_EQ(dialog.items()[1].profile, kNoProfile);
  ExpectRowsMatchItems(dialog);

  dialog.removeAllButton()->click();
  EXPECT_TRUE(dialog.items().empty());
  EXPECT_EQ(dialog.list()->topLevelItemCount(), 0);
  EXPECT_EQ(dialog.destinationFolders().size(), 1u);
  EXPECT_FALSE(dialog.removeAllButton()->isEnabled());
}

TEST_F(BatchDialogTest, ARunGivesTheCoreJobsResultsAndReopeningKeepsThemButNotAProfileThatLeft) {
  CBatchDialog& dialog = Open();
  // The same files in a folder of their own for the core job to work on.
  fs::create_directory(dir_.File("core"));
  const std::vector<std::string> names = {"a.tif", "IMG.JPG", "c.tif", "img.png"};
  std::vector<BatchItem> coreItems;
  for (size_t i = 0; i < names.size(); ++i) {
    if (names[i] == "img.png") {
      test::WriteFileText(dir_.File(names[i]), "png");
    } else {
      test::WritePatternImage(dir_.File(names[i]), 40, 30, static_cast<uint32_t>(i + 1));
    }
    fs::copy_file(dir_.File(names[i]), dir_.File("core/" + names[i]));
  }
  AddPhotos(dialog, names);
  SetAll(dialog, "Studio");
  ClickRows(dialog, {2});
  Choose(dialog.profileBox(), "Daylight (north)");
  for (const BatchItem& item : dialog.items()) {
    coreItems.push_back(item);
    coreItems.back().inputFile = dir_.File("core/" + fs::path(item.inputFile).filename().string());
  }

  ASSERT_TRUE(RunToEnd(dialog));
  RunBatchJob(coreItems, profiles_, Settings().JPEGQuality());
  std::vector<std::string> coreStatuses;
  for (const BatchItem& item : coreItems) coreStatuses.push_back(StatusText(item.outcome));
  EXPECT_EQ(Statuses(dialog), coreStatuses);
  EXPECT_EQ(Statuses(dialog)[0], "Succeeded");
  EXPECT_EQ(dialog.progressBar()->maximum(), 4);
  EXPECT_EQ(dialog.progressBar()->value(), 4);
  for (const char* output : {"a(1).tif", "IMG(1).JPG", "c(1).tif"}) {
    ASSERT_TRUE(fs::exists(dir_.File(output))) << output;
    EXPECT_EQ(test::ReadFileText(dir_.File(output)), test::ReadFileText(dir_.File(std::string("core/") + output))) << output;
  }
  ExpectRowsMatchItems(dialog);
  dialog.close();

  // "Daylight" leaves the store; reopened, its item has no profile, the others keep theirs and
  // their "Succeeded".
  profiles_.RemoveProfile(1);
  frame_->RefillProfileBox();
  Open();
  EXPECT_EQ(dialog.items()[2].profile, kNoProfile);
  EXPECT_EQ(ProfileOf(dialog, 0), "Studio");
  EXPECT_EQ(Statuses(dialog)[0], "Succeeded");
  EXPECT_EQ(dialog.progressBar()->value(), 0);
  EXPECT_FALSE(dialog.processButton()->isEnabled());
  ExpectRowsMatchItems(dialog);

  // Only what did not succeed runs again.
  ClickRows(dialog, {2});
  Choose(dialog.profileBox(), "Studio");
  ASSERT_TRUE(RunToEnd(dialog));
  EXPECT_EQ(dialog.progressBar()->maximum(), 2);
  EXPECT_FALSE(fs::exists(dir_.File("a(2).tif")));
  EXPECT_TRUE(fs::exists(dir_.File("c(2).tif")));
  EXPECT_EQ(Statuses(dialog)[2], "Succeeded");
}

// Two profiles that read alike in the lists ("cardB (x)" without a description, "cardB" described as
// "x"): the batch converts with the one chosen, not with the other, also once the lists were filled
// again.
TEST_F(BatchDialogTest, AnItemConvertsWithTheProfileChosenEvenWhenAnotherReadsAlike) {
  const int undescribed = profiles_.AddOrReplaceProfile(test::TestProfileRecord("cardB (x)", "", 3.0));
  const int described = profiles_.AddOrReplaceProfile(test::TestProfileRecord("cardB", "x", 2.0));
  const QVariant chosen = QVariant::fromValue<qulonglong>(profiles_.IdAt(described));
  const QVariant other = QVariant::fromValue<qulonglong>(profiles_.IdAt(undescribed));
  frame_->RefillProfileBox();
  CBatchDialog& dialog = Open();
  QComboBox* box = dialog.profileBox();
  // Chooses the described profile in the dialog's list, as the user picks its entry.
  auto chooseDescribed = [&] {
    ASSERT_EQ(box->itemText(box->findData(chosen)), box->itemText(box->findData(other)));
    const int entry = box->findData(chosen);
    box->setCurrentIndex(entry);
    emit box->activated(entry);
  };
  // The output's pixels are the input's with red doubled (the described profile), not tripled.
  auto expectConvertedWithChosen = [&](const std::string& input, const std::string& output) {
    ImageBuffer in, out;
    ASSERT_EQ(ReadImageFile(dir_.File(input), in), 0);
    ASSERT_EQ(ReadImageFile(dir_.File(output), out), 0) << output;
    EXPECT_EQ(test::PixelBytes(out), test::TestProfilePixels(test::PixelBytes(in), 2.0)) << output;
  };

  AddPhotos(dialog, {"a.tif"});
  chooseDescribed();
  EXPECT_EQ(dialog.list()->topLevelItem(0)->text(1), QStringLiteral("cardB (x)"));
  ASSERT_TRUE(RunToEnd(dialog));
  expectConvertedWithChosen("a.tif", "a(1).tif");

  // Profile > Add of a third profile refills both lists; the item keeps its profile, and a new
  // choice after the refill is the described profile again.
  const std::string file = dir_.File("Portrait.tnp");
  ProfileRecord portrait = test::TestProfileRecord("Portrait", "");
  ASSERT_TRUE(SaveProfileFile(portrait, file).ok());
  presenter_.fileAnswers.push_back(Chosen({file}));
  dialog.list()->clearSelection();
  dialog.addProfileButton()->click();
  ASSERT_EQ(box->count(), 5);
  AddPhotos(dialog, {"b.tif"});
  chooseDescribed();
  // The first item again, into a folder of its own.
  fs::create_directory(dir_.File("out"));
  presenter_.folderAnswers = {dir_.File("out")};
  ClickRows(dialog, {0});
  dialog.addFolderButton()->click();
  ExpectRowsMatchItems(dialog);
  ASSERT_TRUE(RunToEnd(dialog));
  EXPECT_EQ(Statuses(dialog), (std::vector<std::string>{"Succeeded", "Succeeded"}));
  expectConvertedWithChosen("a.tif", "out/a.tif");
  expectConvertedWithChosen("b.tif", "b(1).tif");
}

TEST_F(BatchDialogTest, StopAndCloseDuringARunFinishTheItemInHandAndLeaveTheRestPending) {
  CBatchDialog& dialog = Open();
  std::vector<std::string> names;
  for (int i = 0; i < 8; ++i) names.push_back("p" + std::to_string(i) + ".tif");
  AddPhotos(dialog, names, 1200);
  SetAll(dialog, "Studio");

  // Acts the moment the list shows an item in hand, from the change of its row itself: a run can
  // finish several items between two looks at the list, but never before the list has shown each
  // of them at work.
  auto onceAnItemStarts = [&](std::function<void()> act) {
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(
        dialog.list(), &QTreeWidget::itemChanged, [connection, act](QTreeWidgetItem* row, int column) {
          if (column != CBatchDialog::kStatusColumn || row->text(column) != QStringLiteral("Processing...")) return;
          QObject::disconnect(*connection);
          act();
        });
  };
  bool stopped = false;
  onceAnItemStarts([&] {
    dialog.stopButton()->click();
    stopped = true;
  });
  QSignalSpy finished(&dialog, &CBatchDialog::runFinished);
  dialog.processButton()->click();
  EXPECT_TRUE(dialog.IsRunning());
  EXPECT_FALSE(dialog.processButton()->isEnabled());
  EXPECT_FALSE(dialog.addFilesButton()->isEnabled());
  EXPECT_FALSE(dialog.profileBox()->isEnabled());
  EXPECT_TRUE(dialog.stopButton()->isEnabled());
  ASSERT_TRUE(finished.wait(60000));
  ASSERT_TRUE(stopped);

  auto counts = [&] {
    int succeeded = 0, pending = 0;
    for (const std::string& status : Statuses(dialog)) {
      if (status == "Succeeded") ++succeeded;
      if (status.empty()) ++pending;
    }
    return std::pair{succeeded, pending};
  };
  const auto [succeeded, pending] = counts();
  // The item in hand ended; the stop came before the run could reach the last ones.
  EXPECT_GE(succeeded, 1);
  EXPECT_EQ(succeeded + pending, 8);
  EXPECT_GE(pending, 1);
  for (int i = 0; i < succeeded; ++i) EXPECT_EQ(Statuses(dialog)[static_cast<size_t>(i)], "Succeeded") << i;
  EXPECT_FALSE(fs::exists(dir_.File("p7(1).tif")));
  EXPECT_TRUE(dialog.processButton()->isEnabled());
  EXPECT_FALSE(dialog.stopButton()->isEnabled());
  ExpectRowsMatchItems(dialog);

  // Close during the next run waits for the item in hand, then closes; the rest stays pending.
  bool visibleAfterClose = false;
  onceAnItemStarts([&] {
    dialog.closeButton()->click();
    visibleAfterClose = dialog.isVisible();
  });
  dialog.processButton()->click();
  ASSERT_TRUE(finished.wait(60000));
  EXPECT_TRUE(visibleAfterClose);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_GE(counts().first, succeeded + 1);
  ASSERT_GE(counts().second, 1);

  // The next Process takes up what is left and ends with every item written once.
  Open();
  ASSERT_TRUE(RunToEnd(dialog));
  EXPECT_EQ(counts().first, 8);
  for (const std::string& name : names) {
    const std::string stem = fs::path(name).stem().string();
    EXPECT_TRUE(fs::exists(dir_.File(stem + "(1).tif"))) << name;
    EXPECT_FALSE(fs::exists(dir_.File(stem + "(2).tif"))) << name;
  }
}

}  // namespace
}  // namespace tintara
