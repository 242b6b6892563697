#pragma once

#include <array>
#include <functional>
#include <string>

#include "base/error.h"
#include "base/messages.h"
#include "card/card_selection.h"
#include "card/card_settings.h"
#include "engine/profile_engine.h"
#include "engine/reference_data.h"
#include "engine/transform_fit.h"
#include "image/image_buffer.h"
#include "profiles/profile_store.h"

namespace tintara {

// Everything the Create Profile command takes from the document and the program around it.
struct CreateProfileInputs {
  const ImageBuffer* image = nullptr;  // sampled through its unconverted pixels
  bool documentHasEmbeddedProfile = false;
  std::string documentFileName;  // the image file's name, with or without its folder
  CardSelection* selection = nullptr;
  const ReferenceSetList* references = nullptr;
  int referenceIndex = -1;  // the set chosen in the reference list; -1 when none is chosen
  CardCheckSettings checks;  // the limits the card is measured and checked by
  FitParameters fit;         // what the fit is handed
  // Called before each finding is shown, so a view can repaint the areas the checks just marked.
  std::function<void()> beforeFinding;
};

// Which of the command's endings was reached.
enum class CreateProfileResult {
  kNoOutline,      // no complete outline: nothing happens
  kNoReference,    // no reference set chosen, or one of the other card model: the message was shown
  kCreated,        // a new profile is in the store
  kNotCreated,     // stopped by the user at a finding, or the engine made no profile
  kDescriptionCancelled,  // Cancel in the New Profile dialog: no profile, no status text
};

// What the measurement and the fit found; each stays 0 when its step found nothing or did not run.
struct CreateProfileFindings {
  Error sampling;  // SampleAreas: 15 (TooFewPixels) or 16 (FewPixels)
  Error white;     // CheckWhite: 18 or 21
  Error black;     // CheckBlack: 19 or 22
  Error corners;   // CheckCorners: 17
  Error engine;    // the fit: PoorQuality (a usable profile), TooFewAreas or a failure

  // The findings in the order the command reports them.
  std::array<const Error*, 5> InOrder() const { return {&sampling, &white, &black, &corners, &engine}; }
  bool Clean() const;
};

struct CreateProfileOutcome {
  CreateProfileResult result = CreateProfileResult::kNoOutline;
  CreateProfileFindings findings;
  int storeIndex = -1;         // where the new profile went in the store
  bool saveRequested = false;  // "Save the new Profile to disk" was ticked
  ReferenceSet workingReference;  // the chosen set with the weights sampling lowered
};

// The engine's half of Create Profile for a laid-out card: copies the layout's samples and the working
// reference set into the engine, fits with `parameters`, and hands the bytes (when the engine made
// any) to `target`, which becomes an unsaved record not from the profile folder. When the result is
// not 0 every colour area is marked invalid.
Error CreateProfile(CardLayout& layout, const ReferenceSet& workingReference, const FitParameters& parameters,
                    ProfileRecord& target, EngineContext& engine);

// Shows a finding's one-time message (with Continue and Cancel); true when the user chose Cancel.
// Findings without a message of their own go to the error box and do not stop.
bool ReportFinding(const Error& finding, const Messages& messages);

// The profile's name from the document's file name: the part before its last ".".
std::string ProfileNameFromDocument(const std::string& fileName);

// "Lumeno profile with '<set>' reference.", as a profile's description holds it: its first 63
// characters, with "?" for a character the description cannot carry.
std::string DefaultProfileDescription(const std::string& referenceName);

// The whole command: samples and checks the card, reports each finding (the user may stop), fits the
// profile, asks for its description (the New Profile dialog of `messages`' presenter), adds it to
// the store and shows the outcome in the status bar.
CreateProfileOutcome RunCreateProfile(const CreateProfileInputs& inputs, ProfileStore& store, EngineContext& engine,
                                      const Messages& messages);

}  // namespace tintara
