#include "card/profile_quality.h"

#include <algorithm>
#include <cmath>

#include "engine/apply_profile.h"
#include "engine/colour_difference.h"
#include "engine/transform_fit.h"

namespace tintara {

ProfileQualityReport MeasureProfileQuality(const CardLayout& layout, const ReferenceSet& workingReference,
                                           const ColorTransform& transform) {
  ProfileQualityReport report;
  const size_t count = std::min(layout.areas.size(), workingReference.entries.size());
  // The reference set's scale is read off its largest value, as the fit reads it.
  int largest = 0;
  for (size_t i = 0; i < count; ++i) {
    const ReferenceEntry& e = workingReference.entries[i];
    largest = std::max({largest, int(e.R), int(e.G), int(e.B)});
  }
  const double toEightBit = 255.0 / FullScaleOf(largest);
  auto eightBit = [&](uint16_t v) { return uint8_t(std::clamp(std::lround(v * toEightBit), 0L, 255L)); };

  int used = 0;
  for (size_t i = 0; i < count; ++i) {
    const ColorArea& area = layout.areas[i];
    const ReferenceEntry& e = workingReference.entries[i];
    AreaQuality q;
    q.index = area.index;
    q.measured = area.mean;
    q.reference = {eightBit(e.R), eightBit(e.G), eightBit(e.B)};
    ApplyProfile(q.measured.data(), 1, 1, q.corrected.data(), 3, false, transform);
    const uint8_t m[3] = {q.measured[0], q.measured[1], q.measured[2]};
    const uint8_t r[3] = {q.reference[0], q.reference[1], q.reference[2]};
    const uint8_t c[3] = {q.corrected[0], q.corrected[1], q.corrected[2]};
    q.deBefore = DeltaE2000(m, r);
    q.deAfter = DeltaE2000(c, r);
    q.inFit = e.W > 0;
    if (q.inFit) {
      ++used;
      report.meanBefore += q.deBefore;
      report.meanAfter += q.deAfter;
      report.maxBefore = std::max(report.maxBefore, q.deBefore);
      report.maxAfter = std::max(report.maxAfter, q.deAfter);
    }
    report.areas.push_back(q);
  }
  if (used > 0) {
    report.meanBefore /= used;
    report.meanAfter /= used;
  }
  std::vector<const AreaQuality*> ranked;
  for (const AreaQuality& q : report.areas) {
    if (q.inFit) ranked.push_back(&q);
  }
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const AreaQuality* a, const AreaQuality* b) { return a->deAfter > b->deAfter; });
  for (size_t i = 0; i < ranked.size() && i < 5; ++i) report.worst.push_back(ranked[i]->index);
  return report;
}

}  // namespace tintara
