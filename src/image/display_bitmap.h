#pragma once

#include <cstdint>

#include "engine/color_transform.h"
#include "image/image_buffer.h"

namespace tintara {

// The screen copy of a document's image: 4 bytes per pixel, blue, green, red and an unused byte
// that is always 0xFF, top row first, rows packed (stride width x 4). That is the byte order of the
// 32-bit format X11 screens and Qt's QImage::Format_RGB32 use on little-endian machines, so the
// view paints it, and scales the visible part of it, without converting a single pixel.
class DisplayBitmap {
 public:
  // Makes room for a width x height image. A block of that many pixels already held is kept, also
  // for the turned sizes (its pixels are filled again anyway). Returns 0, or 3 (kOutOfMemory) when the pixels cannot be obtained;
  // the bitmap is then empty.
  Error Resize(int32_t width, int32_t height);
  void Release();

  uint8_t* bits() { return block_.data(); }
  const uint8_t* bits() const { return block_.data(); }
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  int64_t stride() const { return static_cast<int64_t>(width_) * 4; }
  bool empty() const { return !block_; }

 private:
  PageBlock block_;
  int32_t width_ = 0;
  int32_t height_ = 0;
};

// Fills the bitmap (resized to the image) from the image's current pixels: as they are, or, with
// `preview` (the transform of an embedded profile of this system), as converting the image with
// that profile would make them. Returns 0 or 3.
Error FillDisplayBitmap(DisplayBitmap& bitmap, const ImageBuffer& image, const ColorTransform* preview);

}  // namespace tintara
