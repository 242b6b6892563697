#include "card/profile_quality.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "engine/apply_profile.h"
#include "engine/colour_difference.h"
#include "support/test_profiles.h"

namespace tintara {
namespace {

using Rgb = std::array<uint8_t, 3>;

// A layout of `model` whose areas measured `means`, as sampling leaves it.
std::unique_ptr<CardLayout> Measured(CardModel model, const std::vector<Rgb>& means) {
  std::unique_ptr<CardLayout> layout = MakeCardLayout(model);
  for (size_t i = 0; i < means.size(); ++i) {
    ColorArea area;
    area.index = int(i);
    area.mean = means[i];
    layout->AddArea(area);
  }
  return layout;
}

double DeltaE(const Rgb& a, const Rgb& b) {
  const uint8_t x[3] = {a[0], a[1], a[2]};
  const uint8_t y[3] = {b[0], b[1], b[2]};
  return DeltaE2000(x, y);
}

TEST(ProfileQuality, ReferencesAreShownOnTheEightBitScaleTheFitReadThemOn) {
  const std::unique_ptr<CardLayout> layout = Measured(CardModel::K3, {{240, 240, 240}, {128, 128, 128}, {20, 20, 20}});
  ReferenceSet set{"test", {{255, 128, 7, 100}, {128, 128, 128, 100}, {1, 2, 3, 100}}};
  ProfileQualityReport r = MeasureProfileQuality(*layout, set, test::IdentityTransform());
  EXPECT_EQ(r.areas[0].reference, (Rgb{255, 128, 7}));
  EXPECT_EQ(r.areas[2].reference, (Rgb{1, 2, 3}));

  // One value above 255 puts the whole set on the 16-bit scale.
  set.entries[0].R = 256;
  r = MeasureProfileQuality(*layout, set, test::IdentityTransform());
  EXPECT_EQ(r.areas[0].reference, (Rgb{1, 0, 0}));
  EXPECT_EQ(r.areas[1].reference, (Rgb{0, 0, 0}));

  // A 16-bit set: 257 per 8-bit level, rounded to the nearest level.
  set.entries = {{65535, 32896, 32767, 100}, {25700, 25828, 25829, 100}, {0, 128, 129, 100}};
  r = MeasureProfileQuality(*layout, set, test::IdentityTransform());
  EXPECT_EQ(r.areas[0].reference, (Rgb{255, 128, 127}));
  EXPECT_EQ(r.areas[1].reference, (Rgb{100, 100, 101}));

  // Entries past the card's areas neither appear nor take part in the scale.
  set.entries = {{200, 200, 200, 100}, {100, 100, 100, 100}, {50, 50, 50, 100}, {60000, 0, 0, 100}};
  r = MeasureProfileQuality(*layout, set, test::IdentityTransform());
  ASSERT_EQ(r.areas.size(), 3u);
  EXPECT_EQ(r.areas[0].reference, (Rgb{200, 200, 200}));
}

TEST(ProfileQuality, MatchedColourIsTheFitsExposureRoundedAndClampedThenConverted) {
  // Without an exposure every code comes back as it was.
  for (int v = 0; v < 256; ++v) {
    const Rgb mean{uint8_t(v), uint8_t(v), uint8_t(v)};
    ASSERT_EQ(ExposureMatched(mean, {}), mean) << v;
  }
  // Halves round away from zero: 5 / 2 = 2.5 and 201 / 2 = 100.5.
  EXPECT_EQ(ExposureMatched({5, 201, 4}, {0.0, 0.5}), (Rgb{3, 101, 2}));
  // The offset is on the 0..1 scale; results beyond it are clamped, not wrapped.
  EXPECT_EQ(ExposureMatched({100, 200, 10}, {0.2, 1.5}), (Rgb{201, 255, 66}));
  EXPECT_EQ(ExposureMatched({100, 200, 10}, {-0.4, 1.0}), (Rgb{0, 98, 0}));

  // The matched colour goes through the profile as any pixel would; exposure first, then profile,
  // which differ for a bent curve: 100 doubled to 200, then squared, is 157; squared, then doubled, 78.
  ColorTransform squared = test::IdentityTransform();
  for (int ch = 0; ch < 3; ++ch) {
    for (int j = 0; j < 256; ++j) squared.baseCurves[ch][j] = (j / 255.0) * (j / 255.0);
  }
  const std::unique_ptr<CardLayout> layout = Measured(CardModel::K3, {{100, 100, 100}, {128, 64, 32}, {0, 0, 0}});
  const ReferenceSet set{"test", {{157, 157, 157, 100}, {100, 100, 100, 100}, {0, 0, 0, 100}}};
  const FitExposure doubled{0.0, 2.0};
  const ProfileQualityReport r = MeasureProfileQuality(*layout, set, squared, doubled);
  EXPECT_EQ(r.exposure.gain, 2.0);
  const AreaQuality& q = r.areas[0];
  EXPECT_EQ(q.matched, (Rgb{200, 200, 200}));
  EXPECT_EQ(q.correctedMatched, (Rgb{157, 157, 157}));
  EXPECT_EQ(q.corrected, (Rgb{39, 39, 39}));
  EXPECT_EQ(q.deMatched, 0.0);
  EXPECT_GT(q.deAfter, 20.0);
  Rgb converted{};
  ApplyProfile(r.areas[1].matched.data(), 1, 1, converted.data(), 3, false, squared);
  EXPECT_EQ(r.areas[1].correctedMatched, converted);
  EXPECT_DOUBLE_EQ(r.areas[1].deMatched, DeltaE(converted, r.areas[1].reference));
  // Ranked by the matched difference, area 0 (exact once its exposure is matched) comes after area
  // 1; equal differences keep the area order.
  ASSERT_GT(r.areas[1].deMatched, 0.0);
  EXPECT_EQ(r.worstMatched, (std::vector<int>{1, 0, 2}));
}

TEST(ProfileQuality, SummariesCoverOnlyTheAreasInTheFit) {
  // Areas 0..4 measured exactly their reference; 5 and 6 are off by known amounts; 7..9 are far off
  // but were left out of the fit (weight 0), so they must change no summary.
  std::vector<Rgb> means(10, Rgb{120, 120, 120});
  ReferenceSet set{"test", std::vector<ReferenceEntry>(10, {120, 120, 120, 100})};
  means[5] = {130, 120, 120};
  means[6] = {120, 120, 100};
  for (int i = 7; i < 10; ++i) {
    means[i] = {255, 0, 0};
    set.entries[i].W = 0;
  }
  const std::unique_ptr<CardLayout> layout = Measured(CardModel::K7, means);
  const double d5 = DeltaE(means[5], {120, 120, 120});
  const double d6 = DeltaE(means[6], {120, 120, 120});
  ASSERT_GT(d6, d5);

  ProfileQualityReport r = MeasureProfileQuality(*layout, set, test::IdentityTransform());
  ASSERT_EQ(r.areas.size(), 10u);
  EXPECT_FALSE(r.areas[8].inFit);
  EXPECT_GT(r.areas[8].deAfter, 30.0);  // reported, just not summarised
  EXPECT_DOUBLE_EQ(r.meanBefore, (d5 + d6) / 7);
  EXPECT_DOUBLE_EQ(r.meanAfter, (d5 + d6) / 7);
  EXPECT_DOUBLE_EQ(r.meanMatched, (d5 + d6) / 7);  // neutral exposure: matched equals plain
  EXPECT_DOUBLE_EQ(r.maxAfter, d6);
  EXPECT_DOUBLE_EQ(r.maxMatched, d6);
  // The worst five after the profile, largest first; equal differences keep the area order.
  EXPECT_EQ(r.worst, (std::vector<int>{6, 5, 0, 1, 2}));
  EXPECT_EQ(r.worstMatched, r.worst);

  // Nothing in the fit: no summary at all rather than a division by zero.
  for (ReferenceEntry& e : set.entries) e.W = 0;
  r = MeasureProfileQuality(*layout, set, test::IdentityTransform());
  EXPECT_EQ(r.meanBefore, 0.0);
  EXPECT_EQ(r.meanMatched, 0.0);
  EXPECT_EQ(r.maxMatched, 0.0);
  EXPECT_TRUE(r.worst.empty());
  EXPECT_TRUE(r.worstMatched.empty());
}

}  // namespace
}  // namespace tintara
