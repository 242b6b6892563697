#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "card/card_layout.h"
#include "engine/color_transform.h"
#include "engine/reference_data.h"
#include "engine/transform_fit.h"

namespace tintara {

// How close one colour area comes to its reference before and after the new profile. A profile
// corrects colour, not exposure, so a card shot a little dark or bright stays so after the profile;
// the "matched" figures first give the measured colour the exposure the fit found, to show how well
// the colours alone were corrected.
struct AreaQuality {
  int index = 0;
  std::array<uint8_t, 3> measured{};
  std::array<uint8_t, 3> reference{};  // on the 8-bit scale
  std::array<uint8_t, 3> corrected{};  // the measured colour through the profile, as a conversion gives it
  std::array<uint8_t, 3> matched{};    // the measured colour with the fit's exposure applied
  std::array<uint8_t, 3> correctedMatched{};  // that colour through the profile
  double deBefore = 0.0;  // CIEDE2000, colours taken as sRGB
  double deAfter = 0.0;
  double deMatched = 0.0;  // correctedMatched against the reference
  bool inFit = false;  // the area kept a weight in the fit
};

struct ProfileQualityReport {
  FitExposure exposure;  // as handed to MeasureProfileQuality
  std::vector<AreaQuality> areas;
  // Over the areas that entered the fit.
  double meanBefore = 0.0;
  double maxBefore = 0.0;
  double meanAfter = 0.0;
  double maxAfter = 0.0;
  double meanMatched = 0.0;
  double maxMatched = 0.0;
  std::vector<int> worst;  // up to five area indices, largest difference after first
  // The same by the difference after with the exposure matched: the areas whose colour the profile
  // corrects least, whatever the exposure of this shot.
  std::vector<int> worstMatched;
};

// The 8-bit colour a measured mean becomes under the fit's exposure: the mean normalised by its
// scale, through the same transform the fit applied to its samples, back on 0..255 (halves rounded
// away from zero).
std::array<uint8_t, 3> ExposureMatched(const std::array<uint8_t, 3>& mean, const FitExposure& exposure);

// Measures every area of a sampled layout against the working reference set and the profile's
// transform, through the same arithmetic as converting an image. `exposure` is what the fit took
// out of the samples (EngineContext::exposure); the neutral default makes the matched figures equal
// the plain ones.
ProfileQualityReport MeasureProfileQuality(const CardLayout& layout, const ReferenceSet& workingReference,
                                           const ColorTransform& transform, const FitExposure& exposure = {});

}  // namespace tintara
