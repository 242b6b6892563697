#pragma once

#include <array>
#include <span>

#include "engine/reference_data.h"

namespace tintara {

// The two Lumeno cards the program can measure.
enum class CardModel { K7, K3 };

// A point in image pixels: x grows to the right from the image's left edge, y downwards from its
// top edge. Positions between pixels are meaningful, so both are doubles.
struct PointD {
  double x = 0.0;
  double y = 0.0;

  friend bool operator==(const PointD&, const PointD&) = default;
};

// A point in normalised card coordinates: u along the card's short edge, v along its long edge,
// both 0 at the card's origin corner and 1 at the opposite edges.
struct CardCoord {
  double u = 0.0;
  double v = 0.0;
};

// One colour area of a card: the corners of its rectangle in the order (umin, vmin), (umax, vmin),
// (umax, vmax), (umin, vmax).
using AreaCorners = std::array<CardCoord, 4>;

inline constexpr int kK7AreaCount = 30;
inline constexpr int kK3AreaCount = 3;

// The areas the quality checks look at.
inline constexpr int kK7WhiteArea = 8;
inline constexpr int kK7BlackArea = 3;
inline constexpr int kK3WhiteArea = 0;
inline constexpr int kK3BlackArea = 2;
inline constexpr std::array<int, 4> kK7CornerAreas = {0, 9, 20, 29};

// The area table of a model, in area-index order (30 areas for K7, 3 for K3). The area index is
// also the index of the area's sample and of its reference entry.
std::span<const AreaCorners> AreaTable(CardModel model);
int AreaCount(CardModel model);

// Whether a reference set belongs to cards of `model`: one entry per colour area. A set of the other
// model would be fitted area by area against the wrong colours, or hardly at all.
bool FitsCardModel(const ReferenceSet& set, CardModel model);

}  // namespace tintara
