#include "engine/apply_profile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <random>
#include <string>
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

// Where two conversions of the same pixels first differ, or "" when they agree.
std::string FirstDifference(const std::vector<uint8_t>& src, const std::vector<uint8_t>& actual,
                            const std::vector<uint8_t>& expected, int bytesPerPixel) {
  if (actual == expected) return "";
  for (size_t i = 0; i < actual.size(); ++i) {
    if (actual[i] == expected[i]) continue;
    const size_t pixel = i / bytesPerPixel;
    return "colour " + std::to_string(src[pixel * 3]) + "," + std::to_string(src[pixel * 3 + 1]) + "," +
           std::to_string(src[pixel * 3 + 2]) + " byte " + std::to_string(i % bytesPerPixel) + ": " +
           std::to_string(actual[i]) + " instead of " + std::to_string(expected[i]);
  }
  return "";
}

#ifdef NDEBUG
constexpr uint32_t kPiecesChecked = 16;  // every colour
#else
// Unoptimised builds (the sanitizer run) are some twenty times slower and check one piece in
// sixteen, which still takes every code of every channel through the converter.
constexpr uint32_t kPiecesChecked = 1;
#endif

// Every one of the 2^24 colours through ApplyProfile (both byte orders) and into screen words, against
// the plain formula. The colours go in 16 pieces of 4096 x 256, large enough to be split among
// threads; rows of 4096 leave no short run at a row's end, so every pixel takes the converter's main
// path. Piece p holds the colours whose blue code is p + red + green modulo 16. Processors with the
// eight-pixel path are checked on it and on the four-pixel one.
void ExpectEveryColourOnePath(const ColorTransform& t) {
  constexpr int kW = 4096, kH = 256;
  std::vector<uint8_t> src(size_t(kW) * kH * 3), expected(src.size()), actual(src.size());
  std::vector<uint8_t> words(size_t(kW) * kH * 4), expectedWords(words.size());
  for (uint32_t piece = 0; piece < kPiecesChecked; ++piece) {
    for (uint32_t i = 0; i < uint32_t(kW * kH); ++i) {
      const uint32_t red = i >> 12, green = (i >> 4) & 255;
      src[i * 3] = uint8_t(red);
      src[i * 3 + 1] = uint8_t(green);
      src[i * 3 + 2] = uint8_t((i & 15) << 4 | ((piece + red + green) & 15));
    }
    Reference(src.data(), kW, kH, expected.data(), kW * 3, false, t);
    ApplyProfile(src.data(), kW, kH, actual.data(), kW * 3, false, t);
    ASSERT_EQ(FirstDifference(src, actual, expected, 3), "");
    // Swapping only changes where red and blue go.
    for (size_t p = 0; p < size_t(kW) * kH; ++p) {
      std::swap(expected[p * 3], expected[p * 3 + 2]);
      std::copy_n(&expected[p * 3], 3, &expectedWords[p * 4]);
      expectedWords[p * 4 + 3] = 0xFF;
    }
    ApplyProfile(src.data(), kW, kH, actual.data(), kW * 3, true, t);
    ASSERT_EQ(FirstDifference(src, actual, expected, 3), "") << "swapped";
    ApplyProfileToScreenWords(src.data(), kW, kH, words.data(), kW * 4, t);
    ASSERT_EQ(FirstDifference(src, words, expectedWords, 4), "") << "screen words";
  }
}

void ExpectEveryColourAsTheFormula(const ColorTransform& t) {
  ExpectEveryColourOnePath(t);
  WidePixelsOffForTesting narrow;
  ExpectEveryColourOnePath(t);
}

// A curve value whose product with 255.0 is exactly `target`, so sums land where the test wants them.
double CurveGiving(double target) {
  double b = target / 255.0;
  for (int step = 0; step < 8 && 255.0 * b != target; ++step) {
    b = std::nextafter(b, 255.0 * b < target ? 2.0 : -2.0);
  }
  EXPECT_EQ(255.0 * b, target);
  return b;
}

// Stored profiles keep curves and matrix in 1/65535 steps.
double Quantised(double v) { return std::round(v * 65535.0) / 65535.0; }

TEST(ApplyProfileEveryColour, FittedLikeTransform) {
  // Curves of a camera a little darker in blue, a matrix with negative entries off its diagonal.
  ColorTransform t;
  for (int j = 0; j < 256; ++j) {
    t.baseCurves[0][j] = Quantised(std::pow(j / 255.0, 0.92));
    t.baseCurves[1][j] = Quantised(std::pow(j / 255.0, 1.04));
    t.baseCurves[2][j] = Quantised(std::min(1.0, 1.07 * std::pow(j / 255.0, 0.97)));
  }
  const double matrix[3][3] = {{1.183, -0.121, -0.062}, {-0.047, 1.092, -0.045}, {0.021, -0.154, 1.133}};
  for (int r = 0; r < 3; ++r)
    for (int k = 0; k < 3; ++k) t.matrix[r][k] = Quantised(matrix[r][k]);
  ExpectEveryColourAsTheFormula(t);
}

TEST(ApplyProfileEveryColour, ClampingAtBothEndsWithNegativeEntries) {
  std::mt19937 random(3);
  ExpectEveryColourAsTheFormula(RandomTransform(random));
  // Gains large enough to reach far past both ends of 0..255 within the same colour.
  ColorTransform t;
  for (int j = 0; j < 256; ++j) t.baseCurves[0][j] = t.baseCurves[1][j] = t.baseCurves[2][j] = Quantised(j / 255.0);
  const double matrix[3][3] = {{37.5, -36.25, 0.5}, {-20.0, 0.0, 19.75}, {0.0, 58.0, -57.0}};
  for (int r = 0; r < 3; ++r)
    for (int k = 0; k < 3; ++k) t.matrix[r][k] = matrix[r][k];
  ExpectEveryColourAsTheFormula(t);
}

TEST(ApplyProfileEveryColour, SumsLandingExactlyOnHalves) {
  // 255 x curve is exactly the code, and the matrix entries are halves and quarters, so most sums
  // are whole numbers or halves: the rounding meets its boundary, from both sides, all the time.
  ColorTransform t;
  for (int j = 0; j < 256; ++j) t.baseCurves[0][j] = t.baseCurves[1][j] = t.baseCurves[2][j] = CurveGiving(j);
  const double matrix[3][3] = {{0.5, 0.5, 0.0}, {0.25, -0.25, 1.0}, {-0.5, 1.5, 0.25}};
  for (int r = 0; r < 3; ++r)
    for (int k = 0; k < 3; ++k) t.matrix[r][k] = matrix[r][k];
  ExpectEveryColourAsTheFormula(t);
  // The same with green a hair (2^-40) higher and blue a hair lower, so every row's sums sit just
  // beside the boundary, on one side or the other.
  ColorTransform near = t;
  for (int j = 0; j < 256; ++j) {
    near.baseCurves[1][j] += std::ldexp(1.0, -40);
    near.baseCurves[2][j] -= std::ldexp(1.0, -40);
  }
  ExpectEveryColourAsTheFormula(near);
}

TEST(ApplyProfile, TransformsBeyondTheIntegerRangeStillFollowTheFormula) {
  // Gains whose products could add up past what the fast integers hold, and a curve that is not a
  // number, take the formula throughout.
  std::mt19937 random(5);
  ColorTransform big = RandomTransform(random);
  big.matrix[0][0] = 300.0;
  big.matrix[1][2] = -400.0;
  ColorTransform nan = RandomTransform(random);
  nan.baseCurves[1][17] = std::nan("");
  const int w = 256, h = 64;
  const std::vector<uint8_t> src = RandomPixels(w * h, 6);
  std::vector<uint8_t> expected(src.size()), actual(src.size());
  Reference(src.data(), w, h, expected.data(), w * 3, false, big);
  ApplyProfile(src.data(), w, h, actual.data(), w * 3, false, big);
  EXPECT_EQ(FirstDifference(src, actual, expected, 3), "");
  // Green is not a number wherever the green input is 17: the formula makes that 0.
  std::vector<uint8_t> px = {10, 17, 30, 10, 18, 30, 0, 0, 0, 0, 0, 0};
  std::vector<uint8_t> out(px.size());
  ApplyProfile(px.data(), 4, 1, out.data(), 12, false, nan);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(out[c], 0) << c;
  std::vector<uint8_t> rest(px.begin() + 3, px.end()), restExpected(rest.size());
  Reference(rest.data(), 3, 1, restExpected.data(), 9, false, nan);
  EXPECT_EQ(std::vector<uint8_t>(out.begin() + 3, out.end()), restExpected);
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

  // Screen words: a row of five pixels is one group of four and one pixel on its own; the four bytes
  // of padding after each row stay as they were.
  const uint8_t five[2 * 5 * 3] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15,
                                   16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30};
  std::vector<uint8_t> words(2 * 24, 0xAA);
  ApplyProfileToScreenWords(five, 5, 2, words.data(), 24, IdentityTransform());
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 5; ++x) {
      const uint8_t* in = five + (y * 5 + x) * 3;
      const uint8_t* w = words.data() + y * 24 + x * 4;
      EXPECT_EQ(std::vector<uint8_t>(w, w + 4), (std::vector<uint8_t>{in[2], in[1], in[0], 0xFF})) << x << "," << y;
    }
    EXPECT_EQ(std::vector<uint8_t>(words.begin() + y * 24 + 20, words.begin() + y * 24 + 24),
              std::vector<uint8_t>(4, 0xAA));
  }

  std::vector<uint8_t> untouched(12, 0x55);
  ApplyProfile(src, 0, 2, untouched.data(), 6, false, IdentityTransform());
  ApplyProfile(src, 2, 0, untouched.data(), 6, false, IdentityTransform());
  ApplyProfileToScreenWords(src, 0, 2, untouched.data(), 8, IdentityTransform());
  EXPECT_EQ(untouched, std::vector<uint8_t>(12, 0x55));
}

TEST(ApplyProfile, LargeScreenBitmapsOfAnyWidthAndPlacement) {
  // Bitmaps large enough to be written past the caches, with rows that start at every placement
  // within 16 bytes (an odd width, and a bitmap starting 4 bytes into its block), and padding after
  // each row that must stay as it was.
  std::mt19937 random(11);
  const ColorTransform t = RandomTransform(random);
  constexpr int kW = 1027, kH = 1100, kStride = kW * 4 + 8;
  std::vector<uint8_t> src(size_t(kW) * kH * 3);
  for (uint8_t& v : src) v = uint8_t(random());
  std::vector<uint8_t> expected(size_t(kW) * kH * 3);
  Reference(src.data(), kW, kH, expected.data(), kW * 3, true, t);
  for (const bool narrow : {false, true}) {
    std::optional<WidePixelsOffForTesting> narrowOnly;
    if (narrow) narrowOnly.emplace();
    std::vector<uint8_t> block(size_t(kStride) * kH + 32, 0xAA);
    uint8_t* words = block.data() + (16 - reinterpret_cast<uintptr_t>(block.data()) % 16) + 4;
    ApplyProfileToScreenWords(src.data(), kW, kH, words, kStride, t);
    for (int y = 0; y < kH; ++y) {
      const uint8_t* row = words + size_t(y) * kStride;
      for (int x = 0; x < kW; ++x) {
        const uint8_t* e = &expected[(size_t(y) * kW + x) * 3];
        ASSERT_TRUE(row[x * 4] == e[0] && row[x * 4 + 1] == e[1] && row[x * 4 + 2] == e[2] && row[x * 4 + 3] == 0xFF)
            << x << "," << y;
      }
      ASSERT_EQ(std::vector<uint8_t>(row + kW * 4, row + kStride), std::vector<uint8_t>(8, 0xAA)) << y;
    }
  }
}

}  // namespace
}  // namespace tintara
