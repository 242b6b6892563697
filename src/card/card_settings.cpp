#include "card/card_settings.h"

#include "app/settings.h"

namespace tintara {

CardCheckSettings CardCheckSettingsOf(const CSettings& settings) {
  CardCheckSettings checks;
  checks.errorPixels = settings.ErrorPixels();
  checks.warningPixels = settings.WarningPixels();
  checks.k7.innerMargin = settings.InnerMarginK7();
  checks.k7.white = {settings.DeviationWhiteHighK7(), settings.DeviationWhiteLowK7()};
  checks.k7.black = {settings.DeviationBlackHighK7(), settings.DeviationBlackLowK7()};
  checks.k7.corners = settings.DeviationCornersK7();
  checks.k3.innerMargin = settings.InnerMarginK3();
  checks.k3.white = {settings.DeviationWhiteHighK3(), settings.DeviationWhiteLowK3()};
  checks.k3.black = {settings.DeviationBlackHighK3(), settings.DeviationBlackLowK3()};
  return checks;
}

FitParameters FitParametersOf(const CSettings& settings) {
  return {settings.PenaltyFactor(), settings.QualityControl(), settings.Gamma()};
}

}  // namespace tintara
