// Boxes shown during Create Profile go beside the card outline, never over it.
#include <gtest/gtest.h>

#include "card/ui/card_in_sight.h"

namespace tintara {
namespace {

TEST(PlaceBoxBeside, MovesACoveringBoxToTheRoomiestSideAndLeavesOthersAlone) {
  const QRect screen(0, 0, 1600, 1000);
  const QRect box(500, 400, 400, 150);

  // A card left of centre: the box goes to its right, centred on it, clear of it.
  const QRect card(400, 300, 200, 300);
  QRect moved(PlaceBoxBeside(box, card, screen), box.size());
  EXPECT_FALSE(moved.intersects(card));
  EXPECT_GT(moved.left(), card.right());
  EXPECT_NEAR(moved.center().y(), card.center().y(), 1);

  // Near the right edge of the screen the left side has the room.
  const QRect rightCard(1300, 300, 250, 300);
  moved = QRect(PlaceBoxBeside(QRect(1200, 400, 400, 150), rightCard, screen), box.size());
  EXPECT_FALSE(moved.intersects(rightCard));
  EXPECT_LT(moved.right(), rightCard.left());

  // A card across the whole width: below it, kept on the screen.
  const QRect wide(0, 50, 1600, 500);
  moved = QRect(PlaceBoxBeside(box, wide, screen), box.size());
  EXPECT_GT(moved.top(), wide.bottom());
  EXPECT_TRUE(screen.contains(moved));

  // A box that covers nothing stays, and so does one with no room anywhere.
  EXPECT_EQ(PlaceBoxBeside(QRect(1100, 700, 400, 150), card, screen), QPoint(1100, 700));
  EXPECT_EQ(PlaceBoxBeside(box, screen, screen), box.topLeft());
  EXPECT_EQ(PlaceBoxBeside(box, QRect(), screen), box.topLeft());
}

}  // namespace
}  // namespace tintara
