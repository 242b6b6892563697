#include "engine/apply_profile.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "support/test_profiles.h"

namespace tintara {
namespace {

using test::IdentityTransform;

// The conversion written out pixel by pixel, the plain way, for comparison.
void Reference(const uint8_t* src, int w, int h, uint8_t* dst, int64_t stride, bool swap, const ColorTransform& t) {
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const uint8_t* in = src + (int64_t(y) * w + x) * 3;
      const double a = 255.0 * t.baseCurves[0][in[0]];
      const double b = 255.0 * t.baseCurves[1][in[1]];
      const double c = 255.0 * t.baseCurves[2][in[2]];
      int v[3];
      for (int r = 0; r < 3; ++r) {
        v[r] = int(t.matrix[r][0] * a + t.matrix[r][1] * b + t.matrix[r][2] * c + 0.5);
        if (v[r] < 0 || v[r] > 255) v[r] = v[r] < 0 ? 0 : 255;
      }
      uint8_t* out = dst + int64_t(y) * stride + x * 3;
      out[0] = uint8_t(swap ? v[2] : v[0]);
      out[1] = uint8_t(v[1]);
      out[2] = uint8_t(swap ? v[0] : v[2]);
    }
  }
}

std::vector<uint8_t> RandomPixels(int count, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> pixels(size_t(count) * 3);
  for (auto& p : pixels) p = uint8_t(random());
  return pixels;
}

TEST(ApplyProfile, IdentityLeavesEveryCodeUnchanged) {
  std::vector<uint8_t> src(256 * 3);
  for (int j = 0; j < 256; ++j) src[j * 3] = src[j * 3 + 1] = src[j * 3 + 2] = uint8_t(j);
  const std::vector<uint8_t> mixed = RandomPixels(4096, 1);
  std::vector<uint8_t> out(src.size());
  ApplyProfile(src.data(), 256, 1, out.data(), 256 * 3, false, IdentityTransform());
  EXPECT_EQ(out, src);
  std::vector<uint8_t> outMixed(mixed.size());
  ApplyProfile(mixed.data(), 64, 64, outMixed.data(), 64 * 3, false, IdentityTransform());
  EXPECT_EQ(outMixed, mixed);
}

// Curves a little beyond 0..1 and matrix entries of either sign, so results also fall outside 0..255.
ColorTransform RandomTransform(std::mt19937& random) {
  std::uniform_real_distribution<double> curve(-0.05, 1.05);
  std::uniform_real_distribution<double> entry(-0.6, 1.6);
  ColorTransform t;
  for (int ch = 0; ch < 3; ++ch) {
    for (int j = 0; j < 256; ++j) t.baseCurves[ch][j] = curve(random);
    for (int k = 0; k < 3; ++k) t.matrix[ch][k] = entry(random);
  }
  return t;
}

// Large enough to be split across threads, with an odd height so the bands are uneven.
constexpr int kBandedWidth = 613, kBandedHeight = 517;

TEST(ApplyProfile, MatchesThePlainFormulaByteForByte) {
  std::mt19937 random(7);
  for (int trial = 0; trial < 3; ++trial) {
    const ColorTransform t = RandomTransform(random);
    const int w = kBandedWidth, h = kBandedHeight;
    const std::vector<uint8_t> src = RandomPixels(w * h, 100 + trial);
    for (bool swap : {false, true}) {
      std::vector<uint8_t> expected(size_t(w) * h * 3), actual(expected.size());
      Reference(src.data(), w, h, expected.data(), w * 3, swap, t);
      ApplyProfile(src.data(), w, h, actual.data(), w * 3, swap, t);
      ASSERT_EQ(actual, expected) << "trial " << trial << " swap " << swap;
    }
  }
}

TEST(ApplyProfile, InPlaceOnABandedImageEqualsAConversionIntoAnotherBuffer) {
  std::mt19937 random(11);
  const ColorTransform t = RandomTransform(random);
  const int w = kBandedWidth, h = kBandedHeight;
  const std::vector<uint8_t> src = RandomPixels(w * h, 12);
  for (bool swap : {false, true}) {
    std::vector<uint8_t> separate(src.size()), inPlace = src;
    ApplyProfile(src.data(), w, h, separate.data(), w * 3, swap, t);
    ApplyProfile(inPlace.data(), w, h, inPlace.data(), w * 3, swap, t);
    ASSERT_EQ(inPlace, separate) << "swap " << swap;
  }
}

TEST(ApplyProfile, ClampsOutOfRangeResults) {
  ColorTransform t = IdentityTransform();
  const uint8_t one[3] = {1, 1, 1};
  uint8_t out[3];
  t.matrix[0][0] = -0.8;  // -0.8 + 0.5 = -0.3: cut to 0
  t.matrix[1][1] = -2.0;  // -2 + 0.5 = -1.5: negative, so 0
  t.matrix[2][2] = 255.1;  // 255.6: above 255, so 255
  ApplyProfile(one, 1, 1, out, 3, false, t);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 0);
  EXPECT_EQ(out[2], 255);
  t.matrix[2][2] = 1e300;  // far beyond any integer
  ApplyProfile(one, 1, 1, out, 3, false, t);
  EXPECT_EQ(out[2], 255);
}

TEST(ApplyProfile, SwapStrideAndEmptyImages) {
  const uint8_t src[2 * 2 * 3] = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
  std::vector<uint8_t> out(2 * 8, 0xAA);  // rows of 8 bytes: 6 of pixels, 2 of padding
  ApplyProfile(src, 2, 2, out.data(), 8, true, IdentityTransform());
  const std::vector<uint8_t> expected = {30, 20, 10, 60, 50, 40, 0xAA, 0xAA, 90, 80, 70, 120, 110, 100, 0xAA, 0xAA};
  EXPECT_EQ(out, expected);

  std::vector<uint8_t> untouched(12, 0x55);
  ApplyProfile(src, 0, 2, untouched.data(), 6, false, IdentityTransform());
  ApplyProfile(src, 2, 0, untouched.data(), 6, false, IdentityTransform());
  EXPECT_EQ(untouched, std::vector<uint8_t>(12, 0x55));
}

}  // namespace
}  // namespace tintara
