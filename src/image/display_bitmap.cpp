#include "image/display_bitmap.h"

#include <vector>

#include "base/result_codes.h"
#include "engine/apply_profile.h"

namespace tintara {

int DisplayBitmap::Resize(int32_t width, int32_t height) {
  if (block_ && width == width_ && height == height_) return kOk;
  Release();
  if (width <= 0 || height <= 0) return kOutOfMemory;
  if (!block_.Allocate(static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4)) return kOutOfMemory;
  width_ = width;
  height_ = height;
  return kOk;
}

void DisplayBitmap::Release() {
  block_.Free();
  width_ = 0;
  height_ = 0;
}

namespace {

// Red, green, blue rows into blue, green, red, 0xFF words.
void SpreadRow(const uint8_t* rgb, uint8_t* bgrx, int width) {
  for (int x = 0; x < width; ++x, rgb += 3, bgrx += 4) {
    bgrx[0] = rgb[2];
    bgrx[1] = rgb[1];
    bgrx[2] = rgb[0];
    bgrx[3] = 0xFF;
  }
}

}  // namespace

int FillDisplayBitmap(DisplayBitmap& bitmap, const ImageBuffer& image, const ColorTransform* preview) {
  if (image.empty()) return kOutOfMemory;
  if (const int code = bitmap.Resize(image.width(), image.height())) return code;
  const int width = image.width();
  const int height = image.height();
  std::vector<uint8_t> row;
  if (preview) row.resize(static_cast<size_t>(width) * 3);
  for (int y = 0; y < height; ++y) {
    const uint8_t* source = image.pixels() + image.stride() * y;
    if (preview) {
      ApplyProfile(source, width, 1, row.data(), width * 3, false, *preview);
      source = row.data();
    }
    SpreadRow(source, bitmap.bits() + bitmap.stride() * y, width);
  }
  return kOk;
}

}  // namespace tintara
