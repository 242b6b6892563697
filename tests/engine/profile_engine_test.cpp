#include "engine/profile_engine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/result_codes.h"

namespace tintara {
namespace {

TEST(ProfileEngine, WritesTheSameBytesForTheSameFit) {
  uint16_t samples[90];
  for (int i = 0; i < 30; ++i) {
    samples[i] = uint16_t(20 + 7 * i);
    samples[30 + i] = uint16_t(230 - 6 * i);
    samples[60 + i] = uint16_t(40 + 5 * i);
  }
  ReferenceSet ref{"A reference set whose name is much longer than sixty-three characters, really", {}};
  for (int i = 0; i < 30; ++i) {
    ref.entries.push_back({uint16_t(samples[i] + 5), uint16_t(samples[30 + i] - 3), samples[60 + i], 100});
  }
  EngineContext a;
  EngineContext b;
  ASSERT_EQ(RunProfileEngine(a, samples, 30, ref, {}).code(), kOk);
  ASSERT_EQ(RunProfileEngine(b, samples, 30, ref, {}).code(), kOk);
  EXPECT_EQ(a.profile.bytes, b.profile.bytes);
  EXPECT_EQ(a.profile.descriptionOffset, 304);
  EXPECT_EQ(std::strlen(a.reference.name), 63u);
  EXPECT_EQ(std::string(a.reference.name), ref.name.substr(0, 63));

  // A poor fit still leaves a usable profile; a failed one leaves none, even after a good one.
  ASSERT_EQ(RunProfileEngine(a, samples, 30, ref, {0.4, 0.0, 2.2}).code(), kPoorQuality);
  EXPECT_EQ(a.profile.bytes.size(), 5264u);
  ASSERT_EQ(RunProfileEngine(a, samples, 30, ref, {0.4, 0.5, 1e300}).code(), kFitNotFinite);
  EXPECT_TRUE(a.profile.Empty());
  ASSERT_EQ(RunProfileEngine(a, samples, 30, ref, {}).code(), kOk);
  for (auto& e : ref.entries) e.W = 0;
  ASSERT_EQ(RunProfileEngine(a, samples, 30, ref, {}).code(), kTooFewAreas);
  EXPECT_TRUE(a.profile.Empty());
}

TEST(ProfileEngine, ShortReferenceSetsArePaddedWithUnweightedEntries) {
  uint16_t samples[90] = {};
  samples[0] = 250, samples[1] = 128, samples[2] = 10;
  samples[30] = 250, samples[31] = 128, samples[32] = 10;
  samples[60] = 250, samples[61] = 128, samples[62] = 10;
  const ReferenceSet k3{"K3", {{245, 245, 245, 100}, {120, 120, 120, 100}, {15, 15, 15, 100}}};
  EngineContext ctx;
  // Asked for more areas than the set has, the extra areas carry no weight and change nothing (five
  // areas or more make the same coefficients active, so the fits can be compared).
  ASSERT_EQ(RunProfileEngine(ctx, samples, 5, k3, {}).code(), kOk);
  const TransformCoefficients five = ctx.coefficients;
  ASSERT_EQ(RunProfileEngine(ctx, samples, 30, k3, {}).code(), kOk);
  EXPECT_EQ(ctx.reference.W[3], 0);
  EXPECT_EQ(ctx.reference.W[29], 0);
  EXPECT_EQ(ctx.coefficients, five);
}

}  // namespace
}  // namespace tintara
