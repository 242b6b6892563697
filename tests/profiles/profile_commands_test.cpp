// The Profile menu's flows and the closing prompt, run with scripted answers against real files.
#include "profiles/profile_commands.h"

#include <gtest/gtest.h>

#include "base/strings.h"
#include "support/run_command.h"
#include "support/scripted_presenter.h"
#include "support/test_profiles.h"

namespace tintara {
namespace {

using test::ScriptedPresenter;

// The flows show no one-time message.
class NoOnceMessages : public OnceMessageFlags {
 public:
  bool OnceMessageShouldShow(int) override { return true; }
  void SilenceOnceMessage(int) override {}
};

class ProfileCommandsTest : public ::testing::Test {
 protected:
  FileDialogAnswer Chosen(std::vector<std::string> paths) { return {true, std::move(paths), 0}; }

  test::TempDir dir;
  ScriptedPresenter presenter;
  NoOnceMessages once;
  Messages messages{presenter, once};
  ProfileStore store;
  std::string folder;  // where the file dialogs start, as the settings would keep it
};

TEST_F(ProfileCommandsTest, AddReadsEachFileAndSaysWhatIsWrongWithTheOthers) {
  folder = "/start/here";
  test::WriteFileBytes(dir.File("MyCard.TNP"), test::TestProfileBytes(1.0, "Studio"));
  test::WriteFileBytes(dir.File("Other.tnp"), test::TestProfileBytes(2.0, "Daylight"));
  test::WriteFileText(dir.File("foreign.tnp"), std::string(5264, 'x'));
  test::WriteFileText(dir.File("empty.tnp"), "");
  store.AddOrReplaceProfile(test::TestProfileRecord("Earlier", ""));
  presenter.fileAnswers = {Chosen({dir.File("MyCard.TNP"), dir.File("foreign.tnp"), dir.File("empty.tnp"),
                                   dir.File("missing.tnp"), dir.File("Other.tnp")})};

  EXPECT_EQ(AddProfileFiles(store, messages, folder), 2);

  ASSERT_EQ(presenter.fileRequests.size(), 1u);
  const FileDialogRequest& request = presenter.fileRequests[0];
  EXPECT_EQ(request.kind, FileDialogRequest::Kind::kOpenSeveral);
  EXPECT_EQ(request.folder, "/start/here");
  EXPECT_EQ(request.defaultSuffix, "tnp");
  ASSERT_EQ(request.filters.size(), 2u);
  EXPECT_EQ(request.filters[0].label, "Color profile (*.tnp)");
  EXPECT_EQ(request.filters[0].patterns, std::vector<std::string>{"*.tnp"});

  const auto boxes = presenter.Of("box");
  ASSERT_EQ(boxes.size(), 2u);  // the empty file is passed over without a word
  EXPECT_EQ(boxes[0].caption, "Tintara Error");
  // Of several files chosen at once, each box names the one it is about.
  EXPECT_EQ(boxes[0].text, std::string(kTextForeignProfile) + "\n" + dir.File("foreign.tnp"));
  EXPECT_EQ(boxes[1].text, "There were errors loading the color profile.\n" + dir.File("missing.tnp"));

  ASSERT_EQ(store.Count(), 3);
  EXPECT_EQ(store.At(1).name, "MyCard");
  EXPECT_EQ(store.At(1).description, "Studio");
  EXPECT_EQ(store.At(2).name, "Other");
  for (int i : {1, 2}) {
    EXPECT_FALSE(store.At(i).InFolder);
    EXPECT_FALSE(store.At(i).Unsaved);
  }
  EXPECT_EQ(folder, dir.path());
}

TEST_F(ProfileCommandsTest, AddEqualToAFolderProfileTakesItsPlaceAndNothingAddedChangesNoFolder) {
  for (const char* name : {"Studio", "Dawn"}) {
    ProfileRecord folderRecord = test::TestProfileRecord(name, "D");
    folderRecord.InFolder = true;
    store.AddOrReplaceProfile(folderRecord);
  }
  test::WriteFileBytes(dir.File("Studio.tnp"), test::TestProfileBytes(3.0, "D"));
  presenter.fileAnswers = {Chosen({dir.File("Studio.tnp")})};
  EXPECT_EQ(AddProfileFiles(store, messages, folder), 0);
  ASSERT_EQ(store.Count(), 2);
  EXPECT_FALSE(store.At(0).InFolder);
  EXPECT_TRUE(store.At(1).InFolder);

  // Cancel, and a choice of nothing but a foreign file: nothing added, the folder stays.
  folder = "/kept";
  test::WriteFileText(dir.File("foreign.tnp"), "not a profile");
  presenter.fileAnswers = {FileDialogAnswer{}, Chosen({dir.File("foreign.tnp")})};
  EXPECT_EQ(AddProfileFiles(store, messages, folder), -1);
  EXPECT_EQ(AddProfileFiles(store, messages, folder), -1);
  EXPECT_EQ(store.Count(), 2);
  EXPECT_EQ(folder, "/kept");
}

TEST_F(ProfileCommandsTest, SaveAsProposesANameWritesTheBytesAndReportsAFailure) {
  folder = "/saved/before";
  ProfileRecord portrait = test::TestProfileRecord("Portrait.jpg", "Evening");
  portrait.Unsaved = true;
  store.AddOrReplaceProfile(portrait);
  ProfileRecord dawn = test::TestProfileRecord("Dawn.light", "");
  dawn.Unsaved = true;
  store.AddOrReplaceProfile(dawn);

  presenter.fileAnswers = {Chosen({dir.File("Portrait.tnp")}), Chosen({dir.path() + "/no/such/folder/Dawn.tnp"})};
  EXPECT_EQ(SaveProfileAs(store.At(0), messages, folder), SaveOutcome::kSaved);
  EXPECT_EQ(SaveProfileAs(store.At(1), messages, folder), SaveOutcome::kFailed);

  ASSERT_EQ(presenter.fileRequests.size(), 2u);
  EXPECT_EQ(presenter.fileRequests[0].fileName, "Portrait.tnp");
  EXPECT_EQ(presenter.fileRequests[0].kind, FileDialogRequest::Kind::kSave);
  EXPECT_TRUE(presenter.fileRequests[0].confirmOverwrite);
  EXPECT_EQ(presenter.fileRequests[0].folder, "/saved/before");
  EXPECT_EQ(presenter.fileRequests[1].fileName, "Dawn.light.tnp");
  EXPECT_EQ(presenter.fileRequests[1].folder, dir.path());

  const std::string written = test::ReadFileText(dir.File("Portrait.tnp"));
  EXPECT_EQ(std::vector<uint8_t>(written.begin(), written.end()), store.At(0).bytes);
  EXPECT_FALSE(store.At(0).Unsaved);
  EXPECT_TRUE(store.At(1).Unsaved);
  ASSERT_EQ(presenter.Of("box").size(), 1u);
  EXPECT_EQ(presenter.Of("box")[0].text,
            "There was an error saving the color profile.\n" + dir.path() + "/no/such/folder/Dawn.tnp");
  EXPECT_EQ(folder, dir.path() + "/no/such/folder");
}

TEST_F(ProfileCommandsTest, RemovingTheFirstOfThreeMovesTheOthersDown) {
  for (const char* name : {"A", "B", "C"}) store.AddOrReplaceProfile(test::TestProfileRecord(name, ""));
  RemoveProfileCommand(store, 0);
  ASSERT_EQ(store.Count(), 2);
  EXPECT_EQ(store.At(0).name, "B");
  EXPECT_EQ(store.At(1).name, "C");
  RemoveProfileCommand(store, 5);
  EXPECT_EQ(store.Count(), 2);
}

class ClosingPromptTest : public ProfileCommandsTest {
 protected:
  void SetUp() override {
    ProfileCommandsTest::SetUp();
    for (const char* name : {"A", "B", "C"}) {
      ProfileRecord r = test::TestProfileRecord(name, std::string(name) == "A" ? "Studio" : "");
      r.Unsaved = true;
      store.AddOrReplaceProfile(r);
    }
  }
};

TEST_F(ClosingPromptTest, CancelStopsTheWalkAfterEarlierAnswersTookEffect) {
  presenter.yesNoCancelAnswers = {YesNoCancel::kYes, YesNoCancel::kNo, YesNoCancel::kCancel};
  presenter.fileAnswers = {Chosen({dir.File("A.tnp")})};
  EXPECT_FALSE(AskSaveUnsavedProfiles(store, messages, folder));
  const auto asked = presenter.Of("yesnocancel");
  ASSERT_EQ(asked.size(), 3u);
  EXPECT_EQ(asked[0].caption, "Tintara Warning");
  EXPECT_EQ(asked[0].text, "The color profile 'A' (Studio) is not saved.\nDo you want to save it?");
  EXPECT_EQ(asked[1].text, "The color profile 'B' is not saved.\nDo you want to save it?");
  EXPECT_FALSE(store.At(0).Unsaved);
  EXPECT_FALSE(test::ReadFileText(dir.File("A.tnp")).empty());
  EXPECT_TRUE(store.At(1).Unsaved);
  EXPECT_TRUE(store.At(2).Unsaved);

  // Closing again asks only about the two still unsaved; No to both lets the window close.
  presenter.shown.clear();
  presenter.yesNoCancelAnswers = {YesNoCancel::kNo, YesNoCancel::kNo};
  EXPECT_TRUE(AskSaveUnsavedProfiles(store, messages, folder));
  EXPECT_EQ(presenter.Of("yesnocancel").size(), 2u);
}

// Yes and then Cancel in the file dialog keeps the program running, as Cancel in the question
// does: closing now would lose the profile the user just said to keep. Yes and a save that fails
// asks about the same profile again.
TEST_F(ClosingPromptTest, ACancelledSaveKeepsTheWindowOpenAndAFailedSaveAsksAgain) {
  presenter.yesNoCancelAnswers = {YesNoCancel::kYes};
  presenter.fileAnswers = {FileDialogAnswer{}};
  EXPECT_FALSE(AskSaveUnsavedProfiles(store, messages, folder));
  EXPECT_EQ(presenter.Of("yesnocancel").size(), 1u);
  EXPECT_TRUE(store.At(0).Unsaved);

  presenter.shown.clear();
  presenter.yesNoCancelAnswers = {YesNoCancel::kNo, YesNoCancel::kYes, YesNoCancel::kYes, YesNoCancel::kNo};
  presenter.fileAnswers = {Chosen({dir.path() + "/missing/B.tnp"}), Chosen({dir.File("B.tnp")})};
  EXPECT_TRUE(AskSaveUnsavedProfiles(store, messages, folder));
  const auto asked = presenter.Of("yesnocancel");
  ASSERT_EQ(asked.size(), 4u);
  EXPECT_NE(asked[0].text.find("'A'"), std::string::npos);
  EXPECT_NE(asked[1].text.find("'B'"), std::string::npos);
  EXPECT_NE(asked[2].text.find("'B'"), std::string::npos);
  EXPECT_NE(asked[3].text.find("'C'"), std::string::npos);
  EXPECT_EQ(presenter.Of("box").size(), 1u);
  EXPECT_TRUE(store.At(0).Unsaved);
  EXPECT_FALSE(store.At(1).Unsaved);
  EXPECT_FALSE(test::ReadFileText(dir.File("B.tnp")).empty());
}

}  // namespace
}  // namespace tintara
