// The outline kept between sessions: what a selection gives, and its text read back to the bit.
#include "card/previous_outline.h"

#include <gtest/gtest.h>

#include "card/card_selection.h"
#include "support/test_cards.h"

namespace tintara {
namespace {

TEST(PreviousOutline, AMarkedOutlineComesBackFromItsTextToTheBit) {
  test::TestCardHost host(400, 600, CardModel::K3);
  CardSelection selection(host);
  EXPECT_FALSE(OutlineOf(selection, 400, 600)) << "nothing marked";
  for (const PointD& p : {PointD{100.1, 100.7}, PointD{300, 100}, PointD{300, 500}}) selection.AddCorner(p.x, p.y);
  selection.SetCorner(2, 1.0 / 3.0, 599.9999999999999);  // a drag leaves corners no decimal holds exactly
  selection.TurnHalf();
  const std::optional<PreviousOutline> outline = OutlineOf(selection, 400, 600);
  ASSERT_TRUE(outline);
  EXPECT_EQ(outline->model, CardModel::K3);
  EXPECT_TRUE(outline->turned);

  const std::optional<PreviousOutline> back = ParsePreviousOutline(FormatPreviousOutline(*outline));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->corners, selection.Corners());
  EXPECT_TRUE(back->turned && back->model == CardModel::K3 && back->imageWidth == 400 && back->imageHeight == 600);
}

TEST(PreviousOutline, OnlyTextOfExactlyTheStoredFormIsTrusted) {
  for (const char* bad : {"", "K5 0 400x600 1,1 2,1 2,2 1,2", "K7 2 400x600 1,1 2,1 2,2 1,2",
                          "K7 0 0x600 0,0 0,0 0,0 0,0", "K7 0 400x600 1,1 2,1 2,2", "K7 0 400x600 1,1 2,1 2,2 1,nan",
                          "K7 0 400x600 1,1 2,1 2,2 -1,2", "K7 0 400x600 1,1 401,1 2,2 1,2",
                          "K7 0 400x600 1,1 2,1 2,2 1,2 ", "K3 1 400x600 1,1 2,1 2,2 1,2x"}) {
    EXPECT_FALSE(ParsePreviousOutline(bad)) << bad;
  }
  const std::optional<PreviousOutline> k3 = ParsePreviousOutline("K3 1 10x20 0.5,1e-3 10,0 10,20 0,20");
  ASSERT_TRUE(k3);
  EXPECT_EQ(k3->model, CardModel::K3);
  EXPECT_TRUE(k3->turned);
  EXPECT_EQ(k3->corners[0], (PointD{0.5, 0.001}));
}

}  // namespace
}  // namespace tintara
