#include "card/card_model.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/settings.h"
#include "card/card_settings.h"
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

using CardSettingsTest = test::PrivateSettingsTest;

// Each stored value reaches the one field that stands for it: no model takes the other's limits, no
// limit its opposite.
TEST_F(CardSettingsTest, EveryStoredValueReachesItsOwnField) {
  CSettings& s = Settings();
  s.SetErrorPixels(3);
  s.SetWarningPixels(4);
  s.SetInnerMarginK7(1.5);
  s.SetInnerMarginK3(2.5);
  s.SetDeviationWhiteHighK7(0.91);
  s.SetDeviationWhiteLowK7(0.71);
  s.SetDeviationBlackHighK7(0.21);
  s.SetDeviationBlackLowK7(0.011);
  s.SetDeviationWhiteHighK3(0.92);
  s.SetDeviationWhiteLowK3(0.72);
  s.SetDeviationBlackHighK3(0.22);
  s.SetDeviationBlackLowK3(0.012);
  s.SetDeviationCornersK7(0.06);
  s.SetPenaltyFactor(0.3);
  s.SetQualityControl(0.6);
  s.SetGamma(1.8);
  const CardCheckSettings c = CardCheckSettingsOf(s);
  EXPECT_EQ(c.errorPixels, 3);
  EXPECT_EQ(c.warningPixels, 4);
  const ModelCheckSettings& k7 = c.Of(CardModel::K7);
  const ModelCheckSettings& k3 = c.Of(CardModel::K3);
  EXPECT_EQ((std::vector<double>{k7.innerMargin, k7.white.high, k7.white.low, k7.black.high, k7.black.low, k7.corners}),
            (std::vector<double>{1.5, 0.91, 0.71, 0.21, 0.011, 0.06}));
  EXPECT_EQ((std::vector<double>{k3.innerMargin, k3.white.high, k3.white.low, k3.black.high, k3.black.low}),
            (std::vector<double>{2.5, 0.92, 0.72, 0.22, 0.012}));
  const FitParameters fit = FitParametersOf(s);
  EXPECT_EQ((std::vector<double>{fit.penaltyFactor, fit.qualityLimit, fit.gamma}), (std::vector<double>{0.3, 0.6, 1.8}));
}

}  // namespace
}  // namespace tintara
