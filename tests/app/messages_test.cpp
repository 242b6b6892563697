#include "app/messages.h"

#include <gtest/gtest.h>

#include <string>

#include "app/settings.h"
#include "app/settings_storage.h"
#include "app/strings.h"
#include "support/scripted_presenter.h"
#include "support/test_environment.h"

namespace tintara {
namespace {

// The convention functions read the process's settings record; each test gets one on a private
// file so the one-time flags start out clear and never touch the user's own settings.
class MessagesTest : public ::testing::Test {
 protected:
  test::PrivateSettings settings;
  test::ScriptedPresenter presenter;
};

TEST_F(MessagesTest, ErrorCodesShowTheirTextAndEndOnlyWhenTheyMust) {
  struct Case {
    int code;
    bool ends;
    bool immediately;
  };
  const Case cases[] = {{1, false, false},  {13, false, false}, {14, false, false},
                        {-5, false, false}, {101, false, false}, {155, false, false},
                        {2, true, false},   {4, true, false},    {3, true, true}};
  for (const Case& c : cases) {
    presenter.shown.clear();
    ShowErrorCode(c.code);
    ASSERT_EQ(presenter.shown.size(), c.ends ? 2u : 1u) << c.code;
    EXPECT_EQ(presenter.shown[0].kind, "box");
    EXPECT_EQ(presenter.shown[0].caption, "Tintara Error");
    EXPECT_EQ(presenter.shown[0].text, ErrorCodeText(c.code));
    EXPECT_FALSE(presenter.shown[0].text.empty()) << c.code;
    if (c.ends) {
      EXPECT_EQ(presenter.shown[1].kind, "end");
      EXPECT_EQ(presenter.shown[1].exitCode, 1);
      EXPECT_EQ(presenter.shown[1].immediately, c.immediately) << c.code;
    }
  }
  presenter.shown.clear();
  ShowErrorCode(0);
  EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(MessagesTest, WarningsStatusAndReplaceQuestion) {
  ShowWarning(40505);
  ShowWarning(1);  // no such string: the box still appears, empty
  ShowStatusText(40801);
  presenter.yesNoAnswers = {true};
  EXPECT_TRUE(AskReplaceReadOnly());
  EXPECT_FALSE(AskReplaceReadOnly());
  ASSERT_EQ(presenter.shown.size(), 5u);
  EXPECT_EQ(presenter.shown[0].caption, "Tintara Warning");
  EXPECT_EQ(presenter.shown[0].text, "You must select a reference from the list.");
  EXPECT_EQ(presenter.shown[1].text, "");
  EXPECT_EQ(presenter.shown[2].kind, "status");
  EXPECT_EQ(presenter.shown[2].text, "The color profile was created with warnings.");
  EXPECT_EQ(presenter.shown[3].caption, "Tintara Warning");
  EXPECT_EQ(presenter.shown[3].text,
            "The file already exists, and is marked as read-only.\nAre you sure you want to replace it?");
}

TEST_F(MessagesTest, OnceMessageIsSilencedOnlyByTickedContinue) {
  presenter.onceAnswers = {{false, true}, {true, false}, {true, true}};
  EXPECT_FALSE(ShowOnceMessage(40702, true));  // ticked, then Cancel
  EXPECT_TRUE(ShowOnceMessage(40702, true));   // Continue, not ticked
  EXPECT_TRUE(ShowOnceMessage(40702, true));   // ticked, Continue
  EXPECT_TRUE(ShowOnceMessage(40702, true));   // silenced: not shown, goes on
  ASSERT_EQ(presenter.Of("once").size(), 3u);
  EXPECT_TRUE(presenter.Of("once")[0].choice);
  EXPECT_EQ(presenter.Of("once")[0].text, StringOrEmpty(40702));
  EXPECT_EQ(MakeFileSettingsStorage(settings.file())->Read("OnceMessages", "40702"), "-1");

  Settings().ResetOnceMessages();
  presenter.shown.clear();
  EXPECT_TRUE(ShowOnceMessage(40702, true));
  EXPECT_TRUE(ShowOnceMessage(40799, false));  // no such string: shown with an empty text
  ASSERT_EQ(presenter.Of("once").size(), 2u);
  EXPECT_EQ(presenter.Of("once")[1].text, "");
  EXPECT_FALSE(presenter.Of("once")[1].choice);
}

TEST_F(MessagesTest, ProfileDescriptionCancelGivesMarker) {
  presenter.descriptionAnswers = {{false, "typed", true}, {true, "Studio", true}};
  bool save = true;
  EXPECT_EQ(AskProfileDescription("Lumeno profile", save), ">>>CANSELL<<<");
  EXPECT_FALSE(save);
  EXPECT_EQ(AskProfileDescription("Lumeno profile", save), "Studio");
  EXPECT_TRUE(save);
  EXPECT_EQ(presenter.Of("description")[0].text, "Lumeno profile");
}

TEST(ConsolePresenterTest, TakesOverWhenNoneIsInstalled) {
  MessagePresenter* scripted = nullptr;
  {
    test::ScriptedPresenter presenter;
    scripted = &presenter;
    EXPECT_EQ(&Presenter(), scripted);
  }
  MessagePresenter& console = Presenter();
  EXPECT_NE(&console, scripted);
  ::testing::internal::CaptureStderr();
  console.ShowMessageBox("Tintara Warning", "100% done");
  EXPECT_FALSE(console.AskYesNo("c", "replace?"));
  EXPECT_EQ(console.AskYesNoCancel("c", "save?"), YesNoCancel::kCancel);
  EXPECT_TRUE(console.ShowOnceDialog("note", true).ok);
  EXPECT_TRUE(::testing::internal::GetCapturedStderr().starts_with("Tintara Warning: 100% done\n"));
}

TEST(ConsolePresenterDeathTest, FatalCodesEndTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(ShowErrorCode(2), ::testing::ExitedWithCode(1), "Unable to locate 'Lumeno.dat'");
  EXPECT_EXIT(ShowErrorCode(3), ::testing::ExitedWithCode(1), "Out of memory.");
  EXPECT_EXIT(Presenter().EndProgram(7, false), ::testing::ExitedWithCode(7), "");
}

}  // namespace
}  // namespace tintara
