#include "image/image_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "base/result_codes.h"
#include "support/test_images.h"

namespace tintara {
namespace {

using test::FillPattern;
using test::PixelBytes;
using test::UnconvertedBytes;

// The turn written out pixel by pixel, independent of the tiled loop under test.
std::vector<uint8_t> TurnedClockwise(const std::vector<uint8_t>& source, int width, int height) {
  std::vector<uint8_t> out(source.size());
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int dx = height - 1 - y;
      const int dy = x;
      std::memcpy(&out[(static_cast<size_t>(dy) * height + dx) * 3], &source[(static_cast<size_t>(y) * width + x) * 3], 3);
    }
  }
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

TEST(ImageBufferRotate, TwoByThreeLayouts) {
  // Pixels numbered 1..6 in reading order:   1 2
  //                                          3 4
  //                                          5 6
  ImageBuffer image;
  ASSERT_EQ(image.Allocate(2, 3), kOk);
  for (int i = 0; i < 6; ++i) {
    for (int c = 0; c < 3; ++c) image.pixels()[i * 3 + c] = static_cast<uint8_t>((i + 1) * 10 + c);
  }
  auto order = [](const ImageBuffer& b) {
    std::vector<int> ids;
    for (uint32_t i = 0; i < b.byteSize(); i += 3) {
      EXPECT_EQ(b.pixels()[i + 1], b.pixels()[i] + 1);  // channels stay together and in order
      EXPECT_EQ(b.pixels()[i + 2], b.pixels()[i] + 2);
      ids.push_back(b.pixels()[i] / 10);
    }
    return ids;
  };
  const std::vector<int> start = order(image);

  ASSERT_EQ(image.RotateClockwise(), kOk);
  EXPECT_EQ(image.width(), 3);
  EXPECT_EQ(image.height(), 2);
  EXPECT_EQ(order(image), (std::vector<int>{5, 3, 1, 6, 4, 2}));  // former bottom-left now top-left

  ASSERT_EQ(image.RotateCounterClockwise(), kOk);
  EXPECT_EQ(order(image), start);
  EXPECT_EQ(image.width(), 2);

  ASSERT_EQ(image.RotateCounterClockwise(), kOk);
  EXPECT_EQ(order(image), (std::vector<int>{2, 4, 6, 1, 3, 5}));
}

TEST(ImageBufferRotate, IdentitiesOnSizesAcrossTileEdges) {
  // Tile and band edges, widths that leave 1 to 3 columns over and heights that leave 1 to 3 rows,
  // the last 4 x 4 block of an image (whose wide loads would run past it), and a column so tall
  // that its rows are too long to hold a band of them.
  const int32_t sizes[][2] = {{67, 131}, {1, 200}, {200, 1}, {128, 64}, {65, 65}, {1, 1}, {3, 2}, {4, 4},
                              {5, 8}, {81, 7}, {162, 9}, {83, 12}, {160, 6}, {1, 200000}};
  for (const auto& s : sizes) {
    SCOPED_TRACE(testing::Message() << s[0] << " x " << s[1]);
    ImageBuffer image;
    FillPattern(image, s[0], s[1], static_cast<uint32_t>(s[0] * 1000 + s[1]));
    const std::vector<uint8_t> original = PixelBytes(image);

    ASSERT_EQ(image.RotateClockwise(), kOk);
    EXPECT_EQ(image.width(), s[1]);
    EXPECT_EQ(image.height(), s[0]);
    EXPECT_EQ(PixelBytes(image), TurnedClockwise(original, s[0], s[1]));
    ASSERT_EQ(image.RotateCounterClockwise(), kOk);
    EXPECT_EQ(PixelBytes(image), original);

    for (int i = 0; i < 4; ++i) ASSERT_EQ(image.RotateClockwise(), kOk);
    EXPECT_EQ(PixelBytes(image), original);
    EXPECT_EQ(image.width(), s[0]);
    for (int i = 0; i < 4; ++i) ASSERT_EQ(image.RotateCounterClockwise(), kOk);
    EXPECT_EQ(PixelBytes(image), original);

    // Three turns one way are one turn the other way.
    for (int i = 0; i < 3; ++i) ASSERT_EQ(image.RotateCounterClockwise(), kOk);
    EXPECT_EQ(PixelBytes(image), TurnedClockwise(original, s[0], s[1]));
  }
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
  EXPECT_TRUE(image.converted());
  EXPECT_EQ(image.conversionProfileName(), "A");
  EXPECT_EQ(PixelBytes(image), TurnedClockwise(convertedBytes, 5, 3));
  image.RestoreUnconverted();
  EXPECT_EQ(PixelBytes(image), TurnedClockwise(original, 5, 3));
  EXPECT_FALSE(image.converted());
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
