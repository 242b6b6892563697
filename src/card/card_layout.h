#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/error.h"
#include "card/card_model.h"
#include "card/card_settings.h"
#include "card/pixel_view.h"
#include "engine/reference_data.h"
#include "engine/transform_fit.h"

namespace tintara {

// One colour area of a laid-out card: its quadrilateral in image pixels and what sampling found.
// Layout and the geometry are in card_layout.cpp; Sample is in area_sampling.cpp.
struct ColorArea {
  // Corner m lies towards outline corner Pm, so the order is always top-left, top-right,
  // bottom-right, bottom-left as seen on screen.
  std::array<PointD, 4> corners{};
  bool Valid = true;
  bool Unreliable = false;
  int index = 0;
  std::array<uint8_t, 3> mean{};  // red, green, blue
  int64_t pixelCount = 0;         // pixels the last measurement averaged

  // Measures the area over the pixels at least `innerMargin` pixels inside it: sets the mean, Valid
  // and Unreliable. Returns 0, 15 (TooFewPixels: invalid) or 16 (FewPixels: unreliable), by the
  // pixel limits of `checks`.
  Error Sample(const PixelView& image, double innerMargin, const CardCheckSettings& checks);
};

// The orientation of the card within a four-corner outline: 1 when the long edge runs along P0-P3,
// 4 when it runs along P0-P1; 3 and 2 for the same with the card turned by 180 degrees. A square
// counts as 1 (or 3).
int ComputeOrientation(const std::array<PointD, 4>& corners, bool turned);

// Whether `point` lies in the quadrilateral (edges included). The corners run round it in either
// direction; a quadrilateral that is not convex counts by the even-odd rule.
bool QuadContains(const std::array<PointD, 4>& quad, const PointD& point);

// The perspective-corrected position along one card axis: parameter u (0..1) from an edge of length
// lengthAtZero towards the opposite edge of length lengthAtOne. Equal steps in u shrink towards the
// shorter edge; with equal lengths the result is u itself.
double PerspectiveParameter(double u, double lengthAtZero, double lengthAtOne);

// The colour areas of one card model laid into a four-corner outline, with their measurements.
class CardLayout {
 public:
  CardLayout() = default;
  virtual ~CardLayout() = default;
  CardLayout(const CardLayout&) = delete;
  CardLayout& operator=(const CardLayout&) = delete;

  virtual CardModel Model() const = 0;

  // Appends an area; returns the new count.
  int AddArea(const ColorArea& area);
  void ClearAreas();

  int ComputeOrientation() const { return tintara::ComputeOrientation(corners, Turned); }

  // The position in `areas` of the first area whose quadrilateral holds `point` (edges included),
  // or -1.
  int AreaAt(const PointD& point) const;

  // Rebuilds the areas from the corners and Turned: every area Valid, not Unreliable, mean 0.
  // Returns 0, or 3 (OutOfMemory) with no areas when they could not be held.
  virtual Error Layout();

  // Part of the measurement (area_sampling.cpp). SampleAreas samples every area with the model's
  // inner margin and the pixel limits of `checks`, copies the means into `samples` and gives the
  // entry of each area with a finding the weight 0 in `reference` (a working copy of the chosen
  // set). Returns 0, 16, or 15 when any area had too few pixels.
  Error SampleAreas(const PixelView& image, ReferenceSet& reference, const CardCheckSettings& checks);
  // The checks read the means SampleAreas left and the model's limits in `checks`. They only ever
  // set Unreliable or clear Valid.
  virtual Error CheckWhite(const CardCheckSettings& checks) = 0;    // 0, 18 (WhiteTooBright) or 21 (WhiteTooDark)
  virtual Error CheckBlack(const CardCheckSettings& checks) = 0;    // 0, 19 (BlackTooDark) or 22 (BlackTooBright)
  virtual Error CheckCorners(const CardCheckSettings& checks) = 0;  // 0 or 17 (UnevenCorners)

  std::array<PointD, 4> corners{};  // the selection's corners, in its order
  bool Turned = false;              // the card lies turned by 180 degrees
  std::vector<ColorArea> areas;     // in area-index order
  SampleSet samples;                // the means of the areas; entries past the area count unused

 protected:
  Error CheckWhiteArea(int area, const BrightnessLimits& limits);
  Error CheckBlackArea(int area, const BrightnessLimits& limits);
};

class CardLayoutK7 final : public CardLayout {
 public:
  CardModel Model() const override { return CardModel::K7; }
  Error CheckWhite(const CardCheckSettings& checks) override;
  Error CheckBlack(const CardCheckSettings& checks) override;
  Error CheckCorners(const CardCheckSettings& checks) override;
};

class CardLayoutK3 final : public CardLayout {
 public:
  CardModel Model() const override { return CardModel::K3; }
  Error CheckWhite(const CardCheckSettings& checks) override;
  Error CheckBlack(const CardCheckSettings& checks) override;
  // The K3 card has no corner areas.
  Error CheckCorners(const CardCheckSettings&) override { return {}; }
};

// A fresh layout of `model` with no corners or areas; null when memory ran out.
std::unique_ptr<CardLayout> MakeCardLayout(CardModel model);

}  // namespace tintara
