// The Preferences dialog driven for real over a main window: what it shows, what it writes at once,
// and what the command does with its answer on OK and on Cancel.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <filesystem>
#include <functional>
#include <optional>

#include "app/settings.h"
#include "app/settings_storage.h"
#include "base/result_codes.h"
#include "base/strings.h"
#include "app/ui/main_frame.h"
#include "app/ui/preferences_command.h"
#include "app/ui/preferences_dialog.h"
#include "profiles/ui/profile_bar.h"
#include "base/ui/ui_text.h"
#include "image/ui/tintara_doc.h"
#include "support/run_command.h"
#include "support/scripted_presenter.h"
#include "support/test_environment.h"
#include "support/test_images.h"
#include "support/test_profiles.h"
#include "support/ui_modal.h"

namespace tintara {
namespace {

template <typename T = QPushButton>
T* Child(QWidget* parent, const char* name) {
  T* child = parent->findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

void Click(QWidget* parent, const char* name) {
  if (QPushButton* button = Child(parent, name)) button->click();
}

class PreferencesTest : public ::testing::Test {
 protected:
  CMainFrame& Frame() {
    if (!frame_) {
      frame_ = std::make_unique<CMainFrame>(profiles_, references_, *frameStore_, dir_.path());
      frame_->ShowWithStoredPlacement();
    }
    return *frame_;
  }

  // Runs File > Preferences with `answer` acting on the dialog (it must close it).
  void RunPreferences(const std::function<void(CPreferencesDialog*)>& answer) {
    test::ModalScript script;
    script.Then<CPreferencesDialog>(answer);
    RunPreferencesCommand(Frame());
    EXPECT_EQ(script.StepsDone(), 1);
  }

  // The text the settings file holds, as the next start of the program reads it.
  std::optional<std::string> Stored(const std::string& name, const std::string& group = "") {
    return MakeFileSettingsStorage(settings_.file())->Read(group, name);
  }

  // A profile file of this system in `folder`, made if needed.
  void PutProfile(const std::string& folder, const std::string& name) {
    std::filesystem::create_directories(folder);
    test::WriteFileBytes(folder + "/" + name + ".tnp", test::TestProfileBytes(1.0, name));
  }

  test::PrivateSettings settings_;
  test::ScriptedPresenter presenter_;
  test::TempDir dir_;
  std::unique_ptr<SettingsStorage> frameStore_ = MakeFileSettingsStorage(dir_.File("frame.ini"));
  ProfileStore profiles_;
  ReferenceSetList references_;
  std::unique_ptr<CMainFrame> frame_;
};

TEST_F(PreferencesTest, ShowsTheStoredValuesAndTheSliderSetsTheQuality) {
  Settings().SetProfileFolder(dir_.File("profiles"));
  Settings().SetICMFlag(false);
  Settings().SetJPEGQuality(250);  // the store takes any number; the slider's range is 1..100
  CPreferencesDialog dialog;
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), "Tintara Preferences");
  EXPECT_EQ(Child<QLineEdit>(&dialog, "profileFolder")->text(), ui::ToQString(dir_.File("profiles")));
  EXPECT_EQ(dialog.focusWidget(), Child<QLineEdit>(&dialog, "profileFolder"));
  EXPECT_FALSE(Child<QCheckBox>(&dialog, "adjustForMonitor")->isChecked());
  EXPECT_TRUE(Child<QCheckBox>(&dialog, "adjustForMonitor")->isEnabled());
  auto* slider = Child<QSlider>(&dialog, "quality");
  EXPECT_EQ(Child<QLabel>(&dialog, "qualityText")->text(), "100%");
  EXPECT_EQ(dialog.quality(), 250) << "an untouched slider keeps the stored quality";

  // A page is ten, a line one; the label follows every move.
  QTest::keyClick(slider, Qt::Key_PageDown);
  EXPECT_EQ(Child<QLabel>(&dialog, "qualityText")->text(), "90%");
  EXPECT_EQ(dialog.quality(), 90);
  QTest::keyClick(slider, Qt::Key_Left);
  EXPECT_EQ(dialog.quality(), 89);
  QTest::keyClick(slider, Qt::Key_Home);
  EXPECT_EQ(Child<QLabel>(&dialog, "qualityText")->text(), "1%");
  EXPECT_EQ(dialog.quality(), 1);

  // Browse opens at the folder typed, or at the nearest one above it that exists; Cancel keeps the
  // text, a chosen folder replaces it.
  auto* edit = Child<QLineEdit>(&dialog, "profileFolder");
  edit->setText(ui::ToQString(dir_.File("new/sub")));
  presenter_.folderAnswers = {std::nullopt, dir_.File("chosen")};
  Click(&dialog, "browseButton");
  EXPECT_EQ(edit->text(), ui::ToQString(dir_.File("new/sub")));
  edit->setText(ui::ToQString(dir_.path()));
  Click(&dialog, "browseButton");
  EXPECT_EQ(edit->text(), ui::ToQString(dir_.File("chosen")));
  const auto asked = presenter_.Of("folder");
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0].caption, "Browse for profile folder");
  EXPECT_EQ(asked[0].text, dir_.path());
  EXPECT_EQ(asked[1].text, dir_.path());

  // Where the display cannot be adjusted the box is cleared and disabled, whatever is stored.
  Settings().SetICMFlag(true);
  CPreferencesDialog fixedDisplay(nullptr, false);
  EXPECT_FALSE(Child<QCheckBox>(&fixedDisplay, "adjustForMonitor")->isChecked());
  EXPECT_FALSE(Child<QCheckBox>(&fixedDisplay, "adjustForMonitor")->isEnabled());
  EXPECT_FALSE(fixedDisplay.adjustForMonitor());
}

TEST_F(PreferencesTest, TheFolderStaysWithin225CharactersWithoutCuttingALongerStoredOne) {
  const std::string fits = "/" + std::string(223, 'f');  // one character short of the limit
  const std::string tooLong = "/" + std::string(299, 'l');
  {
    Settings().SetProfileFolder(fits);
    CPreferencesDialog dialog;
    auto* edit = Child<QLineEdit>(&dialog, "profileFolder");
    edit->end(false);
    QTest::keyClicks(edit, "xyz");
    EXPECT_EQ(ui::ToUtf8(edit->text()), fits + "x") << "typing stops at 225 characters";
  }

  // A longer folder from the store is shown whole: cutting it would name a different folder. OK
  // refuses it with the usual message until it is shortened.
  Settings().SetProfileFolder(tooLong);
  RunPreferences([&](CPreferencesDialog* dialog) {
    auto* edit = Child<QLineEdit>(dialog, "profileFolder");
    EXPECT_EQ(ui::ToUtf8(edit->text()), tooLong);
    Click(dialog, "okButton");
    EXPECT_TRUE(dialog->isVisible());
    ASSERT_EQ(presenter_.Of("box").size(), 1u);
    EXPECT_EQ(presenter_.Of("box")[0].text, "Please enter no more than 225 characters.");
    edit->setText(ui::ToQString(fits));
    QTest::keyClicks(edit, "xyz");
    EXPECT_EQ(edit->text().size(), 225) << "the limit holds again once the folder fits";
    Click(dialog, "okButton");
  });
  EXPECT_EQ(Stored("ICCPath"), fits + "x");
}

TEST_F(PreferencesTest, UseDefaultsWritesAtOnceAndCancelTakesBackOnlyFolderMonitorAndQuality) {
  Settings().SetProfileFolder(dir_.File("mine"));
  Settings().SetICMFlag(false);
  Settings().SetJPEGQuality(70);
  Settings().SetGamma(1.8);
  Settings().SetLoadImageFolder(dir_.File("shots"));
  Settings().SilenceOnceMessage(40700);
  RunPreferences([&](CPreferencesDialog* dialog) {
    Click(dialog, "useDefaultsButton");
    EXPECT_EQ(Stored("Gamma"), "2.200000");
    EXPECT_EQ(Stored("ICMFlag"), "true");
    EXPECT_TRUE(Child<QCheckBox>(dialog, "adjustForMonitor")->isChecked());
    EXPECT_EQ(Child<QLabel>(dialog, "qualityText")->text(), "90%");
    EXPECT_NE(ui::ToUtf8(Child<QLineEdit>(dialog, "profileFolder")->text()), dir_.File("mine"));
    Click(dialog, "resetHelpButton");
    Click(dialog, "cancelButton");
  });
  EXPECT_EQ(Stored("ICCPath"), dir_.File("mine"));
  EXPECT_EQ(Stored("ICMFlag"), "false");
  EXPECT_EQ(Stored("JPEGQuality"), "70");
  EXPECT_EQ(Stored("Gamma"), "2.200000") << "the other defaults stay";
  EXPECT_EQ(Stored("LoadImagePath"), dir_.File("shots")) << "the dialog folders are not reset";
  EXPECT_EQ(Settings().ProfileFolder(), dir_.File("mine"));
  EXPECT_FALSE(Settings().OnceMessageShouldShow(40700)) << "Reset Help Dialogs does nothing before OK";
  EXPECT_TRUE(presenter_.Of("box").empty());

  RunPreferences([&](CPreferencesDialog* dialog) {
    Click(dialog, "resetHelpButton");
    Click(dialog, "okButton");
  });
  EXPECT_TRUE(Settings().OnceMessageShouldShow(40700));
  EXPECT_FALSE(Stored("40700", "OnceMessages").has_value());
}

TEST_F(PreferencesTest, AnyChangeOfTheFolderRescansAndAnUnusableFolderIsStoredWithItsMessage) {
  const std::string upper = dir_.File("Profiles");
  const std::string lower = dir_.File("profiles");
  PutProfile(upper, "Upper");
  PutProfile(lower, "Lower");
  Settings().SetProfileFolder(upper);
  ASSERT_EQ(ScanProfileFolder(upper, profiles_), 0);
  Frame().RefillProfileBox();
  auto names = [&] {
    std::vector<std::string> list;
    for (const ProfileRecord& record : profiles_.Records()) list.push_back(record.name);
    return list;
  };
  auto setFolderAndOk = [&](const std::string& folder) {
    RunPreferences([&](CPreferencesDialog* dialog) {
      Child<QLineEdit>(dialog, "profileFolder")->setText(ui::ToQString(folder));
      Click(dialog, "okButton");
    });
  };

  // The same text again is no change: a profile put there since the last scan is not listed yet.
  PutProfile(upper, "Later");
  setFolderAndOk(upper);
  EXPECT_EQ(names(), std::vector<std::string>{"Upper"});

  setFolderAndOk(lower);
  EXPECT_EQ(names(), std::vector<std::string>{"Lower"});
  EXPECT_EQ(Frame().profileBar()->profileBox()->count(), 1);
  EXPECT_TRUE(presenter_.Of("box").empty());

  // An empty folder and one that does not exist: the message, and the folder stored all the same.
  // The empty one is not scanned, so the list stays; the one that is gone lists nothing.
  for (const auto& [unusable, listed] : {std::pair{std::string(), 1}, std::pair{dir_.File("gone"), 0}}) {
    presenter_.shown.clear();
    setFolderAndOk(unusable);
    ASSERT_EQ(presenter_.Of("box").size(), 1u) << unusable;
    // The box names the folder that cannot be used.
    EXPECT_EQ(presenter_.Of("box")[0].text, ErrorText(Error(kProfileFolderInvalid, unusable)));
    EXPECT_EQ(Stored("ICCPath"), unusable);
    EXPECT_EQ(profiles_.Count(), listed) << unusable;
    EXPECT_EQ(Frame().profileBar()->profileBox()->count(), listed) << unusable;
  }
}

TEST_F(PreferencesTest, ChangingTheMonitorFlagRebuildsTheDisplayOfEveryOpenDocument) {
  std::vector<CTintaraDoc*> documents;
  for (const char* name : {"one.tif", "two.tif"}) {
    test::WritePatternImage(dir_.File(name), 32, 24);
    ASSERT_TRUE(Frame().OpenDocumentFile(dir_.File(name)));
    documents.push_back(Frame().ActiveDocument());
  }
  // A mark on each screen copy shows whether it was made again from the image.
  for (CTintaraDoc* document : documents) const_cast<DisplayBitmap&>(document->displayBitmap()).bits()[0] ^= 0x5A;
  // The offscreen screen has no monitor profile, so a rebuilt copy equals a plain one.
  auto markedCount = [&] {
    int count = 0;
    for (CTintaraDoc* document : documents) {
      DisplayBitmap fresh;
      EXPECT_EQ(FillDisplayBitmap(fresh, document->image(), nullptr), 0);
      count += document->displayBitmap().bits()[0] != fresh.bits()[0];
    }
    return count;
  };

  RunPreferences([](CPreferencesDialog* dialog) {
    Child<QSlider>(dialog, "quality")->setValue(75);
    Click(dialog, "okButton");
  });
  EXPECT_EQ(markedCount(), 2) << "the flag did not change: nothing is rebuilt";
  EXPECT_EQ(Stored("JPEGQuality"), "75");

  RunPreferences([](CPreferencesDialog* dialog) {
    Child<QCheckBox>(dialog, "adjustForMonitor")->setChecked(false);
    Click(dialog, "okButton");
  });
  EXPECT_EQ(markedCount(), 0);
  EXPECT_EQ(Stored("ICMFlag"), "false");
}

}  // namespace
}  // namespace tintara
