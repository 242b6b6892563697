#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "app/settings.h"
#include "app/settings_storage.h"
#include "base/result_codes.h"
#include "card/card_layout.h"
#include "card/card_selection.h"
#include "support/run_command.h"
#include "support/test_environment.h"

namespace tintara {
namespace {

using Quad = std::array<PointD, 4>;
using Clicks = std::vector<PointD>;
const Quad kUpright{{{100, 100}, {300, 100}, {300, 500}, {100, 500}}};
const Clicks kUprightClicks{{100, 100}, {300, 100}, {300, 500}};
const Clicks kLandscapeClicks{{100, 100}, {500, 100}, {500, 300}};  // in a 600 x 400 image

struct FakeHost : CardSelectionHost {
  int width = 400;
  int height = 600;
  CardModel model = CardModel::K7;
  int ImageWidth() const override { return width; }
  int ImageHeight() const override { return height; }
  CardModel MarkingCardModel() const override { return model; }
};

// An area's (left, top, right, bottom), checking that its corners run top-left, top-right,
// bottom-right, bottom-left on an axis-parallel outline.
bool Near(double a, double b) { return std::abs(a - b) < 1e-9; }

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

class CardGeometryTest : public ::testing::Test {
 protected:
  // One settings record on a private file for the whole suite; each test starts from the defaults
  // in memory, so only the values a test sets are written.
  static void SetUpTestSuite() { settings = std::make_unique<test::PrivateSettings>(); }
  static void TearDownTestSuite() { settings.reset(); }
  void SetUp() override { Settings().RestoreDefaults(false); }

  void Mark(const Clicks& clicks, int width = 400, int height = 600) {
    host.width = width;
    host.height = height;
    selection.Reset();
    for (const PointD& p : clicks) selection.AddCorner(p.x, p.y);
  }
  const CardLayout& Layout() const { return *selection.Layout(); }

  static inline std::unique_ptr<test::PrivateSettings> settings;
  FakeHost host;
  CardSelection selection{host};
};

TEST(CardModelTest, AreaTablesHoldTheRowsAndColumnsOfEachCard) {
  ASSERT_EQ(AreaTable(CardModel::K7).size(), 30u);
  for (int a = 0; a < 30; ++a) {
    const AreaCorners& t = AreaTable(CardModel::K7)[a];
    const double umin = 0.125 + 0.3 * (a / 10), umax = umin + 0.225;
    const double vmin = (2 + 12 * (9 - a % 10)) / 140.0, vmax = vmin + 9 / 140.0;
    const CardCoord expected[4] = {{umin, vmin}, {umax, vmin}, {umax, vmax}, {umin, vmax}};
    for (int k = 0; k < 4; ++k) {
      EXPECT_NEAR(t[k].u, expected[k].u, 1e-15) << a;
      EXPECT_NEAR(t[k].v, expected[k].v, 1e-15) << a;
    }
  }
  ASSERT_EQ(AreaTable(CardModel::K3).size(), 3u);
  for (int k = 0; k < 3; ++k) {
    const AreaCorners& t = AreaTable(CardModel::K3)[k];
    EXPECT_TRUE(t[0].u == 0.0 && t[1].u == 1.0 && t[2].u == 1.0 && t[3].u == 0.0);
    EXPECT_NEAR(t[0].v, (5 + 211 * k) / 710.0, 1e-15);
    EXPECT_NEAR(t[2].v, (205 + 211 * k) / 710.0, 1e-15);
  }
  // The 15-digit decimals themselves, not the formulas' doubles.
  EXPECT_EQ(AreaTable(CardModel::K7)[9][0].v, 0.0142857142857143);
  EXPECT_EQ(AreaTable(CardModel::K3)[2][2].v, 0.883098591549296);
}

TEST_F(CardGeometryTest, ThreeClicksCompleteAnUprightCardInAnyOrder) {
  Mark({{100, 100}, {300, 100}});
  EXPECT_TRUE(selection.InProgress() && !selection.Complete() && selection.Clicked() == 2);
  EXPECT_TRUE(selection.Layout() == nullptr && selection.Handles().empty());

  selection.AddCorner(300, 500);
  ASSERT_TRUE(selection.Complete());
  EXPECT_FALSE(selection.InProgress());
  EXPECT_EQ(selection.Corners(), kUpright);
  ASSERT_EQ(selection.Handles().size(), 4u);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(selection.Handles()[i].position, kUpright[i]);
  EXPECT_EQ(selection.Width(), 200.0);
  EXPECT_EQ(selection.Height(), 400.0);
  EXPECT_EQ(Layout().ComputeOrientation(), 1);
  ASSERT_EQ(Layout().areas.size(), 30u);
  ExpectExtent(Layout().areas[9], 125, 100 + 400 * 0.0142857142857143, 170,
               100 + 400 * 0.0785714285714286);  // y about 105.7 to 131.4
  ExpectExtent(Layout().areas[0], 125, 100 + 400 * 0.785714285714286, 170, 440);
  EXPECT_NEAR(Extent(Layout().areas[29])[2], 290, 1e-9);
  for (int i = 0; i < 30; ++i) {
    const ColorArea& area = Layout().areas[i];
    EXPECT_TRUE(area.index == i && area.Valid && !area.Unreliable && area.innerMargin == 5.0);
    EXPECT_EQ(area.mean, (std::array<uint8_t, 3>{0, 0, 0}));
  }
  selection.AddCorner(10, 10);  // ignored once complete
  EXPECT_EQ(selection.Corners(), kUpright);

  for (const Clicks& clicks :
       {Clicks{{300, 500}, {300, 100}, {100, 100}}, Clicks{{300, 100}, {300, 500}, {100, 500}},
        Clicks{{100, 500}, {100, 100}, {300, 100}}}) {
    Mark(clicks);
    EXPECT_EQ(selection.Corners(), kUpright);
  }
  // A diamond: two corners tie for the smallest x + y, and the earlier one stays first.
  Mark({{200, 100}, {300, 200}, {200, 300}});
  EXPECT_EQ(selection.Corners(), (Quad{{{200, 100}, {300, 200}, {200, 300}, {100, 200}}}));
}

TEST_F(CardGeometryTest, OrientationFollowsTheLongEdgeAndTheTurn) {
  Mark({{100, 100}, {300, 100}, {300, 300}});  // a square
  EXPECT_EQ(Layout().ComputeOrientation(), 1);
  selection.TurnHalf();
  EXPECT_EQ(Layout().ComputeOrientation(), 3);

  // Upright and turned: origin bottom-right, area 9 at the bottom, area 0 near the top.
  Mark(kUprightClicks);
  EXPECT_EQ(selection.TurnHalf(), 0);
  EXPECT_TRUE(Layout().Turned);
  ExpectExtent(Layout().areas[9], 230, 500 - 400 * 0.0785714285714286, 275,
               500 - 400 * 0.0142857142857143);
  EXPECT_NEAR(Extent(Layout().areas[0])[1], 160, 1e-9);

  // Landscape: origin bottom-left, row 0 at the left end, column 0 along the bottom edge, the
  // area-free strip at the right.
  Mark(kLandscapeClicks, 600, 400);
  EXPECT_EQ(Layout().ComputeOrientation(), 4);
  ExpectExtent(Layout().areas[9], 100 + 400 * 0.0142857142857143, 230,
               100 + 400 * 0.0785714285714286, 275);
  EXPECT_NEAR(Extent(Layout().areas[29])[1], 110, 1e-9);
  double right = 0;
  for (const ColorArea& area : Layout().areas) right = std::max(right, Extent(area)[2]);
  EXPECT_NEAR(right, 440, 1e-9);
  selection.TurnHalf();
  EXPECT_EQ(Layout().ComputeOrientation(), 2);
}

TEST_F(CardGeometryTest, FourthCornerPastTheImageIsHeldOnItsBorder) {
  const std::pair<Clicks, PointD> cases[] = {{{{100, 100}, {300, 50}, {150, 500}}, {0, 550}},
                                             {{{100, 300}, {300, 100}, {350, 550}}, {150, 599}},
                                             {{{100, 100}, {50, 300}, {350, 500}}, {399, 300}}};
  for (const auto& [clicks, fourth] : cases) {
    Mark(clicks);
    const Quad& c = selection.Corners();
    EXPECT_NE(std::find(c.begin(), c.end(), fourth), c.end()) << fourth.x << ", " << fourth.y;
    EXPECT_EQ(Layout().areas.size(), 30u);
  }
}

TEST_F(CardGeometryTest, QuarterTurnsCarryTheCardAndTurnBack) {
  struct Case {
    Clicks clicks;
    int width, height;  // before the clockwise turn
    bool turned;
    int codeAfter;
  };
  for (const Case& c :
       {Case{kUprightClicks, 400, 600, false, 2}, Case{kUprightClicks, 400, 600, true, 4},
        Case{kLandscapeClicks, 600, 400, false, 1}, Case{kLandscapeClicks, 600, 400, true, 3}}) {
    Mark(c.clicks, c.width, c.height);
    if (c.turned) selection.TurnHalf();
    const Quad corners = selection.Corners();
    const std::vector<ColorArea> before = Layout().areas;

    host.width = c.height;
    host.height = c.width;
    selection.RotateClockwise();
    if (!c.turned && c.width == 400) {
      EXPECT_EQ(selection.Corners(), (Quad{{{100, 100}, {500, 100}, {500, 300}, {100, 300}}}));
      EXPECT_TRUE(Layout().Turned);
    }
    for (int i = 0; i < 4; ++i) EXPECT_EQ(selection.Handles()[i].position, selection.Corners()[i]);
    EXPECT_EQ(Layout().ComputeOrientation(), c.codeAfter);
    // Every area went round with the image: its corners are the old ones turned, one place on.
    for (int a = 0; a < 30; ++a) {
      for (int k = 0; k < 4; ++k) {
        const PointD& old = before[a].corners[k];
        const PointD& now = Layout().areas[a].corners[(k + 1) % 4];
        EXPECT_NEAR(now.x, host.width - old.y, 1e-9);
        EXPECT_NEAR(now.y, old.x, 1e-9);
      }
    }

    host.width = c.width;
    host.height = c.height;
    selection.RotateCounterClockwise();
    EXPECT_EQ(selection.Corners(), corners);
    EXPECT_EQ(Layout().Turned, c.turned);
    for (int a = 0; a < 30; ++a) EXPECT_EQ(Layout().areas[a].corners, before[a].corners);
  }
}

TEST_F(CardGeometryTest, PerspectiveShrinksTowardsTheShorterEdgeOnly) {
  for (const double length : {0.1, 3.0, 7.0, 200.0, 437.0}) {
    for (const AreaCorners& area : AreaTable(CardModel::K7)) {
      for (const CardCoord& p : area) EXPECT_EQ(PerspectiveParameter(p.v, length, length), p.v);
    }
  }
  EXPECT_EQ(PerspectiveParameter(1.0, 400, 200), 1.0);
  EXPECT_NEAR(PerspectiveParameter(0.5, 400, 200), 2.0 / 3.0, 1e-15);

  // Narrower at the bottom: rows shrink downwards.
  Mark({{100, 100}, {300, 100}, {280, 500}});
  selection.SetCorner(3, 120, 500);
  selection.Relayout();
  const Quad& top = Layout().areas[9].corners;
  const Quad& bottom = Layout().areas[0].corners;
  EXPECT_GT(top[3].y - top[0].y, bottom[3].y - bottom[0].y + 1);
  // Shorter at the right: columns shrink to the right.
  selection.SetCorner(1, 300, 150);
  selection.SetCorner(2, 300, 450);
  selection.SetCorner(3, 100, 500);
  selection.Relayout();
  EXPECT_NEAR(Layout().areas[9].corners[1].x, 100 + 200 * (0.35 * 400 / (0.35 * 100 + 300)), 1e-9);
  const Quad& left = Layout().areas[9].corners;
  const Quad& right = Layout().areas[29].corners;
  EXPECT_GT(left[1].x - left[0].x, right[1].x - right[0].x + 1);
}

TEST_F(CardGeometryTest, EditsKeepTheOutlineConsistent) {
  EXPECT_EQ(selection.CreateHandles(), kSelectionIncomplete);
  EXPECT_EQ(selection.Relayout(), 0);
  EXPECT_EQ(selection.TurnHalf(), 0);

  // Another card model keeps the corners and Turned.
  Mark(kUprightClicks);
  selection.TurnHalf();
  host.model = CardModel::K3;
  ASSERT_EQ(selection.CreateHandles(), 0);
  ASSERT_EQ(selection.Relayout(), 0);
  EXPECT_EQ(Layout().Model(), CardModel::K3);
  EXPECT_TRUE(Layout().Turned);
  EXPECT_EQ(selection.Corners(), kUpright);
  ASSERT_EQ(Layout().areas.size(), 3u);
  ExpectExtent(Layout().areas[0], 100, 500 - 400 * 0.288732394366197, 300,
               500 - 400 * 0.00704225352112676);

  for (const int index : {4, -1, 5}) {
    EXPECT_EQ(selection.SetCorner(index, 1, 1), kSelectionIncomplete);
    EXPECT_TRUE(selection.CornerX(index) == 0.0 && selection.CornerY(index) == 0.0);
  }
  EXPECT_EQ(selection.Corners(), kUpright);
  // A drag moves the corner and its handle; the areas follow on Relayout, with the margin set now.
  const Quad area2 = Layout().areas[2].corners;
  EXPECT_EQ(selection.SetCorner(2, 320, 520), 0);
  EXPECT_EQ(selection.Handles()[2].position, (PointD{320, 520}));
  EXPECT_EQ(Layout().areas[2].corners, area2);
  Settings().SetInnerMarginK3(2.5);
  selection.Relayout();
  EXPECT_NE(Layout().areas[2].corners, area2);
  EXPECT_EQ(Layout().areas[2].innerMargin, 2.5);

  selection.SetRubberPoint({5, 5});
  selection.Reset();
  EXPECT_FALSE(selection.Complete() || selection.InProgress() || selection.Clicked() != 0);
  EXPECT_TRUE(selection.Layout() == nullptr && selection.Handles().empty());
  EXPECT_EQ(selection.RubberPoint(), (PointD{0, 0}));
  EXPECT_EQ(selection.Corners(), Quad{});
}

TEST_F(CardGeometryTest, DegenerateOutlinesStillLayOut) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (const Clicks& clicks :
       {Clicks{{50, 50}, {50, 50}, {50, 50}}, Clicks{{10, 10}, {20, 20}, {30, 30}},
        Clicks{{nan, nan}, {nan, 1}, {1, nan}},
        Clicks{{1e308, -1e308}, {-1e308, 1e308}, {inf, -inf}}}) {
    Mark(clicks);
    ASSERT_TRUE(selection.Complete());
    ASSERT_EQ(Layout().areas.size(), 30u);
    selection.TurnHalf();
    selection.RotateClockwise();
    selection.RotateCounterClockwise();
  }
  Mark({{50, 50}, {50, 50}, {50, 50}});  // collapsed: tiny but finite areas
  for (const ColorArea& area : Layout().areas) {
    for (const PointD& p : area.corners) EXPECT_TRUE(Near(p.x, 50) && Near(p.y, 50));
  }
}

}  // namespace
}  // namespace tintara
