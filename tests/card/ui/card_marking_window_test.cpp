#include <gtest/gtest.h>

#include <QTest>
#include <cstdio>

#include "card/card_layout.h"
#include "card/ui/card_window_fixture.h"
#include "card/ui/marking_commands.h"
#include "image/ui/image_commands.h"
#include "image/ui/tintara_doc.h"

namespace tintara {
namespace {

using CardMarkingWindowTest = test::CardWindowTest;

// The marking commands in the main window: enabled with a complete outline, run on the active
// view, and the tool and model kept the same in the frame and the view.
TEST_F(CardMarkingWindowTest, CommandsFollowTheOutlineAndShareToolAndModel) {
  OpenCard();
  CTintaraView* view = frame_->ActiveView();
  CMarkingTool* marking = &Marking();
  ASSERT_TRUE(marking->selection().Complete());
  const auto action = [&](int id) { return frame_->Action(id); };
  EXPECT_TRUE(action(cmd::kUnmark)->isEnabled());
  EXPECT_TRUE(action(cmd::kTurnSelection)->isEnabled());

  action(cmd::kTurnSelection)->trigger();
  EXPECT_TRUE(marking->selection().Layout()->Turned);
  action(cmd::kMarkK3)->trigger();
  EXPECT_EQ(marking->cardModel(), CardModel::K3);
  EXPECT_EQ(view->tool(), ViewTool::kMark);
  EXPECT_TRUE(action(cmd::kToolMark)->isChecked());
  EXPECT_EQ(marking->selection().Layout()->areas.size(), 3u);
  EXPECT_TRUE(marking->selection().Layout()->Turned);
  action(cmd::kToolZoomIn)->trigger();
  EXPECT_EQ(view->tool(), ViewTool::kZoomIn);
  EXPECT_TRUE(action(cmd::kToolZoomIn)->isChecked());
  EXPECT_FALSE(action(cmd::kToolMark)->isChecked());

  const auto corners = marking->selection().Corners();
  action(cmd::kUnmark)->trigger();
  EXPECT_FALSE(marking->selection().Complete());
  EXPECT_FALSE(action(cmd::kUnmark)->isEnabled());
  EXPECT_FALSE(action(cmd::kTurnSelection)->isEnabled());

  // The K3 outline comes back with its model, though K7 was chosen since.
  action(cmd::kMarkK7)->trigger();
  ASSERT_TRUE(action(cmd::kUsePreviousOutline)->isEnabled());
  action(cmd::kUsePreviousOutline)->trigger();
  EXPECT_EQ(marking->selection().Corners(), corners);
  EXPECT_EQ(frame_->marking().cardModel(), CardModel::K3);
  EXPECT_EQ(marking->selection().Layout()->areas.size(), 3u);
  EXPECT_EQ(frame_->imageCommands().tool(), ViewTool::kMove);
  EXPECT_TRUE(action(cmd::kToolMove)->isChecked());

  // A quarter turn of the image turns the outline; the same outline no longer fits the image.
  action(cmd::kRotateCw)->trigger();
  ASSERT_TRUE(marking->selection().Complete());
  EXPECT_EQ(marking->selection().Corners()[0].x, frame_->ActiveDocument()->image().width() - corners[3].y);
  EXPECT_FALSE(action(cmd::kUsePreviousOutline)->isEnabled());
}

TEST_F(CardMarkingWindowTest, ThreePressesInTheWindowHandTheMoveToolToTheFrame) {
  OpenCard();
  CTintaraView* view = frame_->ActiveView();
  CMarkingTool* marking = &Marking();
  frame_->Action(cmd::kUnmark)->trigger();
  frame_->Action(cmd::kToolMark)->trigger();
  EXPECT_EQ(frame_->imageCommands().tool(), ViewTool::kMark);
  double c[6];
  ASSERT_EQ(std::sscanf(corners_.c_str(), "%lf,%lf,%lf,%lf,%lf,%lf", &c[0], &c[1], &c[2], &c[3], &c[4], &c[5]), 6);
  const double r = view->DeviceRatio();
  for (int i = 0; i < 3; ++i) {
    const QPointF w = view->ImageToWindow({c[2 * i], c[2 * i + 1]});
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(int(w.x() / r + 0.5), int(w.y() / r + 0.5)));
  }
  ASSERT_TRUE(marking->selection().Complete());
  EXPECT_EQ(frame_->imageCommands().tool(), ViewTool::kMove);
  EXPECT_TRUE(frame_->Action(cmd::kToolMove)->isChecked());
  EXPECT_TRUE(frame_->Action(cmd::kCreateProfile)->isEnabled());
  EXPECT_TRUE(frame_->Action(cmd::kTurnSelection)->isEnabled());
  EXPECT_EQ(presenter_.Of("once").size(), 1u);
}

}  // namespace
}  // namespace tintara
