#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "card/card_layout.h"
#include "engine/color_transform.h"
#include "engine/reference_data.h"

namespace tintara {

// How close one colour area comes to its reference before and after the new profile.
struct AreaQuality {
  int index = 0;
  std::array<uint8_t, 3> measured{};
  std::array<uint8_t, 3> reference{};  // on the 8-bit scale
  std::array<uint8_t, 3> corrected{};  // the measured colour through the profile, as a conversion gives it
  double deBefore = 0.0;  // CIEDE2000, colours taken as sRGB
  double deAfter = 0.0;
  bool inFit = false;  // the area kept a weight in the fit
};

struct ProfileQualityReport {
  std::vector<AreaQuality> areas;
  // Over the areas that entered the fit.
  double meanBefore = 0.0;
  double maxBefore = 0.0;
  double meanAfter = 0.0;
  double maxAfter = 0.0;
  std::vector<int> worst;  // up to five area indices, largest difference after first
};

// Measures every area of a sampled layout against the working reference set and the profile's
// transform, through the same arithmetic as converting an image.
ProfileQualityReport MeasureProfileQuality(const CardLayout& layout, const ReferenceSet& workingReference,
                                           const ColorTransform& transform);

}  // namespace tintara
