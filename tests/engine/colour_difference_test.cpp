#include "engine/colour_difference.h"

#include <gtest/gtest.h>

namespace tintara {
namespace {

TEST(ColourDifference, PublishedCiede2000Pairs) {
  struct Pair {
    Lab first, second;
    double expected;
  };
  // Pairs from the published CIEDE2000 test data, chosen to cross the hue, chroma and lightness
  // special cases (blue region rotation, neutral colours, very dark colours).
  const Pair pairs[] = {
      {{50.0, 2.6772, -79.7751}, {50.0, 0.0, -82.7485}, 2.0425},
      {{50.0, 3.1571, -77.2803}, {50.0, 0.0, -82.7485}, 2.8615},
      {{50.0, 2.8361, -74.0200}, {50.0, 0.0, -82.7485}, 3.4412},
      {{50.0, 0.0, 0.0}, {50.0, -1.0, 2.0}, 2.3669},
      {{50.0, 2.5, 0.0}, {73.0, 25.0, -18.0}, 27.1492},
      {{60.2574, -34.0099, 36.2677}, {60.4626, -34.1751, 39.4387}, 1.2644},
      {{2.0776, 0.0795, -1.1350}, {0.9033, -0.0636, -0.5514}, 0.9082},
  };
  for (const Pair& p : pairs) {
    EXPECT_NEAR(DeltaE2000(p.first, p.second), p.expected, 5e-5);
    EXPECT_NEAR(DeltaE2000(p.second, p.first), p.expected, 5e-5);  // symmetric
  }
}

TEST(ColourDifference, SrgbToLabAnchors) {
  const Lab white = SrgbToLab(255, 255, 255);
  EXPECT_NEAR(white.L, 100.0, 1e-3);
  EXPECT_NEAR(white.a, 0.0, 1e-2);
  EXPECT_NEAR(white.b, 0.0, 1e-2);
  const Lab black = SrgbToLab(0, 0, 0);
  EXPECT_NEAR(black.L, 0.0, 1e-9);
  const Lab red = SrgbToLab(255, 0, 0);
  EXPECT_NEAR(red.L, 53.24, 0.05);
  EXPECT_NEAR(red.a, 80.09, 0.1);
  EXPECT_NEAR(red.b, 67.20, 0.1);
  const uint8_t grey[3] = {128, 128, 128};
  EXPECT_EQ(DeltaE2000(grey, grey), 0.0);
}

}  // namespace
}  // namespace tintara
