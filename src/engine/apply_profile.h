#pragma once

#include <cstdint>

#include "engine/color_transform.h"

namespace tintara {

// Converts `width` x `height` pixels of 8-bit RGB (rows packed) through the transform's base curves
// and matrix into `destination`, whose rows start `destinationStride` bytes apart. With `swap` the
// output is written blue, green, red (a screen bitmap's order); the input is always red, green, blue.
// Bytes between destination rows are not touched. Source and destination may be the same packed
// buffer. Large images are split into bands of rows converted in parallel; every pixel's result is
// the same however the work is split.
void ApplyProfile(const uint8_t* source, int width, int height, uint8_t* destination, int64_t destinationStride,
                  bool swap, const ColorTransform& transform);

// The conversion straight into a screen bitmap's 32-bit words, on the calling thread: every pixel
// becomes the bytes blue, green, red (exactly what ApplyProfile with `swap` writes) and 0xFF.
// `destinationStride` is the distance between word rows in bytes; bytes past width x 4 are not
// touched.
void ApplyProfileToScreenWords(const uint8_t* source, int width, int height, uint8_t* destination,
                               int64_t destinationStride, const ColorTransform& transform);

// Lets tests reach the four-pixel path on processors that would take the eight-pixel one: while an
// object of this type lives, conversions on every thread use only the narrower path.
class WidePixelsOffForTesting {
 public:
  WidePixelsOffForTesting();
  ~WidePixelsOffForTesting();
  WidePixelsOffForTesting(const WidePixelsOffForTesting&) = delete;
  WidePixelsOffForTesting& operator=(const WidePixelsOffForTesting&) = delete;

 private:
  [[maybe_unused]] bool previous_;
};

}  // namespace tintara
