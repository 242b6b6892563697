#include "card/create_profile.h"

#include <cstdio>

#include "app/messages.h"
#include "app/settings.h"
#include "base/strings.h"
#include "base/file_names.h"
#include "base/result_codes.h"
#include "engine/icc_profile.h"
#include "engine/profile_engine.h"

namespace tintara {

namespace {

// The one-time message of each finding.
int FindingMessage(int code) {
  switch (code) {
    case kTooFewPixels: return 40701;
    case kFewPixels: return 40702;
    case kUnevenCorners: return 40703;
    case kWhiteTooBright: return 40704;
    case kBlackTooDark: return 40705;
    case kBlackTooBright: return 40709;
    case kWhiteTooDark: return 40710;
    case kPoorQuality: return 40711;
    case kTooFewAreas: return 40712;
    default: return 0;
  }
}

}  // namespace

int CreateProfile(CardLayout& layout, const ReferenceSet& workingReference, ProfileRecord& target,
                  EngineContext& engine) {
  const CSettings& settings = Settings();
  const FitParameters parameters{settings.PenaltyFactor(), settings.QualityControl(), settings.Gamma()};
  uint16_t block[3 * kMaxAreas];
  for (int i = 0; i < kMaxAreas; ++i) {
    block[i] = layout.samples.R[i];
    block[kMaxAreas + i] = layout.samples.G[i];
    block[2 * kMaxAreas + i] = layout.samples.B[i];
  }
  const int count = static_cast<int>(layout.areas.size());
  const int code = RunProfileEngine(engine, block, count, workingReference, parameters);
  if (!engine.profile.Empty()) {
    SetProfileBytes(target, engine.profile.bytes.data(), static_cast<int64_t>(engine.profile.bytes.size()));
    target.descriptionOffset = kDescriptionOffset;
    target.InFolder = false;
    target.Unsaved = true;
  }
  if (code != kOk) {
    for (ColorArea& area : layout.areas) area.Valid = false;
  }
  return code;
}

bool ReportAreaCode(int code) {
  if (code == kOk || code == kSelectionIncomplete) return false;
  const int message = FindingMessage(code);
  if (message == 0) {
    AppMessages().ShowError(code);
    return false;
  }
  return !AppMessages().ShowOnce(message, true);
}

std::string ProfileNameFromDocument(const std::string& fileName) {
  std::string name = FileNameOf(fileName);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.resize(dot);
  return name;
}

std::string DefaultProfileDescription(const std::string& referenceName) {
  const std::string pattern = StringOrEmpty(33028);
  std::string text;
  const size_t slot = pattern.find("%s");
  if (slot == std::string::npos) {
    text = pattern;
  } else {
    text = pattern.substr(0, slot) + referenceName + pattern.substr(slot + 2);
  }
  // Proposed as the profile will hold it: cut to its first 63 characters (never inside one), with
  // any character the description field cannot carry already shown as "?".
  return StoredDescription(text);
}

CreateProfileOutcome RunCreateProfile(const CreateProfileInputs& inputs, ProfileStore& store, EngineContext& engine) {
  CreateProfileOutcome outcome;
  CardSelection* selection = inputs.selection;
  if (selection == nullptr || !selection->Complete() || selection->Layout() == nullptr || inputs.image == nullptr) {
    return outcome;
  }
  CardLayout& layout = *selection->Layout();
  if (inputs.references == nullptr || inputs.referenceIndex < 0 ||
      inputs.referenceIndex >= static_cast<int>(inputs.references->size())) {
    AppMessages().ShowWarning(40505);
    outcome.result = CreateProfileResult::kNoReference;
    return outcome;
  }
  // The reference list offers the sets of the card model being marked, but a set picked before the
  // model changed stays picked; fitted against the other model's areas it would make a profile from
  // a few areas, or compare every area with the wrong colour.
  if ((*inputs.references)[inputs.referenceIndex].EntryCount() != static_cast<int>(layout.areas.size())) {
    AppMessages().ShowError(kReferenceNotForCard);
    outcome.result = CreateProfileResult::kNoReference;
    return outcome;
  }
  if (inputs.image->converted() || inputs.documentHasEmbeddedProfile) AppMessages().ShowOnce(40707, false);

  ProfileRecord record;
  SetProfileName(record, ProfileNameFromDocument(inputs.documentFileName));
  const ReferenceSet& chosen = (*inputs.references)[inputs.referenceIndex];
  outcome.workingReference = chosen;

  // The card is always measured as it came from the file, whatever conversion is on screen.
  const ImageBuffer& image = *inputs.image;
  const PixelView pixels{image.unconvertedPixels() ? image.unconvertedPixels() : image.pixels(), image.width(),
                         image.height()};
  auto finding = [&](int code) {
    if (code == kOk) return false;
    if (inputs.beforeFinding) inputs.beforeFinding();
    return ReportAreaCode(code);
  };
  auto notCreated = [&]() {
    AppMessages().ShowStatus(40802);
    outcome.result = CreateProfileResult::kNotCreated;
    return outcome;
  };

  outcome.codes[0] = layout.SampleAreas(pixels, outcome.workingReference);
  if (finding(outcome.codes[0])) return notCreated();
  outcome.codes[1] = layout.CheckWhite();
  if (finding(outcome.codes[1])) return notCreated();
  outcome.codes[2] = layout.CheckBlack();
  if (finding(outcome.codes[2])) return notCreated();
  outcome.codes[3] = layout.CheckCorners();
  if (finding(outcome.codes[3])) return notCreated();
  // The engine's finding is reported, but a profile it made is still looked at before stopping.
  outcome.codes[4] = CreateProfile(layout, outcome.workingReference, record, engine);
  const bool stop = finding(outcome.codes[4]);
  if (record.bytes.empty()) {
    Presenter().ShowMessageBox(StringOrEmpty(33030), StringOrEmpty(40023));
    return notCreated();
  }
  if (stop) return notCreated();

  // Cancel is the dialog's answer, never a text: whatever the user typed is a description.
  const DescriptionAnswer named = Presenter().AskDescription(DefaultProfileDescription(chosen.name));
  if (!named.ok) {
    outcome.result = CreateProfileResult::kDescriptionCancelled;
    return outcome;
  }
  const bool save = named.saveToDisk;
  SetProfileDescription(record, named.description);
  outcome.storeIndex = store.AddOrReplaceProfile(record);
  bool clean = true;
  for (int code : outcome.codes) clean = clean && code == kOk;
  AppMessages().ShowStatus(clean ? 40800 : 40801);
  outcome.saveRequested = save;
  outcome.result = CreateProfileResult::kCreated;
  return outcome;
}

}  // namespace tintara
