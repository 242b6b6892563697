#pragma once

#include <optional>

#include "card/create_profile.h"
#include "card/quality_report.h"

class QMainWindow;

namespace tintara {

class CMarkingTool;
class CProfileMenu;
class CTintaraDoc;

struct CreateProfileCommandResult {
  CreateProfileOutcome outcome;
  std::optional<QualityReportData> report;  // when a profile was made
};

// Image > Create Profile on `document` with the card `marking` marked on its view: runs the command
// (RunCreateProfile) with the profile store and the set at `referenceIndex` of `references` (the
// "Reference:" entry selected), under the wait cursor.
// Before each finding the view repaints at once, so the crosses the checks set are on screen while
// the message asks. A new profile becomes the selected "Profile:" entry and its quality report is
// shown beside the image in a dock of `window`, the five areas it corrects least numbered on the card;
// with "Save the new Profile to disk" ticked, Profile > Save As follows for it.
CreateProfileCommandResult RunCreateProfileCommand(CTintaraDoc& document, CMarkingTool& marking, CProfileMenu& profiles,
                                                   const ReferenceSetList& references, int referenceIndex,
                                                   QMainWindow& window);

}  // namespace tintara
