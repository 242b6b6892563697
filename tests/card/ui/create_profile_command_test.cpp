// Image > Create Profile in the main window: the profile bar, the status bar, Save As and the report,
// with the answers a user can give.
#include <QComboBox>
#include <QTableWidget>
#include <algorithm>
#include <filesystem>

#include "profiles/ui/profile_bar.h"
#include "card/ui/create_profile_command.h"
#include "card/ui/quality_report_dock.h"
#include "card_window_fixture.h"
#include "support/test_profiles.h"

namespace tintara {
namespace {

using CreateProfileCommandTest = test::CardWindowTest;

constexpr char kWithWarnings[] = "The color profile was created with warnings.";

TEST_F(CreateProfileCommandTest, ACleanCardBecomesTheSelectedProfileAndIsSavedWhenAsked) {
  OpenCard("studio shot.tif");
  const std::string saved = dir_.File("saved.tnp");
  presenter_.descriptionAnswers.push_back({true, "Studio camera", true});
  presenter_.fileAnswers.push_back({true, {saved}, 0});
  EXPECT_FALSE(frame_->Action(cmd::kQualityReport)->isEnabled()) << "no report before the first profile";
  CreateProfile();

  EXPECT_EQ(presenter_.Of("description").at(0).text,
            "Lumeno profile with '" + references_[frame_->SelectedReferenceIndex()].name + "' reference.");
  EXPECT_EQ(Statuses(), std::vector<std::string>{"The color profile was successfully created."});
  ASSERT_EQ(profiles_.Count(), 1);
  EXPECT_EQ(frame_->profileBar()->SelectedProfileId(), profiles_.IdAt(0));
  EXPECT_EQ(profiles_.At(0).name, "studio shot");
  // The ticked box ran Save As for the new profile at once.
  ASSERT_EQ(presenter_.fileRequests.size(), 1u);
  EXPECT_EQ(presenter_.fileRequests[0].kind, FileDialogRequest::Kind::kSave);
  EXPECT_TRUE(std::filesystem::exists(saved));
  EXPECT_FALSE(profiles_.At(0).Unsaved);
  EXPECT_TRUE(frame_->Action(cmd::kConvert)->isEnabled()) << "the new profile converts";

  CQualityReportDock* dock = CQualityReportDock::Find(*frame_);
  ASSERT_NE(dock, nullptr);
  EXPECT_TRUE(dock->isVisible());
  EXPECT_TRUE(frame_->Action(cmd::kQualityReport)->isEnabled());
  // Closed, it comes back from the Image menu with the same report.
  dock->close();
  frame_->Action(cmd::kQualityReport)->trigger();
  EXPECT_TRUE(dock->isVisible());
  EXPECT_EQ(dock->table()->rowCount(), 30);
}

TEST_F(CreateProfileCommandTest, AnAreaBetweenThePixelLimitsWarnsAndContinueGivesAProfileWithWarnings) {
  OpenCard();
  // A first run, cancelled at the description, measures the areas; the smallest is then put between
  // "ErrorPixels" and "WarningPixels", as an area of 15 pixels lies between the defaults 9 and 20.
  presenter_.descriptionAnswers.push_back({false, "", false});
  CreateProfile();
  const CardLayout& layout = *Marking().selection().Layout();
  const auto smallest = std::min_element(layout.areas.begin(), layout.areas.end(),
                                         [](const ColorArea& a, const ColorArea& b) { return a.pixelCount < b.pixelCount; });
  const int pixels = static_cast<int>(smallest->pixelCount);
  Settings().SetErrorPixels(pixels - 6);
  Settings().SetWarningPixels(pixels);
  presenter_.shown.clear();

  presenter_.onceAnswers.push_back({true, false});  // Continue
  CreateProfile();
  const auto once = presenter_.Of("once");
  ASSERT_EQ(once.size(), 1u);
  EXPECT_TRUE(once[0].choice);
  EXPECT_EQ(once[0].text.substr(0, 60), "The resolution of the image is too low to make an accurate s");
  EXPECT_NE(once[0].text.find("is unreliable"), std::string::npos) << "40702, not 40701";
  EXPECT_EQ(Statuses(), std::vector<std::string>{kWithWarnings});
  ASSERT_EQ(profiles_.Count(), 1);
  // The report names the area unreliable and keeps it out of the summaries.
  const QualityReportData& report = *CQualityReportDock::Find(*frame_)->report();
  const size_t i = static_cast<size_t>(smallest->index);
  EXPECT_EQ(report.states[i], AreaState::kUnreliable);
  EXPECT_FALSE(report.quality.areas[i].inFit);
  EXPECT_EQ(report.pixels[i], pixels);

  // Cancel at the same finding: not created, the store unchanged.
  presenter_.shown.clear();
  presenter_.onceAnswers.push_back({false, false});
  CreateProfile();
  EXPECT_EQ(Statuses(), std::vector<std::string>{"The color profile was not created."});
  EXPECT_EQ(profiles_.Count(), 1);
}

TEST_F(CreateProfileCommandTest, CancelDiscardsAndTheSameNameAndDescriptionReplaceInPlace) {
  OpenCard();
  presenter_.descriptionAnswers.push_back({false, "typed", true});
  CreateProfile();
  EXPECT_TRUE(Statuses().empty());
  EXPECT_EQ(profiles_.Count(), 0);
  EXPECT_TRUE(presenter_.fileRequests.empty());
  EXPECT_EQ(CQualityReportDock::Find(*frame_), nullptr) << "no profile, no report";

  // "card" with the description typed below is already in the store, behind another entry that is
  // selected; the new profile takes its place and its entry becomes the selected one.
  profiles_.AddOrReplaceProfile(test::TestProfileRecord("aaa", "first"));
  profiles_.AddOrReplaceProfile(test::TestProfileRecord("card", "Mine"));
  frame_->RefillProfileBox();
  ASSERT_TRUE(frame_->profileBar()->SelectProfile(profiles_.IdAt(0)));
  const std::vector<uint8_t> before = profiles_.At(1).bytes;
  presenter_.descriptionAnswers.push_back({true, "Mine", false});
  CreateProfile();
  ASSERT_EQ(profiles_.Count(), 2);
  EXPECT_NE(profiles_.At(1).bytes, before) << "replaced by the new profile";
  EXPECT_TRUE(profiles_.At(1).Unsaved);
  EXPECT_EQ(frame_->profileBar()->SelectedProfileId(), profiles_.IdAt(1));
  EXPECT_EQ(frame_->profileBar()->profileBox()->count(), 2);
  EXPECT_TRUE(presenter_.fileRequests.empty()) << "the save box was not ticked";
}

}  // namespace
}  // namespace tintara
