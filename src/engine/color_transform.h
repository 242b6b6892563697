#pragma once

namespace tintara {

// The transform a profile of this system applies to pixels: per-channel base curves sampled at the
// 256 8-bit codes, then a 3x3 matrix (row r gives output channel r from the three curve outputs).
struct ColorTransform {
  double baseCurves[3][256]{};
  double matrix[3][3]{};
};

}  // namespace tintara
