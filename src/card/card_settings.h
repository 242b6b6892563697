#pragma once

#include "card/card_model.h"
#include "engine/profile_engine.h"

namespace tintara {

class CSettings;

// How bright an area may be, as fractions of the full scale 255: above `high` or below `low` is a
// finding.
struct BrightnessLimits {
  double high = 0.0;
  double low = 0.0;
};

// What the measurement of one card model depends on.
struct ModelCheckSettings {
  double innerMargin = 0.0;  // image pixels taken off every side of an area before it is measured
  BrightnessLimits white;
  BrightnessLimits black;
  double corners = 0.0;  // how far a corner area may stray from the corners' mean (K7 only)
};

// Everything sampling and the checks take from the user's settings, handed to them as a value so the
// card can be measured with any limits, wherever the values come from.
struct CardCheckSettings {
  int errorPixels = 0;    // an area of this many pixels or fewer is invalid
  int warningPixels = 0;  // ... and of this many or fewer unreliable
  ModelCheckSettings k7;
  ModelCheckSettings k3;

  const ModelCheckSettings& Of(CardModel model) const { return model == CardModel::K3 ? k3 : k7; }
};

// The values as the settings store holds them now. Only the shells read the store; they hand these
// on to the flows they run.
CardCheckSettings CardCheckSettingsOf(const CSettings& settings);
FitParameters FitParametersOf(const CSettings& settings);

}  // namespace tintara
