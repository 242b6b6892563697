#include "card/profile_quality.h"

#include <algorithm>
#include <cmath>

#include "engine/apply_profile.h"
#include "engine/colour_difference.h"

namespace tintara {

namespace {

uint8_t EightBit(double value) { return uint8_t(std::clamp(std::lround(value), 0L, 255L)); }

double DeltaE(const std::array<uint8_t, 3>& first, const std::array<uint8_t, 3>& second) {
  const uint8_t a[3] = {first[0], first[1], first[2]};
  const uint8_t b[3] = {second[0], second[1], second[2]};
  return DeltaE2000(a, b);
}

}  // namespace

std::array<uint8_t, 3> ExposureMatched(const std::array<uint8_t, 3>& mean, const FitExposure& exposure) {
  // Sampled means are 8-bit, so the fit read them on the 8-bit scale.
  constexpr double kSampleScale = FullScaleOf(255);
  const double in[3] = {mean[0] / kSampleScale, mean[1] / kSampleScale, mean[2] / kSampleScale};
  double out[3] = {0.0, 0.0, 0.0};
  // The very evaluation the fit made of its samples, so the colour is the one the main fit saw.
  static const EngineContext unused;
  make_transform(ExposureTransform(exposure), &in[0], &in[1], &in[2], &out[0], &out[1], &out[2], 1,
                 kCoefficientCountExpected, unused);
  return {EightBit(255.0 * out[0]), EightBit(255.0 * out[1]), EightBit(255.0 * out[2])};
}

ProfileQualityReport MeasureProfileQuality(const CardLayout& layout, const ReferenceSet& workingReference,
                                           const ColorTransform& transform, const FitExposure& exposure) {
  ProfileQualityReport report;
  report.exposure = exposure;
  const size_t count = std::min(layout.areas.size(), workingReference.entries.size());
  // The reference set's scale is read off its largest value, as the fit reads it.
  int largest = 0;
  for (size_t i = 0; i < count; ++i) {
    const ReferenceEntry& e = workingReference.entries[i];
    largest = std::max({largest, int(e.R), int(e.G), int(e.B)});
  }
  const double toEightBit = 255.0 / FullScaleOf(largest);

  int used = 0;
  for (size_t i = 0; i < count; ++i) {
    const ColorArea& area = layout.areas[i];
    const ReferenceEntry& e = workingReference.entries[i];
    AreaQuality q;
    q.index = area.index;
    q.measured = area.mean;
    q.reference = {EightBit(e.R * toEightBit), EightBit(e.G * toEightBit), EightBit(e.B * toEightBit)};
    ApplyProfile(q.measured.data(), 1, 1, q.corrected.data(), 3, false, transform);
    q.matched = ExposureMatched(q.measured, exposure);
    ApplyProfile(q.matched.data(), 1, 1, q.correctedMatched.data(), 3, false, transform);
    q.deBefore = DeltaE(q.measured, q.reference);
    q.deAfter = DeltaE(q.corrected, q.reference);
    q.deMatched = DeltaE(q.correctedMatched, q.reference);
    q.inFit = e.W > 0;
    if (q.inFit) {
      ++used;
      report.meanBefore += q.deBefore;
      report.meanAfter += q.deAfter;
      report.meanMatched += q.deMatched;
      report.maxBefore = std::max(report.maxBefore, q.deBefore);
      report.maxAfter = std::max(report.maxAfter, q.deAfter);
      report.maxMatched = std::max(report.maxMatched, q.deMatched);
    }
    report.areas.push_back(q);
  }
  if (used > 0) {
    report.meanBefore /= used;
    report.meanAfter /= used;
    report.meanMatched /= used;
  }
  const auto worstBy = [&report](double AreaQuality::*difference) {
    std::vector<const AreaQuality*> ranked;
    for (const AreaQuality& q : report.areas) {
      if (q.inFit) ranked.push_back(&q);
    }
    std::stable_sort(ranked.begin(), ranked.end(),
                     [difference](const AreaQuality* a, const AreaQuality* b) { return a->*difference > b->*difference; });
    std::vector<int> worst;
    for (size_t i = 0; i < ranked.size() && i < 5; ++i) worst.push_back(ranked[i]->index);
    return worst;
  };
  report.worst = worstBy(&AreaQuality::deAfter);
  report.worstMatched = worstBy(&AreaQuality::deMatched);
  return report;
}

}  // namespace tintara
