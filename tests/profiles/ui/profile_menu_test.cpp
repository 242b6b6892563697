// The profile bar's "Profile:" list and the Profile menu, on a store of their own: the list sorted
// by text with every entry standing for its profile, and Add, Save As and Remove refilling it.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QFontMetrics>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "base/ui/command_registry.h"
#include "base/ui/commands.h"
#include "profiles/profile_file.h"
#include "profiles/ui/profile_bar.h"
#include "profiles/ui/profile_commands.h"
#include "support/scripted_presenter.h"
#include "support/test_environment.h"
#include "support/test_profiles.h"

namespace tintara {
namespace {

using test::TempDir;

// The Profile menu as a window registers it, with every box answered by the script.
class ProfileMenuTest : public test::PrivateSettingsTest {
 protected:
  // The menu over the store, its list filled as the window fills it at start-up.
  CProfileMenu& Menu() {
    if (!menu_) {
      menu_ = std::make_unique<CProfileMenu>(commands_, profiles_, bar_);
      menu_->RefillProfileBox();
      commands_.UpdateCommandUI();
    }
    return *menu_;
  }

  void Trigger(int id) {
    QAction* action = commands_.Action(id);
    ASSERT_NE(action, nullptr) << id;
    ASSERT_TRUE(action->isEnabled()) << id;
    action->trigger();
  }

  static std::vector<QString> BoxTexts(const QComboBox* box) {
    std::vector<QString> texts;
    for (int i = 0; i < box->count(); ++i) texts.push_back(box->itemText(i));
    return texts;
  }

  test::ScriptedPresenter presenter_;
  TempDir dir_;
  ProfileStore profiles_;
  QWidget window_;
  CommandRegistry commands_{window_};
  CProfileBar bar_;
  std::unique_ptr<CProfileMenu> menu_;
};

TEST_F(ProfileMenuTest, ProfileEntriesSortByTextAndStillStandForTheirProfiles) {
  profiles_.AddOrReplaceProfile(test::TestProfileRecord("Zeta", ""));
  profiles_.AddOrReplaceProfile(test::TestProfileRecord("alpha", "soft"));
  profiles_.AddOrReplaceProfile(test::TestProfileRecord("Beta", ""));
  QComboBox* box = Menu().bar().profileBox();
  EXPECT_EQ(BoxTexts(box), (std::vector<QString>{"alpha (soft)", "Beta", "Zeta"}));
  EXPECT_EQ(box->currentIndex(), 0);
  for (int entry = 0; entry < box->count(); ++entry) {
    box->setCurrentIndex(entry);
    ASSERT_NE(Menu().SelectedProfile(), nullptr);
    EXPECT_EQ(ProfileBoxText(*Menu().SelectedProfile()).c_str(), box->itemText(entry));
  }

  // A refill keeps the entry selected by its text, wherever the new order puts it.
  box->setCurrentIndex(1);  // "Beta"
  profiles_.AddOrReplaceProfile(test::TestProfileRecord("Able", ""));
  Menu().RefillProfileBox();
  EXPECT_EQ(box->currentText(), "Beta");
  EXPECT_EQ(Menu().SelectedProfile()->name, "Beta");

  // The drop-down fits its widest entry, up to its limit.
  EXPECT_LT(bar_.ProfileDropDownWidth(), CProfileBar::kMaxDropDownWidth);
  EXPECT_GE(bar_.ProfileDropDownWidth(), box->fontMetrics().horizontalAdvance("alpha (soft)"));
  profiles_.AddOrReplaceProfile(test::TestProfileRecord(std::string(300, 'W'), ""));
  Menu().RefillProfileBox();
  EXPECT_EQ(bar_.ProfileDropDownWidth(), CProfileBar::kMaxDropDownWidth);
}


TEST_F(ProfileMenuTest, ProfileCommandsRefillTheBox) {
  profiles_.AddOrReplaceProfile(test::TestProfileRecord("Middle", ""));
  QComboBox* box = Menu().bar().profileBox();
  test::WriteFileBytes(dir_.File("Zulu.tnp"), test::TestProfileBytes(1.5, ""));
  test::WriteFileBytes(dir_.File("Able.tnp"), test::TestProfileBytes(1.2, ""));
  presenter_.fileAnswers.push_back({true, {dir_.File("Zulu.tnp"), dir_.File("Able.tnp")}, 0});
  Trigger(cmd::kProfileAdd);
  EXPECT_EQ(BoxTexts(box), (std::vector<QString>{"Able", "Middle", "Zulu"}));
  EXPECT_EQ(box->currentText(), "Able") << "the last profile added is selected";
  EXPECT_EQ(Menu().SelectedProfile(), &profiles_.At(2));

  const std::string saved = dir_.File("copy.tnp");
  presenter_.fileAnswers.push_back({true, {saved}, 0});
  Trigger(cmd::kProfileSaveAs);
  EXPECT_EQ(test::ReadFileText(saved), std::string(profiles_.At(2).bytes.begin(), profiles_.At(2).bytes.end()));

  box->setCurrentIndex(1);  // "Middle", the first record of the store
  Trigger(cmd::kProfileRemove);
  EXPECT_EQ(BoxTexts(box), (std::vector<QString>{"Able", "Zulu"}));
  EXPECT_EQ(profiles_.Count(), 2);
  for (int entry = 0; entry < box->count(); ++entry) {
    EXPECT_EQ(ProfileBoxText(*profiles_.Find(box->itemData(entry).toULongLong())).c_str(), box->itemText(entry));
  }
}


}  // namespace
}  // namespace tintara
