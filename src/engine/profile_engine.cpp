#include "engine/profile_engine.h"

#include "engine/icc_profile.h"

namespace tintara {

Error RunProfileEngine(EngineContext& context, const uint16_t (&samples)[3 * kMaxAreas], int count,
                       const ReferenceSet& reference, const FitParameters& parameters) {
  context.samples = SampleSet::FromBlock(samples);
  context.reference = EngineReferenceSet::FromReferenceSet(reference);
  context.count = count;
  context.penaltyFactor = parameters.penaltyFactor;
  context.qualityLimit = parameters.qualityLimit;
  context.gamma = parameters.gamma;
  return make_rgb_icc(context.samples, context.reference, context.profile, context);
}

}  // namespace tintara
