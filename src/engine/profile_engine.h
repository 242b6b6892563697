#pragma once

#include <cstdint>

#include "base/error.h"
#include "engine/reference_data.h"
#include "engine/transform_fit.h"

namespace tintara {

// The three tunable numbers handed to every fit (the stored settings "PenaltyFactor",
// "QualityControl" and "Gamma").
struct FitParameters {
  double penaltyFactor = kDefaultPenaltyFactor;
  double qualityLimit = kDefaultQualityLimit;
  double gamma = kDefaultGamma;
};

// The engine's half of creating a profile: copies the 90 sample values (R[0..29], G[0..29],
// B[0..29]) and the reference set (name cut to 63 characters, entries padded to 30) into the
// context's own storage, sets the area count and the parameters, and runs make_rgb_icc into
// context.profile. Returns success or kPoorQuality with a profile in context.profile (both usable),
// or another failure with context.profile empty.
Error RunProfileEngine(EngineContext& context, const uint16_t (&samples)[3 * kMaxAreas], int count,
                       const ReferenceSet& reference, const FitParameters& parameters);

}  // namespace tintara
