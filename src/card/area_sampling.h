#pragma once

#include <array>
#include <cstdint>

#include "card/card_model.h"
#include "card/pixel_view.h"

namespace tintara {

// The quadrilateral left when `margin` pixels are taken off every side of an area whose corners are
// top-left, top-right, bottom-right, bottom-left. A margin wider than the area collapses it to a
// line or a point rather than turning it inside out.
std::array<PointD, 4> InsetQuad(const std::array<PointD, 4>& corners, double margin);

struct ScanResult {
  uint64_t sumR = 0;
  uint64_t sumG = 0;
  uint64_t sumB = 0;
  int64_t count = 0;  // pixels added to the sums
};

// Adds up the pixels inside a quadrilateral: the corners are rounded to whole pixels (halves away
// from zero) and every row is filled between pairs of edge crossings, both ends included, with a
// vertex that the outline passes straight through counted once. Only pixels inside the image are
// read: the quad may reach past the image's edges or lie wholly outside it. A quad with a corner
// that is not a finite number covers no pixels.
ScanResult ScanQuad(const std::array<PointD, 4>& quad, const PixelView& image);

}  // namespace tintara
