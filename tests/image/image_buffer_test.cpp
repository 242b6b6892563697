#include "image/image_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "base/result_codes.h"
#include "image/quarter_turn.h"
#include "support/test_images.h"

namespace tintara {
namespace {

using test::FillPattern;
using test::PixelBytes;
using test::UnconvertedBytes;

// The pixels turned clockwise by the turn the buffer is built on (its own tests are beside it).
std::vector<uint8_t> TurnedClockwise(const std::vector<uint8_t>& source, int width, int height) {
  std::vector<uint8_t> out(source.size());
  TurnQuarter(source.data(), out.data(), width, height, true);
  return out;
}

TEST(ImageBufferAllocate, GivesZeroedPackedBlock) {
  ImageBuffer image;
  ASSERT_EQ(image.Allocate(1, 1), kOk);
  EXPECT_EQ(image.byteSize(), 3u);
  EXPECT_EQ(image.stride(), 3);
  EXPECT_EQ(PixelBytes(image), std::vector<uint8_t>(3, 0));

  ASSERT_EQ(image.Allocate(5, 7), kOk);
  EXPECT_EQ(image.byteSize(), 105u);
  EXPECT_EQ(image.width(), 5);
  EXPECT_EQ(image.height(), 7);
  EXPECT_EQ(image.stride(), 15);
  EXPECT_EQ(image.unconvertedPixels(), nullptr);
}

TEST(ImageBufferAllocate, RefusesEmptyAndNegativeSizesWithSix) {
  const int32_t cases[][2] = {{0, 100}, {100, 0}, {0, 0}, {-1, 5}, {5, -1}, {-2, -3}};
  for (const auto& c : cases) {
    ImageBuffer image;
    EXPECT_EQ(image.Allocate(c[0], c[1]), kIllegalImageSize) << c[0] << " x " << c[1];
    EXPECT_EQ(image.pixels(), nullptr);
    EXPECT_EQ(image.byteSize(), 0u);
    EXPECT_TRUE(image.empty());
  }
}

TEST(ImageBufferAllocate, RefusesByteCountsThatDoNotFitWithSeven) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  // 65536 x 65536 x 3 is 0 in 32-bit arithmetic; 37838 x 37838 x 3 wraps to a small positive count.
  const int32_t cases[][2] = {{65536, 65536}, {37838, 37838}, {kMax, kMax}, {kMax, 1}, {715827883, 1}};
  for (const auto& c : cases) {
    ImageBuffer image;
    EXPECT_EQ(image.Allocate(c[0], c[1]), kImageTooLarge) << c[0] << " x " << c[1];
    EXPECT_EQ(image.pixels(), nullptr);
    EXPECT_EQ(image.byteSize(), 0u);
  }
}

TEST(ImageBufferAllocate, ReplacesEverythingHeldBefore) {
  ImageBuffer image;
  FillPattern(image, 4, 4);
  ASSERT_EQ(image.KeepUnconverted(), kOk);
  image.MarkConverted("p", "d");
  ASSERT_EQ(image.Allocate(2, 2), kOk);
  EXPECT_EQ(image.byteSize(), 12u);
  EXPECT_EQ(image.unconvertedPixels(), nullptr);  // an old copy of another size would be overrun
  EXPECT_FALSE(image.converted());
  image.RestoreUnconverted();  // no copy: nothing happens
  EXPECT_EQ(PixelBytes(image), std::vector<uint8_t>(12, 0));
}

TEST(ImageBufferUnconverted, KeepAndRestore) {
  ImageBuffer image;
  FillPattern(image, 3, 2);
  const std::vector<uint8_t> original = PixelBytes(image);
  ASSERT_EQ(image.KeepUnconverted(), kOk);
  EXPECT_EQ(UnconvertedBytes(image), original);

  std::memset(image.pixels(), 7, image.byteSize());
  image.MarkConverted("Studio", "north window");
  EXPECT_TRUE(image.converted());
  image.RestoreUnconverted();
  EXPECT_EQ(PixelBytes(image), original);
  EXPECT_FALSE(image.converted());
  EXPECT_EQ(image.conversionProfileName(), "Studio");
  EXPECT_EQ(image.conversionProfileDescription(), "north window");

  image.Release();
  EXPECT_TRUE(image.empty());
  EXPECT_EQ(image.unconvertedPixels(), nullptr);
  EXPECT_EQ(image.width(), 0);
  EXPECT_EQ(image.conversionProfileName(), "");
}

TEST(ImageBufferRotate, UnconvertedCopyTurnsAlong) {
  ImageBuffer image;
  FillPattern(image, 5, 3);
  const std::vector<uint8_t> original = PixelBytes(image);
  ASSERT_EQ(image.KeepUnconverted(), kOk);
  for (uint32_t i = 0; i < image.byteSize(); ++i) image.pixels()[i] = static_cast<uint8_t>(255 - image.pixels()[i]);
  image.MarkConverted("A", "B");
  const std::vector<uint8_t> convertedBytes = PixelBytes(image);

  ASSERT_EQ(image.RotateClockwise(), kOk);
  EXPECT_EQ(image.width(), 3);
  EXPECT_EQ(image.height(), 5);
  EXPECT_TRUE(image.converted());
  EXPECT_EQ(image.conversionProfileName(), "A");
  EXPECT_EQ(PixelBytes(image), TurnedClockwise(convertedBytes, 5, 3));
  image.RestoreUnconverted();
  EXPECT_EQ(PixelBytes(image), TurnedClockwise(original, 5, 3));
  EXPECT_FALSE(image.converted());
  // Turned back the other way, both blocks are as they were.
  ASSERT_EQ(image.RotateCounterClockwise(), kOk);
  EXPECT_EQ(image.width(), 5);
  EXPECT_EQ(PixelBytes(image), original);
  EXPECT_EQ(UnconvertedBytes(image), original);
}

TEST(ImageBufferMirror, InPlaceWithTheUnconvertedCopyAlong) {
  ImageBuffer image;
  FillPattern(image, 5, 3);  // an odd width: the middle column stays where it is
  const std::vector<uint8_t> original = PixelBytes(image);
  ASSERT_EQ(image.KeepUnconverted(), kOk);
  std::vector<uint8_t> mirrored(original.size());
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) std::memcpy(&mirrored[(y * 5 + 4 - x) * 3], &original[(y * 5 + x) * 3], 3);
  }
  std::vector<uint8_t> flipped(original.size());
  for (int y = 0; y < 3; ++y) std::memcpy(&flipped[(2 - y) * 15], &original[y * 15], 15);

  PageAllocationFailureForTesting noMemory(0);  // neither takes a block
  image.MirrorHorizontally();
  EXPECT_EQ(PixelBytes(image), mirrored);
  EXPECT_EQ(UnconvertedBytes(image), mirrored);
  image.MirrorHorizontally();
  image.FlipVertically();
  EXPECT_EQ(PixelBytes(image), flipped);
  EXPECT_EQ(UnconvertedBytes(image), flipped);
  // A quarter turn needs a block: refused, and the image stays as it was.
  EXPECT_EQ(TurnUpright(image, 6), kImageTooLarge);
  EXPECT_EQ(PixelBytes(image), flipped);
  EXPECT_EQ(image.width(), 5);
}

TEST(ImageBufferOutOfMemory, FailuresReportSevenAndChangeNothing) {
  ImageBuffer image;
  FillPattern(image, 6, 4);
  const std::vector<uint8_t> original = PixelBytes(image);
  {
    PageAllocationFailureForTesting noMemory(0);
    EXPECT_EQ(image.KeepUnconverted(), kImageTooLarge);
    EXPECT_EQ(image.unconvertedPixels(), nullptr);
  }
  ASSERT_EQ(image.KeepUnconverted(), kOk);
  {
    PageAllocationFailureForTesting noMemory(0);
    EXPECT_EQ(image.RotateClockwise(), kImageTooLarge);
    EXPECT_EQ(image.RotateCounterClockwise(), kImageTooLarge);
  }
  EXPECT_EQ(image.width(), 6);
  EXPECT_EQ(image.height(), 4);
  EXPECT_EQ(PixelBytes(image), original);
  EXPECT_EQ(UnconvertedBytes(image), original);

  PageAllocationFailureForTesting noMemory(0);
  ImageBuffer other;
  EXPECT_EQ(other.Allocate(10, 10), kImageTooLarge);
  EXPECT_TRUE(other.empty());
  EXPECT_EQ(other.byteSize(), 0u);
}

TEST(ImageBufferMove, TakesOverBlocks) {
  ImageBuffer image;
  FillPattern(image, 3, 3);
  ASSERT_EQ(image.KeepUnconverted(), kOk);
  const std::vector<uint8_t> original = PixelBytes(image);
  ImageBuffer moved(std::move(image));
  EXPECT_TRUE(image.empty());  // NOLINT(bugprone-use-after-move): a moved-from buffer is empty
  EXPECT_EQ(PixelBytes(moved), original);
  EXPECT_EQ(UnconvertedBytes(moved), original);
  ImageBuffer assigned;
  FillPattern(assigned, 2, 2);
  assigned = std::move(moved);
  EXPECT_EQ(assigned.width(), 3);
  EXPECT_EQ(PixelBytes(assigned), original);
}

}  // namespace
}  // namespace tintara
