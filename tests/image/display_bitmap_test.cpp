#include "image/display_bitmap.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "base/result_codes.h"
#include "engine/apply_profile.h"
#include "support/test_images.h"

namespace tintara {
namespace {

// Every pixel of the bitmap as the bytes 0..2 of each word, and whether every fourth byte is 0xFF.
std::vector<uint8_t> BgrBytes(const DisplayBitmap& bitmap, bool& opaque) {
  std::vector<uint8_t> bytes;
  opaque = true;
  const int64_t count = static_cast<int64_t>(bitmap.width()) * bitmap.height();
  for (int64_t i = 0; i < count; ++i) {
    const uint8_t* p = bitmap.bits() + 4 * i;
    bytes.insert(bytes.end(), p, p + 3);
    opaque = opaque && p[3] == 0xFF;
  }
  return bytes;
}

// Sizes below and above the point where the fill is split among threads and the one where it
// writes past the caches, with odd widths (rows start at every placement within 16 bytes), and a
// height that leaves a short last band of rows.
TEST(DisplayBitmap, HoldsTheImageInBlueGreenRedOrder) {
  for (const auto& [w, h] : {std::pair{1, 1}, std::pair{37, 5}, std::pair{701, 397}, std::pair{2003, 1201}}) {
    ImageBuffer image;
    test::FillPattern(image, w, h, 5);
    DisplayBitmap bitmap;
    ASSERT_EQ(FillDisplayBitmap(bitmap, image, nullptr), kOk);
    ASSERT_EQ(bitmap.width(), w);
    ASSERT_EQ(bitmap.height(), h);
    EXPECT_EQ(bitmap.stride(), int64_t{w} * 4);
    std::vector<uint8_t> expected = test::PixelBytes(image);
    for (size_t i = 0; i < expected.size(); i += 3) std::swap(expected[i], expected[i + 2]);
    bool opaque = false;
    EXPECT_EQ(BgrBytes(bitmap, opaque), expected) << w << " x " << h;
    EXPECT_TRUE(opaque);
  }
}

TEST(DisplayBitmap, PreviewEqualsTheProfilesConversion) {
  std::mt19937 random(11);
  std::uniform_real_distribution<double> curve(0.0, 1.0), coefficient(-0.4, 1.4);
  ColorTransform transform;
  for (auto& channel : transform.baseCurves)
    for (double& v : channel) v = curve(random);
  for (auto& row : transform.matrix)
    for (double& v : row) v = coefficient(random);

  for (const auto& [w, h] : {std::pair{1003, 333}, std::pair{2003, 1201}}) {
    ImageBuffer image;
    test::FillPattern(image, w, h, 9);
    std::vector<uint8_t> expected(static_cast<size_t>(w) * h * 3);
    ApplyProfile(image.pixels(), w, h, expected.data(), int64_t{w} * 3, true, transform);

    DisplayBitmap bitmap;
    ASSERT_EQ(FillDisplayBitmap(bitmap, image, &transform), kOk);
    bool opaque = false;
    EXPECT_EQ(BgrBytes(bitmap, opaque), expected) << w << " x " << h;
    EXPECT_TRUE(opaque);
  }
}

TEST(DisplayBitmap, KeepsItsBlockForTheSameSizeAndReportsRefusals) {
  ImageBuffer image;
  test::FillPattern(image, 40, 30);
  DisplayBitmap bitmap;
  ASSERT_EQ(FillDisplayBitmap(bitmap, image, nullptr), kOk);
  const uint8_t* block = bitmap.bits();
  {
    // Refilling at the same size needs no memory at all.
    PageAllocationFailureForTesting noMemory(0);
    EXPECT_EQ(FillDisplayBitmap(bitmap, image, nullptr), kOk);
    EXPECT_EQ(bitmap.bits(), block);
  }
  // So does the same image turned: the block is kept with the sizes swapped.
  ImageBuffer turned;
  test::FillPattern(turned, 30, 40);
  {
    PageAllocationFailureForTesting noMemory(0);
    EXPECT_EQ(FillDisplayBitmap(bitmap, turned, nullptr), kOk);
    EXPECT_EQ(bitmap.bits(), block);
    EXPECT_EQ(bitmap.width(), 30);
    bool opaque = false;
    std::vector<uint8_t> expected = test::PixelBytes(turned);
    for (size_t i = 0; i < expected.size(); i += 3) std::swap(expected[i], expected[i + 2]);
    EXPECT_EQ(BgrBytes(bitmap, opaque), expected);
  }
  // A new size needs a new block, and without it the bitmap is left empty rather than short.
  ImageBuffer other;
  test::FillPattern(other, 31, 40);
  {
    PageAllocationFailureForTesting noMemory(0);
    EXPECT_EQ(FillDisplayBitmap(bitmap, other, nullptr), kOutOfMemory);
    EXPECT_TRUE(bitmap.empty());
    EXPECT_EQ(bitmap.width(), 0);
  }
  EXPECT_EQ(FillDisplayBitmap(bitmap, ImageBuffer(), nullptr), kOutOfMemory);
}

}  // namespace
}  // namespace tintara
