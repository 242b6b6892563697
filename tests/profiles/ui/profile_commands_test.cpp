// The Profile menu's commands and the closing prompt, run with scripted answers against real files.
#include "profiles/ui/profile_commands.h"

#include <gtest/gtest.h>

#include "app/settings.h"
#include "base/strings.h"
#include "support/run_command.h"
#include "support/scripted_presenter.h"
#include "support/test_environment.h"
#include "support/test_profiles.h"

namespace tintara {
namespace {

using test::ScriptedPresenter;

class ProfileCommandsTest : public test::PrivateSettingsTest {
 protected:
  FileDialogAnswer Chosen(std::vector<std::string> paths) { return {true, std::move(paths), 0}; }

  test::TempDir dir;
  ScriptedPresenter presenter;
  ProfileStore store;
};

TEST_F(ProfileCommandsTest, AddReadsEachFileAndSaysWhatIsWrongWithTheOthers) {
  Settings().SetLoadProfileFolder("/start/here");
  test::WriteFileBytes(dir.File("MyCard.TNP"), test::TestProfileBytes(1.0, "Studio"));
  test::WriteFileBytes(dir.File("Other.tnp"), test::TestProfileBytes(2.0, "Daylight"));
  test::WriteFileText(dir.File("foreign.tnp"), std::string(5264, 'x'));
  test::WriteFileText(dir.File("empty.tnp"), "");
  store.AddOrReplaceProfile(test::TestProfileRecord("Earlier", ""));
  presenter.fileAnswers = {Chosen({dir.File("MyCard.TNP"), dir.File("foreign.tnp"), dir.File("empty.tnp"),
                                   dir.File("missing.tnp"), dir.File("Other.tnp")})};

  EXPECT_EQ(AddProfilesCommand(store), 2);

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
  EXPECT_EQ(boxes[0].text, kTextForeignProfile);
  EXPECT_EQ(boxes[1].text, "There were errors loading the color profile.");

  ASSERT_EQ(store.Count(), 3);
  EXPECT_EQ(store.At(1).name, "MyCard");
  EXPECT_EQ(store.At(1).description, "Studio");
  EXPECT_EQ(store.At(2).name, "Other");
  for (int i : {1, 2}) {
    EXPECT_FALSE(store.At(i).InFolder);
    EXPECT_FALSE(store.At(i).Unsaved);
  }
  EXPECT_EQ(Settings().LoadProfileFolder(), dir.path());
}

TEST_F(ProfileCommandsTest, AddEqualToAFolderProfileTakesItsPlaceAndNothingAddedChangesNoFolder) {
  for (const char* name : {"Studio", "Dawn"}) {
    ProfileRecord folderRecord = test::TestProfileRecord(name, "D");
    folderRecord.InFolder = true;
    store.AddOrReplaceProfile(folderRecord);
  }
  test::WriteFileBytes(dir.File("Studio.tnp"), test::TestProfileBytes(3.0, "D"));
  presenter.fileAnswers = {Chosen({dir.File("Studio.tnp")})};
  EXPECT_EQ(AddProfilesCommand(store), 0);
  ASSERT_EQ(store.Count(), 2);
  EXPECT_FALSE(store.At(0).InFolder);
  EXPECT_TRUE(store.At(1).InFolder);

  // Cancel, and a choice of nothing but a foreign file: nothing added, the folder stays.
  Settings().SetLoadProfileFolder("/kept");
  test::WriteFileText(dir.File("foreign.tnp"), "not a profile");
  presenter.fileAnswers = {FileDialogAnswer{}, Chosen({dir.File("foreign.tnp")})};
  EXPECT_EQ(AddProfilesCommand(store), -1);
  EXPECT_EQ(AddProfilesCommand(store), -1);
  EXPECT_EQ(store.Count(), 2);
  EXPECT_EQ(Settings().LoadProfileFolder(), "/kept");
}

TEST_F(ProfileCommandsTest, SaveAsProposesANameWritesTheBytesAndReportsAFailure) {
  Settings().SetSaveProfileFolder("/saved/before");
  ProfileRecord portrait = test::TestProfileRecord("Portrait.jpg", "Evening");
  portrait.Unsaved = true;
  store.AddOrReplaceProfile(portrait);
  ProfileRecord dawn = test::TestProfileRecord("Dawn.light", "");
  dawn.Unsaved = true;
  store.AddOrReplaceProfile(dawn);

  presenter.fileAnswers = {Chosen({dir.File("Portrait.tnp")}), Chosen({dir.path() + "/no/such/folder/Dawn.tnp"})};
  SaveProfileAsCommand(store, 0);
  SaveProfileAsCommand(store, 1);

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
  EXPECT_EQ(presenter.Of("box")[0].text, "There was an error saving the color profile.");
  EXPECT_EQ(Settings().SaveProfileFolder(), dir.path() + "/no/such/folder");
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
  EXPECT_FALSE(PromptSaveUnsavedProfiles(store));
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
  EXPECT_TRUE(PromptSaveUnsavedProfiles(store));
  EXPECT_EQ(presenter.Of("yesnocancel").size(), 2u);
}

// Yes and then Cancel in the file dialog goes on with the next profile; Yes and a save that fails
// asks about the same profile again rather than closing with it lost.
TEST_F(ClosingPromptTest, ACancelledSaveGoesOnAndAFailedSaveAsksAgain) {
  presenter.yesNoCancelAnswers = {YesNoCancel::kYes, YesNoCancel::kYes, YesNoCancel::kYes, YesNoCancel::kNo};
  presenter.fileAnswers = {FileDialogAnswer{}, Chosen({dir.path() + "/missing/B.tnp"}), Chosen({dir.File("B.tnp")})};
  EXPECT_TRUE(PromptSaveUnsavedProfiles(store));
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
