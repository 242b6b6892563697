// The outline kept between sessions: its text read back to the bit, and nothing else trusted.
#include "card/previous_outline.h"

#include <gtest/gtest.h>

namespace tintara {
namespace {

TEST(PreviousOutline, AnOutlineComesBackFromItsTextToTheBit) {
  // A drag leaves corners that no short decimal holds exactly.
  const PreviousOutline outline{{{{100.1, 1.0 / 3.0}, {300, 100}, {399.99999999999994, 500}, {0, 600}}}, true,
                                CardModel::K3, 400, 600};
  const std::optional<PreviousOutline> back = ParsePreviousOutline(FormatPreviousOutline(outline));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->corners, outline.corners);
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
