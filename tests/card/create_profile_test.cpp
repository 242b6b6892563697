// The Create Profile command from a marked card to a profile in the store, with every answer a user
// can give, on photographs drawn with a known camera.
#include "card/create_profile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "app/settings.h"
#include "base/strings.h"
#include "base/result_codes.h"
#include "card/card_settings.h"
#include "card/profile_quality.h"
#include "card_renderer.h"
#include "engine/icc_profile.h"
#include "image/image_conversion.h"
#include "support/run_command.h"
#include "support/scripted_presenter.h"
#include "support/test_cards.h"
#include "support/test_environment.h"

namespace tintara {
namespace {

using test::ScriptedPresenter;

using Host = test::TestCardHost;

ReferenceSet Standard() {
  ReferenceSet set{"Lumeno K7 Standard (8-bit)", {}};
  const uint16_t colours[30][3] = {
      {118, 118, 118}, {115, 82, 68},   {194, 150, 130}, {52, 52, 52},    {98, 122, 157},  {87, 108, 67},
      {133, 128, 177}, {103, 189, 170}, {243, 243, 242}, {118, 118, 118}, {214, 126, 44},  {80, 91, 166},
      {193, 90, 99},   {94, 60, 108},   {157, 188, 64},  {224, 163, 46},  {56, 61, 150},   {70, 148, 73},
      {175, 54, 60},   {231, 199, 31},  {118, 118, 118}, {187, 86, 149},  {8, 133, 161},   {200, 200, 200},
      {160, 160, 160}, {122, 122, 121}, {85, 85, 85},    {166, 118, 96},  {68, 68, 68},    {118, 118, 118}};
  for (const auto& c : colours) set.entries.push_back({c[0], c[1], c[2], 100});
  return set;
}

// A camera with channel cross-talk that the colour model can undo.
render::Camera CrossTalkCamera() {
  render::Camera camera;
  const double m[3][3] = {{0.85, 0.12, 0.03}, {0.08, 0.82, 0.10}, {0.02, 0.15, 0.83}};
  std::memcpy(camera.matrix, m, sizeof(m));
  return camera;
}

class CreateProfileFlow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { settings_ = std::make_unique<test::PrivateSettings>(); }
  static void TearDownTestSuite() { settings_.reset(); }
  void SetUp() override {
    Settings().RestoreDefaults(true);
    Settings().ResetOnceMessages();
    checks_ = CardCheckSettingsOf(Settings());
    fit_ = FitParametersOf(Settings());
    references_ = {Standard()};
    Render(CrossTalkCamera());
  }

  void Render(const render::Camera& camera, double light = 0.0) {
    render::Scene scene;
    scene.width = 900;
    scene.height = 700;
    scene.corners = render::PlaceCard(450, 350, 520, 4, false);
    scene.noise = 1.5;
    scene.light = light;
    ASSERT_EQ(render::Render(scene, references_[0], camera, image_), 0);
    ASSERT_EQ(image_.KeepUnconverted(), 0);
    host_ = std::make_unique<Host>(image_.width(), image_.height(), CardModel::K7);
    selection_ = std::make_unique<CardSelection>(*host_);
    const auto p = render::ScreenOrder(scene.corners);
    for (int i = 0; i < 3; ++i) selection_->AddCorner(p[i].x, p[i].y);
    ASSERT_TRUE(selection_->Complete());
  }

  CreateProfileOutcome Run(const std::string& fileName = "card.tif", int referenceIndex = 0) {
    CreateProfileInputs in;
    in.image = &image_;
    in.documentFileName = fileName;
    in.selection = selection_.get();
    in.references = &references_;
    in.referenceIndex = referenceIndex;
    in.checks = checks_;
    in.fit = fit_;
    return RunCreateProfile(in, store_, engine_, Messages(presenter_, Settings()));
  }

  std::vector<std::string> Statuses() const {
    std::vector<std::string> out;
    for (const auto& s : presenter_.Of("status")) out.push_back(s.text);
    return out;
  }

  static std::unique_ptr<test::PrivateSettings> settings_;
  ScriptedPresenter presenter_;
  CardCheckSettings checks_;  // the defaults, unless a test says otherwise
  FitParameters fit_;
  ReferenceSetList references_;
  ImageBuffer image_;
  std::unique_ptr<Host> host_;
  std::unique_ptr<CardSelection> selection_;
  ProfileStore store_;
  EngineContext engine_;
};
std::unique_ptr<test::PrivateSettings> CreateProfileFlow::settings_;

TEST_F(CreateProfileFlow, ACleanCardMakesAnUnsavedProfileNamedAfterTheFile) {
  presenter_.descriptionAnswers.push_back({true, "Studio camera", true});
  const CreateProfileOutcome out = Run("/photos/card.tif");
  ASSERT_EQ(out.result, CreateProfileResult::kCreated);
  EXPECT_TRUE(out.findings.Clean());
  EXPECT_TRUE(out.saveRequested);
  ASSERT_EQ(store_.Count(), 1);
  const ProfileRecord& r = store_.At(out.storeIndex);
  EXPECT_EQ(r.name, "card");
  EXPECT_EQ(r.description, "Studio camera");
  EXPECT_EQ(DescriptionFromBytes(r.bytes, 304), "Studio camera");
  EXPECT_TRUE(r.Unsaved);
  EXPECT_FALSE(r.InFolder);
  EXPECT_TRUE(r.TransformLoaded);
  EXPECT_EQ(presenter_.Of("description")[0].text, "Lumeno profile with 'Lumeno K7 Standard (8-bit)' reference.");
  EXPECT_EQ(Statuses(), std::vector<std::string>{"The color profile was successfully created."});
  EXPECT_TRUE(presenter_.Of("once").empty());

  // The same name and description again replace the profile in place.
  presenter_.descriptionAnswers.push_back({true, "Studio camera", false});
  EXPECT_EQ(Run("/elsewhere/card.jpg").storeIndex, 0);
  EXPECT_EQ(store_.Count(), 1);

  // A layout left without areas (memory ran out when it was made) is laid out again first.
  selection_->Layout()->ClearAreas();
  presenter_.descriptionAnswers.push_back({true, "again", false});
  EXPECT_EQ(Run().result, CreateProfileResult::kCreated);
  EXPECT_EQ(selection_->Layout()->areas.size(), 30u);
}

TEST_F(CreateProfileFlow, ConvertingWithTheNewProfileBringsTheCardToItsReference) {
  const CreateProfileOutcome out = Run();
  ASSERT_EQ(out.result, CreateProfileResult::kCreated);
  const ProfileRecord& profile = store_.At(out.storeIndex);
  const ProfileQualityReport report = MeasureProfileQuality(*selection_->Layout(), out.workingReference, profile.transform);
  EXPECT_LT(report.meanAfter, report.meanBefore * 0.7);

  // Convert the photograph and measure the card again on the converted pixels.
  ASSERT_EQ(ConvertWithProfile(image_, profile), 0);
  CardLayout& layout = *selection_->Layout();
  ReferenceSet scratch = references_[0];
  const PixelView before{image_.unconvertedPixels(), image_.width(), image_.height()};
  const PixelView after{image_.pixels(), image_.width(), image_.height()};
  double errorBefore = 0, errorAfter = 0;
  int worstAfter = 0;
  layout.SampleAreas(before, scratch, checks_);
  std::vector<std::array<uint8_t, 3>> measured;
  for (const ColorArea& a : layout.areas) measured.push_back(a.mean);
  layout.SampleAreas(after, scratch, checks_);
  for (size_t i = 0; i < layout.areas.size(); ++i) {
    for (int c = 0; c < 3; ++c) {
      const int ref = c == 0 ? references_[0].entries[i].R : c == 1 ? references_[0].entries[i].G : references_[0].entries[i].B;
      errorBefore += std::abs(measured[i][c] - ref);
      errorAfter += std::abs(layout.areas[i].mean[c] - ref);
      worstAfter = std::max(worstAfter, std::abs(layout.areas[i].mean[c] - ref));
    }
  }
  EXPECT_LT(errorAfter, errorBefore * 0.65) << errorBefore / 90 << " -> " << errorAfter / 90;
  EXPECT_LE(worstAfter, 10);
}

TEST_F(CreateProfileFlow, CancelAtAFindingStopsAndContinueGoesOn) {
  checks_.k7.white.high = 0.5;  // the white area now counts as too bright
  presenter_.onceAnswers.push_back({false, true});  // Cancel, with the box ticked
  CreateProfileOutcome out = Run();
  EXPECT_EQ(out.result, CreateProfileResult::kNotCreated);
  EXPECT_EQ(out.findings.white, kWhiteTooBright);
  EXPECT_TRUE(out.findings.black.ok());  // nothing after the stop ran
  EXPECT_EQ(store_.Count(), 0);
  EXPECT_EQ(Statuses(), std::vector<std::string>{"The color profile was not created."});
  EXPECT_TRUE(selection_->Layout()->areas[8].Unreliable);

  // Cancel did not silence the message: it comes again, and Continue goes on to a profile.
  presenter_.shown.clear();
  out = Run();
  ASSERT_EQ(presenter_.Of("once").size(), 1u);
  EXPECT_TRUE(presenter_.Of("once")[0].choice);
  EXPECT_EQ(out.result, CreateProfileResult::kCreated);
  EXPECT_EQ(Statuses(), std::vector<std::string>{"The color profile was created with warnings."});
}

TEST_F(CreateProfileFlow, EveryCheckIsReportedInOrder) {
  checks_.k7.white.high = 0.5;
  checks_.k7.black.low = 0.9;
  checks_.k7.corners = 0.0;
  Render(CrossTalkCamera(), 0.2);  // light falling across the card: the corners differ
  const CreateProfileOutcome out = Run();
  EXPECT_EQ(out.findings.white, kWhiteTooBright);
  EXPECT_EQ(out.findings.black, kBlackTooDark);
  EXPECT_EQ(out.findings.corners, kUnevenCorners);
  std::vector<std::string> texts;
  for (const auto& s : presenter_.Of("once")) texts.push_back(s.text.substr(0, 40));
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0], std::string("The selected card is over exposed.\n\nThe ").substr(0, 40));
  EXPECT_EQ(texts[1].substr(0, 34), "The selected card is under exposed");
  EXPECT_EQ(texts[2].substr(0, 38), "The selected card is unevenly exposed.");
  EXPECT_EQ(out.result, CreateProfileResult::kCreated);
}

TEST_F(CreateProfileFlow, PoorQualityKeepsTheProfileOnlyAfterContinue) {
  fit_.qualityLimit = 0.0;
  CreateProfileOutcome out = Run();
  EXPECT_EQ(out.findings.engine, kPoorQuality);
  EXPECT_EQ(out.result, CreateProfileResult::kCreated);
  EXPECT_EQ(Statuses().back(), "The color profile was created with warnings.");
  for (const ColorArea& a : selection_->Layout()->areas) EXPECT_FALSE(a.Valid);  // all crossed out

  presenter_.onceAnswers.push_back({false, false});
  ProfileStore before = store_;
  out = Run("other.tif");
  EXPECT_EQ(out.result, CreateProfileResult::kNotCreated);
  EXPECT_EQ(store_.Count(), before.Count());
}

TEST_F(CreateProfileFlow, NoMeasurableAreaMeansNoProfile) {
  checks_.errorPixels = 1000000;
  const CreateProfileOutcome out = Run();
  EXPECT_EQ(out.findings.sampling, kTooFewPixels);
  EXPECT_EQ(out.findings.engine, kTooFewAreas);
  EXPECT_EQ(out.result, CreateProfileResult::kNotCreated);
  const auto boxes = presenter_.Of("box");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Tintara Error");
  EXPECT_EQ(boxes[0].text, "The profile could not be created.\n\nUnexpected problems occured when creating profile. ");
  const auto once = presenter_.Of("once");
  ASSERT_EQ(once.size(), 2u);
  EXPECT_EQ(once[1].text.substr(0, 33), "There are too few valid color are");
  EXPECT_EQ(Statuses(), std::vector<std::string>{"The color profile was not created."});
  EXPECT_EQ(store_.Count(), 0);
}

TEST_F(CreateProfileFlow, DescriptionCancelAndMissingReference) {
  presenter_.descriptionAnswers.push_back({false, "typed", true});
  EXPECT_EQ(Run().result, CreateProfileResult::kDescriptionCancelled);
  EXPECT_EQ(store_.Count(), 0);
  EXPECT_TRUE(Statuses().empty());
  // Only Cancel cancels: any text typed and confirmed is the description, whatever it reads.
  presenter_.descriptionAnswers.push_back({true, ">>>CANSELL<<<", true});
  EXPECT_EQ(Run().result, CreateProfileResult::kCreated);
  ASSERT_EQ(store_.Count(), 1);
  EXPECT_EQ(store_.At(0).description, ">>>CANSELL<<<");
  store_.RemoveProfile(0);
  presenter_.shown.clear();

  EXPECT_EQ(Run("card.tif", -1).result, CreateProfileResult::kNoReference);
  auto boxes = presenter_.Of("box");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Tintara Warning");
  EXPECT_EQ(boxes[0].text, "You must select a reference from the list.");

  // A K3 set picked for a marked K7 card is refused before anything is measured or fitted.
  references_.push_back({"K3", {{245, 245, 245, 100}, {120, 120, 120, 100}, {15, 15, 15, 100}}});
  EXPECT_EQ(Run("card.tif", 1).result, CreateProfileResult::kNoReference);
  boxes = presenter_.Of("box");
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].caption, "Tintara Error");
  EXPECT_EQ(boxes[1].text, StringOrEmpty(40000 + kReferenceNotForCard));
  EXPECT_EQ(store_.Count(), 0);

  selection_->Reset();
  EXPECT_EQ(Run().result, CreateProfileResult::kNoOutline);
}

TEST_F(CreateProfileFlow, ConvertedImagesAreMeasuredFromTheOriginal) {
  const CreateProfileOutcome first = Run();
  ASSERT_EQ(ConvertWithProfile(image_, store_.At(first.storeIndex)), 0);
  const SampleSet measured = selection_->Layout()->samples;
  presenter_.shown.clear();
  presenter_.descriptionAnswers.push_back({true, "second", false});
  Run();
  const auto once = presenter_.Of("once");
  ASSERT_EQ(once.size(), 1u);
  EXPECT_EQ(once[0].text, "The profile will be created using the original image data.");
  EXPECT_FALSE(once[0].choice);
  EXPECT_EQ(selection_->Layout()->samples.R, measured.R);
}

TEST(CreateProfileNames, FromTheFileNameAndTheReferenceSet) {
  EXPECT_EQ(ProfileNameFromDocument("card"), "card");
  EXPECT_EQ(ProfileNameFromDocument("/scans/scan.final.jpg"), "scan.final");
  EXPECT_EQ(ProfileNameFromDocument("/p/.tif"), "");
  ProfileRecord r;
  SetProfileName(r, ProfileNameFromDocument(".tif"));
  EXPECT_EQ(r.name, "NoName");
  const std::string seventy(70, 'n');
  const std::string d = DefaultProfileDescription(seventy);
  EXPECT_EQ(d.size(), 63u);
  EXPECT_EQ(d, ("Lumeno profile with '" + seventy).substr(0, 63));
  // Counted in characters: a reference name of two-byte characters is cut after 63 of them, never
  // inside one, and a character the profile cannot hold is proposed as the "?" it will become.
  const std::string accents = DefaultProfileDescription("\xC3\xA9\xC3\xA9 \xCE\xA9" + std::string(60, 'x'));
  EXPECT_EQ(accents, "Lumeno profile with '\xC3\xA9\xC3\xA9 ?" + std::string(38, 'x'));
}

}  // namespace
}  // namespace tintara
