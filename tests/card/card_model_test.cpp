#include "card/card_model.h"

#include <gtest/gtest.h>

#include "app/settings.h"
#include "support/test_environment.h"

namespace tintara {
namespace {

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
  EXPECT_EQ(AreaCount(CardModel::K7), 30);
  EXPECT_EQ(AreaCount(CardModel::K3), 3);
}

using CardModelSettingsTest = test::PrivateSettingsTest;

TEST_F(CardModelSettingsTest, EachModelReadsItsOwnInnerMarginAsItStandsNow) {
  Settings().SetInnerMarginK7(2.5);
  Settings().SetInnerMarginK3(7.25);
  EXPECT_EQ(InnerMarginSetting(CardModel::K7), 2.5);
  EXPECT_EQ(InnerMarginSetting(CardModel::K3), 7.25);
  Settings().SetInnerMarginK3(1.0);
  EXPECT_EQ(InnerMarginSetting(CardModel::K3), 1.0);
}

}  // namespace
}  // namespace tintara
