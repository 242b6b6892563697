// The message convention on the terminal: what each box prints, the answers given where no person
// can answer, and the error flag a command ends on.
#include "cli/cli_presenter.h"

#include <gtest/gtest.h>

#include "base/result_codes.h"

namespace tintara::cli {
namespace {

// What `show` prints on stderr.
template <typename Show>
std::string Printed(Show show) {
  ::testing::internal::CaptureStderr();
  show();
  return ::testing::internal::GetCapturedStderr();
}

class EveryOnceMessageShows final : public OnceMessageFlags {
 public:
  bool OnceMessageShouldShow(int) override { return true; }
  void SilenceOnceMessage(int) override { ADD_FAILURE() << "the terminal never silences a message"; }
};

TEST(CliPresenter, PrintsEachBoxOnceAndRemembersAnErrorBox) {
  const MessagePresenter* installed = nullptr;
  {
    CliPresenter presenter;
    installed = &presenter;
    EXPECT_EQ(&Presenter(), installed) << "a command's flows show through it while it lives";
    EveryOnceMessageShows flags;
    const Messages messages(presenter, flags);

    EXPECT_EQ(Printed([&] { messages.ShowWarning(40707); }),
              "tintara-cli: The profile will be created using the original image data.\n");
    EXPECT_FALSE(presenter.ErrorShown()) << "a warning is no failure";

    // The error box of the convention, its detail on a line of its own; the same box again (every
    // value's write to a store that cannot be written fails alike) is not printed again.
    EXPECT_EQ(Printed([&] { messages.ShowError(Error(kCannotOpenImage, "/photos/a.tif")); }),
              "tintara-cli: Failed to open the image file.\n/photos/a.tif\n");
    EXPECT_TRUE(presenter.ErrorShown());
    EXPECT_EQ(Printed([&] { messages.ShowError(Error(kCannotOpenImage, "/photos/a.tif")); }), "");
    EXPECT_EQ(Printed([&] { messages.ShowError(Error(kCannotOpenImage, "/photos/b.tif")); }),
              "tintara-cli: Failed to open the image file.\n/photos/b.tif\n");

    // The status bar's outcome stands alone on its line, as often as it comes.
    EXPECT_EQ(Printed([&] {
                messages.ShowStatus(40800);
                messages.ShowStatus(40800);
              }),
              "The color profile was successfully created.\nThe color profile was successfully created.\n");
  }
  EXPECT_NE(&Presenter(), installed) << "the presenter is uninstalled with the command";
}

TEST(CliPresenter, FindingsGoOnUnlessStrictAndQuestionsTakeTheSafeAnswer) {
  CliPresenter presenter;
  OnceDialogAnswer answer;
  // A one-time message with OK alone is no finding.
  EXPECT_EQ(Printed([&] { answer = presenter.ShowOnceDialog("A note.", false); }), "tintara-cli: A note.\n");
  EXPECT_TRUE(answer.ok);
  EXPECT_EQ(presenter.FindingsShown(), 0);
  // A finding (Continue or Cancel) is printed every time and answered Continue...
  for (int i = 1; i <= 2; ++i) {
    EXPECT_EQ(Printed([&] { answer = presenter.ShowOnceDialog("Few pixels.", true); }), "tintara-cli: Few pixels.\n");
    EXPECT_TRUE(answer.ok);
    EXPECT_FALSE(answer.dontShowAgain);
    EXPECT_EQ(presenter.FindingsShown(), i);
  }
  // ...or Cancel under --strict, which says that it stopped there.
  presenter.SetStrict(true);
  EXPECT_EQ(Printed([&] { answer = presenter.ShowOnceDialog("Few pixels.", true); }),
            "tintara-cli: Few pixels.\ntintara-cli: stopped (--strict)\n");
  EXPECT_FALSE(answer.ok);
  EXPECT_FALSE(answer.dontShowAgain);
  EXPECT_EQ(presenter.FindingsShown(), 3);
  EXPECT_EQ(Printed([&] { answer = presenter.ShowOnceDialog("A note.", false); }), "tintara-cli: A note.\n");
  EXPECT_TRUE(answer.ok) << "--strict stops at findings only";

  // Questions: never replace, never save; the answer taken is printed with the question.
  bool replace = true;
  EXPECT_EQ(Printed([&] { replace = presenter.AskYesNo("Tintara Warning", "Replace it?"); }),
            "tintara-cli: Replace it? (no)\n");
  EXPECT_FALSE(replace);
  YesNoCancel save = YesNoCancel::kYes;
  EXPECT_EQ(Printed([&] { save = presenter.AskYesNoCancel("Tintara", "Save it?"); }), "tintara-cli: Save it? (cancel)\n");
  EXPECT_EQ(save, YesNoCancel::kCancel);
  EXPECT_FALSE(presenter.AskFiles({}).ok);

  // A new profile takes the proposed description unless the command was given one, empty included.
  EXPECT_EQ(presenter.AskDescription("Proposed").description, "Proposed");
  EXPECT_TRUE(presenter.AskDescription("Proposed").ok);
  presenter.SetDescription("");
  EXPECT_EQ(presenter.AskDescription("Proposed").description, "");
  EXPECT_FALSE(presenter.ErrorShown());
}

}  // namespace
}  // namespace tintara::cli
