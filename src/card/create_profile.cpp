#include "card/create_profile.h"

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

bool CreateProfileFindings::Clean() const {
  for (const Error* finding : InOrder()) {
    if (finding->failed()) return false;
  }
  return true;
}

Error CreateProfile(CardLayout& layout, const ReferenceSet& workingReference, const FitParameters& parameters,
                    ProfileRecord& target, EngineContext& engine) {
  uint16_t block[3 * kMaxAreas];
  for (int i = 0; i < kMaxAreas; ++i) {
    block[i] = layout.samples.R[i];
    block[kMaxAreas + i] = layout.samples.G[i];
    block[2 * kMaxAreas + i] = layout.samples.B[i];
  }
  const int count = static_cast<int>(layout.areas.size());
  const Error fitted = RunProfileEngine(engine, block, count, workingReference, parameters);
  if (!engine.profile.Empty()) {
    SetProfileBytes(target, engine.profile.bytes.data(), static_cast<int64_t>(engine.profile.bytes.size()));
    target.descriptionOffset = kDescriptionOffset;
    target.InFolder = false;
    target.Unsaved = true;
  }
  if (fitted.failed()) {
    for (ColorArea& area : layout.areas) area.Valid = false;
  }
  return fitted;
}

bool ReportFinding(const Error& finding, const Messages& messages) {
  if (finding.ok() || finding == kSelectionIncomplete) return false;
  const int message = FindingMessage(finding.code());
  if (message == 0) {
    messages.ShowError(finding);
    return false;
  }
  return !messages.ShowOnce(message, true);
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

CreateProfileOutcome RunCreateProfile(const CreateProfileInputs& inputs, ProfileStore& store, EngineContext& engine,
                                      const Messages& messages) {
  CreateProfileOutcome outcome;
  CardSelection* selection = inputs.selection;
  if (selection == nullptr || !selection->Complete() || selection->Layout() == nullptr || inputs.image == nullptr) {
    return outcome;
  }
  CardLayout& layout = *selection->Layout();
  if (inputs.references == nullptr || inputs.referenceIndex < 0 ||
      inputs.referenceIndex >= static_cast<int>(inputs.references->size())) {
    messages.ShowWarning(40505);
    outcome.result = CreateProfileResult::kNoReference;
    return outcome;
  }
  // The reference list offers the sets of the card model being marked, but a set picked before the
  // model changed stays picked.
  const ReferenceSet& chosen = (*inputs.references)[inputs.referenceIndex];
  if (!FitsCardModel(chosen, layout.Model())) {
    messages.ShowError(kReferenceNotForCard);
    outcome.result = CreateProfileResult::kNoReference;
    return outcome;
  }
  if (inputs.image->converted() || inputs.documentHasEmbeddedProfile) messages.ShowOnce(40707, false);

  auto notCreated = [&]() {
    messages.ShowStatus(40802);
    outcome.result = CreateProfileResult::kNotCreated;
    return outcome;
  };
  // A layout left without areas when memory ran out gets one more try before the card is measured.
  if (layout.areas.empty()) {
    const Error laidOut = selection->Relayout();
    if (laidOut.failed()) {
      messages.ShowError(laidOut);
      return notCreated();
    }
  }

  ProfileRecord record;
  SetProfileName(record, ProfileNameFromDocument(inputs.documentFileName));
  outcome.workingReference = chosen;

  // The card is always measured as it came from the file, whatever conversion is on screen.
  const ImageBuffer& image = *inputs.image;
  const PixelView pixels{image.unconvertedPixels() ? image.unconvertedPixels() : image.pixels(), image.width(),
                         image.height()};
  // Shows a finding; true when the user stopped there.
  auto stopsAt = [&](const Error& finding) {
    if (finding.ok()) return false;
    if (inputs.beforeFinding) inputs.beforeFinding();
    return ReportFinding(finding, messages);
  };

  CreateProfileFindings& found = outcome.findings;
  found.sampling = layout.SampleAreas(pixels, outcome.workingReference, inputs.checks);
  if (stopsAt(found.sampling)) return notCreated();
  found.white = layout.CheckWhite(inputs.checks);
  if (stopsAt(found.white)) return notCreated();
  found.black = layout.CheckBlack(inputs.checks);
  if (stopsAt(found.black)) return notCreated();
  found.corners = layout.CheckCorners(inputs.checks);
  if (stopsAt(found.corners)) return notCreated();
  // The engine's finding is reported, but a profile it made is still looked at before stopping.
  found.engine = CreateProfile(layout, outcome.workingReference, inputs.fit, record, engine);
  const bool stop = stopsAt(found.engine);
  if (record.bytes.empty()) {
    messages.presenter().ShowMessageBox(StringOrEmpty(33030), StringOrEmpty(40023));
    return notCreated();
  }
  if (stop) return notCreated();

  // Cancel is the dialog's answer, never a text: whatever the user typed is a description.
  const DescriptionAnswer named = messages.presenter().AskDescription(DefaultProfileDescription(chosen.name));
  if (!named.ok) {
    outcome.result = CreateProfileResult::kDescriptionCancelled;
    return outcome;
  }
  SetProfileDescription(record, named.description);
  outcome.storeIndex = store.AddOrReplaceProfile(record);
  messages.ShowStatus(found.Clean() ? 40800 : 40801);
  outcome.saveRequested = named.saveToDisk;
  outcome.result = CreateProfileResult::kCreated;
  return outcome;
}

}  // namespace tintara
