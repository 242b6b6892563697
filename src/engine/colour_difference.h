#pragma once

#include <cstdint>

namespace tintara {

struct Lab {
  double L = 0.0;
  double a = 0.0;
  double b = 0.0;
};

// An 8-bit sRGB colour in CIELAB with the D65 white.
Lab SrgbToLab(uint8_t r, uint8_t g, uint8_t b);

// The CIEDE2000 colour difference (kL = kC = kH = 1).
double DeltaE2000(const Lab& first, const Lab& second);

// Both together: the difference between two 8-bit sRGB colours.
double DeltaE2000(const uint8_t (&first)[3], const uint8_t (&second)[3]);

}  // namespace tintara
