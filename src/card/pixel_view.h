#pragma once

#include <cstdint>

namespace tintara {

// Read-only access to a block of 8-bit pixels laid out like the image buffer's: red, green, blue
// per pixel, rows packed (stride width x 3), top row first. Sampling is handed the buffer's
// unconverted pixels through this, so the card is always measured as it came from the file. A null
// block or a width or height of 0 or less holds no pixels.
struct PixelView {
  const uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
};

}  // namespace tintara
