#include "base/messages.h"

#include <gtest/gtest.h>

#include <string>

#include "app/settings.h"
#include "app/settings_storage.h"
#include "app/messages.h"
#include "base/result_codes.h"
#include "base/strings.h"
#include "support/scripted_presenter.h"
#include "support/test_environment.h"

namespace tintara {
namespace {

// Each test gets a settings record on a private file, so the one-time flags start out clear and
// never touch the user's own settings.
class MessagesTest : public ::testing::Test {
 protected:
  test::PrivateSettings settings;
  test::ScriptedPresenter presenter;
  Messages messages{presenter, Settings()};
};

TEST_F(MessagesTest, ErrorsShowTheirTextAndDetailAndNeverEndTheProgram) {
  for (int code : {1, 2, 3, 4, 13, 14, -5, 101, 155}) {
    presenter.shown.clear();
    messages.ShowError(code);
    ASSERT_EQ(presenter.shown.size(), 1u) << code;
    EXPECT_EQ(presenter.shown[0].kind, "box");
    EXPECT_EQ(presenter.shown[0].caption, "Tintara Error");
    EXPECT_EQ(presenter.shown[0].text, ErrorCodeText(code));
    EXPECT_FALSE(presenter.shown[0].text.empty()) << code;
  }
  presenter.shown.clear();
  messages.ShowError(Error(kImageWriteFailed, "No space left on device: /media/card/out.tif"));
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(presenter.shown[0].text,
            "There were errors while writing the image to storage.\nNo space left on device: /media/card/out.tif");
  presenter.shown.clear();
  messages.ShowError(kOk);
  messages.ShowError(Error(kOk, "ignored"));
  EXPECT_TRUE(presenter.shown.empty());
  // Only the reference data ends the desktop program; exhausted memory fails the one command.
  for (int code : {1, 2, 3, 4, 8}) EXPECT_EQ(ErrorCodeEndsProgram(code), code == 2 || code == 4) << code;
}

TEST_F(MessagesTest, WarningsStatusAndReplaceQuestion) {
  messages.ShowWarning(40505);
  messages.ShowWarning(1);  // no such string: the box still appears, empty
  messages.ShowStatus(40801);
  presenter.yesNoAnswers = {true};
  EXPECT_TRUE(messages.AskReplaceReadOnly());
  EXPECT_FALSE(messages.AskReplaceReadOnly());
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
  EXPECT_FALSE(messages.ShowOnce(40702, true));  // ticked, then Cancel
  EXPECT_TRUE(messages.ShowOnce(40702, true));   // Continue, not ticked
  EXPECT_TRUE(messages.ShowOnce(40702, true));   // ticked, Continue
  EXPECT_TRUE(messages.ShowOnce(40702, true));   // silenced: not shown, goes on
  ASSERT_EQ(presenter.Of("once").size(), 3u);
  EXPECT_TRUE(presenter.Of("once")[0].choice);
  EXPECT_EQ(presenter.Of("once")[0].text, StringOrEmpty(40702));
  EXPECT_EQ(MakeFileSettingsStorage(settings.file())->Read("OnceMessages", "40702"), "-1");

  Settings().ResetOnceMessages();
  presenter.shown.clear();
  EXPECT_TRUE(AppMessages().ShowOnce(40702, true));
  EXPECT_TRUE(AppMessages().ShowOnce(40799, false));  // no such string: shown with an empty text
  ASSERT_EQ(presenter.Of("once").size(), 2u);
  EXPECT_EQ(presenter.Of("once")[1].text, "");
  EXPECT_FALSE(presenter.Of("once")[1].choice);
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

}  // namespace
}  // namespace tintara
