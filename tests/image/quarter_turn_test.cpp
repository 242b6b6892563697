#include "image/quarter_turn.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "image/image_buffer.h"
#include "support/test_images.h"

namespace tintara {
namespace {

// The turn written out pixel by pixel, independent of the tiled and shuffled loops under test.
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

// Into a block of exactly the image's size, so a load or store past either end is caught by the
// sanitizer build.
std::vector<uint8_t> Turned(const std::vector<uint8_t>& source, int64_t width, int64_t height, bool clockwise) {
  std::vector<uint8_t> out(source.size());
  TurnQuarter(source.data(), out.data(), width, height, clockwise);
  return out;
}

TEST(QuarterTurn, TwoByThreeLayouts) {
  // Pixels numbered 1..6 in reading order:   1 2
  //                                          3 4
  //                                          5 6
  std::vector<uint8_t> start;
  for (int i = 0; i < 6; ++i) {
    for (int c = 0; c < 3; ++c) start.push_back(static_cast<uint8_t>((i + 1) * 10 + c));
  }
  auto order = [](const std::vector<uint8_t>& bytes) {
    std::vector<int> ids;
    for (size_t i = 0; i < bytes.size(); i += 3) {
      EXPECT_EQ(bytes[i + 1], bytes[i] + 1);  // channels stay together and in order
      EXPECT_EQ(bytes[i + 2], bytes[i] + 2);
      ids.push_back(bytes[i] / 10);
    }
    return ids;
  };

  const std::vector<uint8_t> clockwise = Turned(start, 2, 3, true);  // now 3 wide, 2 high
  EXPECT_EQ(order(clockwise), (std::vector<int>{5, 3, 1, 6, 4, 2}));  // former bottom-left now top-left
  EXPECT_EQ(Turned(clockwise, 3, 2, false), start);
  EXPECT_EQ(order(Turned(start, 2, 3, false)), (std::vector<int>{2, 4, 6, 1, 3, 5}));
}

TEST(QuarterTurn, IdentitiesOnSizesAcrossTileEdges) {
  // Tile and band edges, widths that leave 1 to 3 columns over and heights that leave 1 to 3 rows,
  // the last 4 x 4 block of an image (whose wide loads would run past it), and a column so tall
  // that its rows are too long to hold a band of them.
  const int32_t sizes[][2] = {{67, 131}, {1, 200}, {200, 1}, {128, 64}, {65, 65}, {1, 1}, {3, 2}, {4, 4},
                              {5, 8}, {81, 7}, {162, 9}, {83, 12}, {160, 6}, {1, 200000}};
  for (const auto& s : sizes) {
    SCOPED_TRACE(testing::Message() << s[0] << " x " << s[1]);
    const int32_t width = s[0], height = s[1];
    ImageBuffer image;
    test::FillPattern(image, width, height, static_cast<uint32_t>(width * 1000 + height));
    const std::vector<uint8_t> original = test::PixelBytes(image);

    const std::vector<uint8_t> clockwise = Turned(original, width, height, true);
    EXPECT_EQ(clockwise, TurnedClockwise(original, width, height));
    EXPECT_EQ(Turned(clockwise, height, width, false), original);

    std::vector<uint8_t> bytes = original;
    for (int i = 0; i < 4; ++i) bytes = Turned(bytes, i % 2 ? height : width, i % 2 ? width : height, true);
    EXPECT_EQ(bytes, original);
    for (int i = 0; i < 4; ++i) bytes = Turned(bytes, i % 2 ? height : width, i % 2 ? width : height, false);
    EXPECT_EQ(bytes, original);

    // Three turns one way are one turn the other way.
    for (int i = 0; i < 3; ++i) bytes = Turned(bytes, i % 2 ? height : width, i % 2 ? width : height, false);
    EXPECT_EQ(bytes, clockwise);
  }
}

}  // namespace
}  // namespace tintara
