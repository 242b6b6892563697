#include "card/card_selection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "base/result_codes.h"
#include "support/test_cards.h"

namespace tintara {
namespace {

using Quad = std::array<PointD, 4>;
using Clicks = std::vector<PointD>;
const Quad kUpright{{{100, 100}, {300, 100}, {300, 500}, {100, 500}}};
const Clicks kUprightClicks{{100, 100}, {300, 100}, {300, 500}};
const Clicks kLandscapeClicks{{100, 100}, {500, 100}, {500, 300}};  // in a 600 x 400 image

class CardSelectionTest : public ::testing::Test {
 protected:
  void Mark(const Clicks& clicks, int width = 400, int height = 600) {
    host.width = width;
    host.height = height;
    selection.Reset();
    for (const PointD& p : clicks) selection.AddCorner(p.x, p.y);
  }
  const CardLayout& Layout() const { return *selection.Layout(); }

  test::TestCardHost host;
  CardSelection selection{host};
};

TEST_F(CardSelectionTest, ThreeClicksCompleteAnUprightCardInAnyOrder) {
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
  // Completing the outline lays the marking model's areas into it at once.
  ASSERT_NE(selection.Layout(), nullptr);
  EXPECT_EQ(Layout().Model(), CardModel::K7);
  EXPECT_EQ(Layout().corners, kUpright);
  EXPECT_EQ(Layout().ComputeOrientation(), 1);
  EXPECT_EQ(Layout().areas.size(), 30u);
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

TEST_F(CardSelectionTest, FourthCornerPastTheImageIsHeldOnItsBorder) {
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

TEST_F(CardSelectionTest, QuarterTurnsCarryTheCardAndTurnBack) {
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

TEST_F(CardSelectionTest, EditsKeepTheOutlineConsistent) {
  EXPECT_EQ(selection.CreateHandles(), kSelectionIncomplete);
  EXPECT_EQ(selection.Relayout(), 0);
  EXPECT_EQ(selection.TurnHalf(), 0);

  // The half turn lays the card out the other way round, every area turned about the outline's
  // centre (200, 300), and back.
  Mark(kUprightClicks);
  const std::vector<ColorArea> upright = Layout().areas;
  EXPECT_EQ(selection.TurnHalf(), 0);
  EXPECT_TRUE(Layout().Turned);
  for (int a = 0; a < 30; ++a) {
    for (int k = 0; k < 4; ++k) {
      const PointD& was = upright[a].corners[(k + 2) % 4];
      EXPECT_NEAR(Layout().areas[a].corners[k].x, 400 - was.x, 1e-9) << a;
      EXPECT_NEAR(Layout().areas[a].corners[k].y, 600 - was.y, 1e-9) << a;
    }
  }
  selection.TurnHalf();
  for (int a = 0; a < 30; ++a) EXPECT_EQ(Layout().areas[a].corners, upright[a].corners);

  // Another card model keeps the corners and Turned.
  selection.TurnHalf();
  host.model = CardModel::K3;
  ASSERT_EQ(selection.CreateHandles(), 0);
  ASSERT_EQ(selection.Relayout(), 0);
  EXPECT_EQ(Layout().Model(), CardModel::K3);
  EXPECT_TRUE(Layout().Turned);
  EXPECT_EQ(selection.Corners(), kUpright);
  ASSERT_EQ(Layout().areas.size(), 3u);

  for (const int index : {4, -1, 5}) {
    EXPECT_EQ(selection.SetCorner(index, 1, 1), kSelectionIncomplete);
    EXPECT_TRUE(selection.CornerX(index) == 0.0 && selection.CornerY(index) == 0.0);
  }
  EXPECT_EQ(selection.Corners(), kUpright);
  // A drag moves the corner and its handle; the areas follow on Relayout.
  const Quad area2 = Layout().areas[2].corners;
  EXPECT_EQ(selection.SetCorner(2, 320, 520), 0);
  EXPECT_EQ(selection.Handles()[2].position, (PointD{320, 520}));
  EXPECT_EQ(Layout().areas[2].corners, area2);
  selection.Relayout();
  EXPECT_NE(Layout().areas[2].corners, area2);

  selection.SetRubberPoint({5, 5});
  selection.Reset();
  EXPECT_FALSE(selection.Complete() || selection.InProgress() || selection.Clicked() != 0);
  EXPECT_TRUE(selection.Layout() == nullptr && selection.Handles().empty());
  EXPECT_EQ(selection.RubberPoint(), (PointD{0, 0}));
  EXPECT_EQ(selection.Corners(), Quad{});
}

TEST_F(CardSelectionTest, DegenerateClicksStillCompleteAndTurn) {
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
    EXPECT_EQ(selection.Handles().size(), 4u);
    EXPECT_EQ(Layout().areas.size(), 30u);
  }
}

// Placing a remembered outline takes the corners as they are (a dragged outline is no
// parallelogram and need not be in click order) and the card's turn, for the host's model.
TEST_F(CardSelectionTest, PlaceTakesTheCornersAndTurnAsGiven) {
  Mark({{10, 10}, {20, 10}});  // a marking under way is replaced
  const Quad dragged{{{110, 90}, {320, 105}, {290, 520}, {95, 480}}};
  host.model = CardModel::K3;
  EXPECT_EQ(selection.Place(dragged, true), kOk);
  EXPECT_TRUE(selection.Complete());
  EXPECT_FALSE(selection.InProgress());
  EXPECT_EQ(selection.Corners(), dragged);
  ASSERT_EQ(selection.Handles().size(), 4u);
  EXPECT_EQ(selection.Handles()[2].position, dragged[2]);
  EXPECT_TRUE(Layout().Turned);
  EXPECT_EQ(Layout().Model(), CardModel::K3);
  EXPECT_EQ(Layout().areas.size(), 3u);
  EXPECT_EQ(Layout().corners, dragged);
  // Clicks after placing start nothing until the outline is reset, as after a third click.
  selection.AddCorner(5, 5);
  EXPECT_EQ(selection.Corners(), dragged);
}

}  // namespace
}  // namespace tintara
