#include "card/card_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "base/result_codes.h"

namespace tintara {
namespace {

using Quad = std::array<PointD, 4>;
using CardLayoutTest = ::testing::Test;
const Quad kUpright{{{100, 100}, {300, 100}, {300, 500}, {100, 500}}};
const Quad kLandscape{{{100, 100}, {500, 100}, {500, 300}, {100, 300}}};

std::unique_ptr<CardLayout> LaidOut(CardModel model, const Quad& corners, bool turned = false) {
  std::unique_ptr<CardLayout> layout = MakeCardLayout(model);
  layout->corners = corners;
  layout->Turned = turned;
  EXPECT_EQ(layout->Layout(), kOk);
  return layout;
}

bool Near(double a, double b) { return std::abs(a - b) < 1e-9; }

// An area's (left, top, right, bottom), checking that its corners run top-left, top-right,
// bottom-right, bottom-left on an axis-parallel outline.
std::array<double, 4> Extent(const ColorArea& area) {
  const Quad& c = area.corners;
  EXPECT_TRUE(Near(c[0].y, c[1].y) && Near(c[1].x, c[2].x) && Near(c[2].y, c[3].y) &&
              Near(c[3].x, c[0].x) && c[0].x < c[1].x && c[0].y < c[3].y);
  return {c[0].x, c[0].y, c[2].x, c[2].y};
}

void ExpectExtent(const ColorArea& area, double left, double top, double right, double bottom) {
  const auto e = Extent(area);
  EXPECT_NEAR(e[0], left, 1e-9);
  EXPECT_NEAR(e[1], top, 1e-9);
  EXPECT_NEAR(e[2], right, 1e-9);
  EXPECT_NEAR(e[3], bottom, 1e-9);
}

TEST_F(CardLayoutTest, AreasOfAnUprightCardComeOutFreshOnEveryLayout) {
  auto layout = LaidOut(CardModel::K7, kUpright);
  EXPECT_EQ(layout->Model(), CardModel::K7);
  EXPECT_EQ(layout->ComputeOrientation(), 1);
  ASSERT_EQ(layout->areas.size(), 30u);
  ExpectExtent(layout->areas[9], 125, 100 + 400 * 0.0142857142857143, 170,
               100 + 400 * 0.0785714285714286);  // y about 105.7 to 131.4
  ExpectExtent(layout->areas[0], 125, 100 + 400 * 0.785714285714286, 170, 440);
  EXPECT_NEAR(Extent(layout->areas[29])[2], 290, 1e-9);

  // A new layout forgets what the last measurement found.
  for (ColorArea& area : layout->areas) {
    area.Valid = false;
    area.Unreliable = true;
    area.mean = {1, 2, 3};
  }
  ASSERT_EQ(layout->Layout(), kOk);
  ASSERT_EQ(layout->areas.size(), 30u);
  for (int i = 0; i < 30; ++i) {
    const ColorArea& area = layout->areas[i];
    EXPECT_TRUE(area.index == i && area.Valid && !area.Unreliable) << i;
    EXPECT_EQ(area.mean, (std::array<uint8_t, 3>{0, 0, 0}));
  }

  // The K3 card: three areas across the whole short edge, with its own margin.
  auto k3 = LaidOut(CardModel::K3, kUpright, true);
  EXPECT_EQ(k3->Model(), CardModel::K3);
  ASSERT_EQ(k3->areas.size(), 3u);
  ExpectExtent(k3->areas[0], 100, 500 - 400 * 0.288732394366197, 300, 500 - 400 * 0.00704225352112676);
}

TEST_F(CardLayoutTest, OrientationFollowsTheLongEdgeAndTheTurn) {
  const Quad square{{{100, 100}, {300, 100}, {300, 300}, {100, 300}}};
  EXPECT_EQ(ComputeOrientation(square, false), 1);
  EXPECT_EQ(ComputeOrientation(square, true), 3);

  // Upright and turned: origin bottom-right, area 9 at the bottom, area 0 near the top.
  auto turned = LaidOut(CardModel::K7, kUpright, true);
  EXPECT_EQ(turned->ComputeOrientation(), 3);
  ExpectExtent(turned->areas[9], 230, 500 - 400 * 0.0785714285714286, 275,
               500 - 400 * 0.0142857142857143);
  EXPECT_NEAR(Extent(turned->areas[0])[1], 160, 1e-9);

  // Landscape: origin bottom-left, row 0 at the left end, column 0 along the bottom edge, the
  // area-free strip at the right.
  auto landscape = LaidOut(CardModel::K7, kLandscape);
  EXPECT_EQ(landscape->ComputeOrientation(), 4);
  ExpectExtent(landscape->areas[9], 100 + 400 * 0.0142857142857143, 230,
               100 + 400 * 0.0785714285714286, 275);
  EXPECT_NEAR(Extent(landscape->areas[29])[1], 110, 1e-9);
  double right = 0;
  for (const ColorArea& area : landscape->areas) right = std::max(right, Extent(area)[2]);
  EXPECT_NEAR(right, 440, 1e-9);
  landscape->Turned = true;
  EXPECT_EQ(landscape->ComputeOrientation(), 2);
}

TEST_F(CardLayoutTest, PerspectiveShrinksTowardsTheShorterEdgeOnly) {
  for (const double length : {0.1, 3.0, 7.0, 200.0, 437.0}) {
    for (const AreaCorners& area : AreaTable(CardModel::K7)) {
      for (const CardCoord& p : area) EXPECT_EQ(PerspectiveParameter(p.v, length, length), p.v);
    }
  }
  EXPECT_EQ(PerspectiveParameter(1.0, 400, 200), 1.0);
  EXPECT_NEAR(PerspectiveParameter(0.5, 400, 200), 2.0 / 3.0, 1e-15);

  // Narrower at the bottom: rows shrink downwards.
  auto layout = LaidOut(CardModel::K7, Quad{{{100, 100}, {300, 100}, {280, 500}, {120, 500}}});
  const Quad& top = layout->areas[9].corners;
  const Quad& bottom = layout->areas[0].corners;
  EXPECT_GT(top[3].y - top[0].y, bottom[3].y - bottom[0].y + 1);
  // Shorter at the right: columns shrink to the right.
  layout->corners = {{{100, 100}, {300, 150}, {300, 450}, {100, 500}}};
  ASSERT_EQ(layout->Layout(), kOk);
  EXPECT_NEAR(layout->areas[9].corners[1].x, 100 + 200 * (0.35 * 400 / (0.35 * 100 + 300)), 1e-9);
  const Quad& left = layout->areas[9].corners;
  const Quad& right = layout->areas[29].corners;
  EXPECT_GT(left[1].x - left[0].x, right[1].x - right[0].x + 1);
}

TEST_F(CardLayoutTest, DegenerateOutlinesStillLayOut) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (const Quad& corners : {Quad{{{10, 10}, {20, 20}, {30, 30}, {20, 20}}},
                              Quad{{{nan, nan}, {nan, 1}, {1, nan}, {1, 1}}},
                              Quad{{{1e308, -1e308}, {-1e308, 1e308}, {inf, -inf}, {0, 0}}}}) {
    for (const CardModel model : {CardModel::K7, CardModel::K3}) {
      EXPECT_EQ(LaidOut(model, corners)->areas.size(), size_t(AreaCount(model)));
    }
  }
  // Collapsed to a point: every edge counts as one pixel long, so the areas are tiny but finite.
  auto collapsed = LaidOut(CardModel::K7, Quad{{{50, 50}, {50, 50}, {50, 50}, {50, 50}}});
  for (const ColorArea& area : collapsed->areas) {
    for (const PointD& p : area.corners) EXPECT_TRUE(Near(p.x, 50) && Near(p.y, 50));
  }
}

// The view's tool tips name the area under the pointer: edges count as inside, the strip without
// areas and the gaps between areas as outside, and a turned or slanted outline works the same.
TEST_F(CardLayoutTest, AreaAtFindsTheAreaUnderAPoint) {
  auto layout = LaidOut(CardModel::K7, kUpright);
  const ColorArea& nine = layout->areas[9];  // x 125 to 170, y about 105.7 to 131.4
  EXPECT_EQ(layout->AreaAt({150, 120}), 9);
  EXPECT_EQ(layout->AreaAt(nine.corners[0]), 9);
  EXPECT_EQ(layout->AreaAt({169.9, 120}), 9);
  EXPECT_EQ(layout->AreaAt({172, 120}), -1);  // between columns
  EXPECT_EQ(layout->AreaAt({150, 480}), -1);  // the strip without areas
  EXPECT_EQ(layout->AreaAt({50, 50}), -1);
  auto turned = LaidOut(CardModel::K7, kUpright, true);
  EXPECT_EQ(turned->AreaAt({250, 480}), 9);  // turned: area 9 at the bottom right
  const Quad slanted{{{0, 10}, {10, 0}, {20, 10}, {10, 20}}};
  EXPECT_TRUE(QuadContains(slanted, {10, 10}));
  EXPECT_TRUE(QuadContains(slanted, {5, 5}));  // on an edge
  EXPECT_FALSE(QuadContains(slanted, {2, 2}));
  EXPECT_FALSE(QuadContains(slanted, {19, 19}));
  const Quad backwards{{slanted[3], slanted[2], slanted[1], slanted[0]}};
  EXPECT_TRUE(QuadContains(backwards, {12, 9}));
}

}  // namespace
}  // namespace tintara
