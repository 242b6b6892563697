#pragma once

#include <functional>
#include <string>

#include "card/card_selection.h"
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

struct CreateProfileOutcome {
  CreateProfileResult result = CreateProfileResult::kNoOutline;
  // The codes of SampleAreas, CheckWhite, CheckBlack, CheckCorners and the engine, in that order.
  int codes[5] = {0, 0, 0, 0, 0};
  int storeIndex = -1;         // where the new profile went in the store
  bool saveRequested = false;  // "Save the new Profile to disk" was ticked
  ReferenceSet workingReference;  // the chosen set with the weights sampling lowered
};

// The engine's half of Create Profile for a laid-out card: copies the layout's samples and the working
// reference set into the engine, takes the fitting parameters from the settings as they stand now, and
// hands the bytes (when the engine made any) to `target`, which becomes an unsaved record not from the
// profile folder. When the result is not 0 every colour area is marked invalid.
int CreateProfile(CardLayout& layout, const ReferenceSet& workingReference, ProfileRecord& target,
                  EngineContext& engine);

// Shows a finding's one-time message (with Continue and Cancel); true when the user chose Cancel.
// Codes without a message of their own go to the general error report and do not stop.
bool ReportAreaCode(int code);

// The profile's name from the document's file name: the part before its last ".".
std::string ProfileNameFromDocument(const std::string& fileName);

// "Lumeno profile with '<set>' reference.", as a profile's description holds it: its first 63
// characters, with "?" for a character the description cannot carry.
std::string DefaultProfileDescription(const std::string& referenceName);

// The whole command: samples and checks the card, reports each finding (the user may stop), fits the
// profile, asks for its description, adds it to the store and shows the outcome in the status bar.
CreateProfileOutcome RunCreateProfile(const CreateProfileInputs& inputs, ProfileStore& store, EngineContext& engine);

}  // namespace tintara
