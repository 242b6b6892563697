#include "image/ui/view_zoom.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace tintara {
namespace {

TEST(ViewZoom, LimitsAndTheEnterZoomRange) {
  // 32767 / 4000 = 8.19...: the upper limit comes from the image size, not from 1600 %.
  ZoomPercentRange r = EnterZoomRange(0.25, 4000, 3000);
  EXPECT_EQ(r.low, 1);
  EXPECT_EQ(r.high, 819);
  EXPECT_EQ(r.initial, 25);
  r = EnterZoomRange(1.0 / 3.0, 1000, 800);
  EXPECT_EQ(r.low, 1);
  EXPECT_EQ(r.high, 1600);
  EXPECT_EQ(r.initial, 34);  // rounded up
  EXPECT_DOUBLE_EQ(ClampZoom(16.0 * kZoomInFactor, 1000, 800), 16.0);
  EXPECT_DOUBLE_EQ(ClampZoom(0.001, 1000, 800), 0.005);

  // One pixel: z x 1 must stay at least 1, so 100 % is the least.
  r = EnterZoomRange(1.0, 1, 1);
  EXPECT_EQ(r.low, 100);
  EXPECT_EQ(r.high, 1600);
  EXPECT_DOUBLE_EQ(ClampZoom(0.5, 1, 1), 1.0);

  // The short side decides the lower limit: 0.005 x 100 < 1, so z = 1 / 100.
  EXPECT_DOUBLE_EQ(ClampZoom(0.001, 40000, 100), 0.01);
  // The lower rule runs last and wins over the upper one for a very long, thin image.
  EXPECT_DOUBLE_EQ(ClampZoom(16.0, 100000, 1), 1.0);
  // With no image only the fixed limits apply.
  EXPECT_DOUBLE_EQ(ClampZoom(20.0, 0, 0), 16.0);
}

TEST(ViewZoom, ScrollPositionsOfTheZoomCommands) {
  // The rectangle 100..200 at 200 % spans 200..400; in a client of 500 it is centred.
  EXPECT_EQ(ZoomToRectScroll(100, 200, 2.0, 500, 2000), 200 + 100 - 250);
  // An odd span and an odd client: both halves rounded down.
  EXPECT_EQ(ZoomToRectScroll(0, 201, 1.0, 301, 2000), 0 + 100 - 150);
  // Corners rounded half away from zero: 0.25 x 2 = 0.5 -> 1.
  EXPECT_EQ(ZoomToRectScroll(0.25, 1000, 2.0, 500, 2000), 1);
  // Wider than the client: its start at the window's edge.
  EXPECT_EQ(ZoomToRectScroll(0, 1000, 1.0, 500, 1000), 0);
  // Nothing to scroll: left alone.
  EXPECT_EQ(ZoomToRectScroll(100, 200, 2.0, 500, 500), std::nullopt);

  EXPECT_EQ(ZoomOutScroll(300.0, 0.5, 101, 1000), 150 - 50);
  EXPECT_EQ(ZoomOutScroll(300.25, 2.0, 100, 1000), 601 - 50);
  EXPECT_EQ(ZoomOutScroll(300.0, 0.5, 1000, 1000), std::nullopt);

  // Real Size from 50 %: the extent doubles, and the position with it, less half the client.
  EXPECT_EQ(RealSizeScroll(101, 500, 1000, 301), 202 - 150);
  EXPECT_EQ(RealSizeScroll(7, 0, 1000, 300), -150);  // no old extent: no division by zero
  EXPECT_EQ(ZoomedExtent(1001, 0.5), 501);
}

TEST(ViewZoom, TheVisiblePartAndItsStretch) {
  // 150 %, scrolled by 10, 20 pixels wide: image columns 6..20 go to zoomed pixels 9..30.
  CacheGeometry g = VisibleCacheGeometry(1.5, 10, 0, 20, 8, 100, 50);
  EXPECT_EQ(g.srcLeft, 6);
  EXPECT_EQ(g.srcRight, 20);
  EXPECT_EQ(g.dstLeft, 9);
  EXPECT_EQ(g.dstRight, 30);
  EXPECT_EQ(g.srcTop, 0);
  EXPECT_EQ(g.srcBottom, 6);
  EXPECT_EQ(g.dstBottom, 9);
  // Kept within the image, and at least a pixel, even for a position past its end.
  g = VisibleCacheGeometry(0.5, 5000, 0, 400, 300, 100, 50);
  EXPECT_EQ(g.srcLeft, 99);
  EXPECT_EQ(g.srcRight, 100);
  EXPECT_EQ(g.srcBottom, 50);

  std::vector<int32_t> table;
  NearestIndexTable(2, 3, table);
  EXPECT_EQ(table, (std::vector<int32_t>{0, 1, 1}));
  NearestIndexTable(3, 2, table);
  EXPECT_EQ(table, (std::vector<int32_t>{0, 2}));
  NearestIndexTable(4, 8, table);
  EXPECT_EQ(table, (std::vector<int32_t>{0, 0, 1, 1, 2, 2, 3, 3}));
  // Enlarging drops nothing and reducing repeats nothing; the table never runs backwards or out.
  for (int source = 1; source <= 40; ++source) {
    for (int destination = 1; destination <= 40; ++destination) {
      NearestIndexTable(source, destination, table);
      std::vector<int> uses(static_cast<size_t>(source));
      for (int i = 0; i < destination; ++i) {
        ASSERT_GE(table[i], i > 0 ? table[i - 1] : 0);
        ASSERT_LT(table[i], source);
        ++uses[static_cast<size_t>(table[i])];
      }
      for (int u : uses) ASSERT_TRUE(destination >= source ? u >= 1 : u <= 1) << source << " -> " << destination;
    }
  }
}

}  // namespace
}  // namespace tintara
