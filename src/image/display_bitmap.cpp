#include "image/display_bitmap.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <system_error>
#include <thread>
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

// Red, green, blue pixels into blue, green, red, 0xFF words.
void SpreadRow(const uint8_t* rgb, uint8_t* bgrx, int width) {
  if (width <= 0) return;
  if constexpr (std::endian::native == std::endian::little) {
    // One 4-byte load and one 4-byte store per pixel: the loaded word holds R, G, B in its low three
    // bytes, and reversing its bytes and shifting puts them where the word 0xFFRRGGBB wants them
    // (the bytes B, G, R, 0xFF in memory). The load takes one byte beyond the pixel, so the last
    // pixel of a row, whose next byte may lie past the image, is read byte by byte.
    int x = 0;
    for (; x + 1 < width; ++x, rgb += 3, bgrx += 4) {
      uint32_t loaded;
      std::memcpy(&loaded, rgb, 4);
      const uint32_t word = 0xFF000000u | (__builtin_bswap32(loaded) >> 8);
      std::memcpy(bgrx, &word, 4);
    }
    const uint32_t word = 0xFF000000u | (uint32_t{rgb[0]} << 16) | (uint32_t{rgb[1]} << 8) | uint32_t{rgb[2]};
    std::memcpy(bgrx, &word, 4);
  } else {
    for (int x = 0; x < width; ++x, rgb += 3, bgrx += 4) {
      bgrx[0] = rgb[2];
      bgrx[1] = rgb[1];
      bgrx[2] = rgb[0];
      bgrx[3] = 0xFF;
    }
  }
}

struct FillJob {
  const ImageBuffer* image;
  DisplayBitmap* bitmap;
  const ColorTransform* preview;
};

void FillRows(const FillJob& job, int firstRow, int endRow) {
  const int width = job.image->width();
  const int64_t sourceStride = job.image->stride();
  const int64_t targetStride = job.bitmap->stride();
  if (job.preview) {
    // The conversion writes the screen words itself: no intermediate copy of the converted rows.
    ApplyProfileToScreenWords(job.image->pixels() + sourceStride * firstRow, width, endRow - firstRow,
                              job.bitmap->bits() + targetStride * firstRow, targetStride, *job.preview);
    return;
  }
  for (int y = firstRow; y < endRow; ++y) {
    SpreadRow(job.image->pixels() + sourceStride * y, job.bitmap->bits() + targetStride * y, width);
  }
}

// Below this many pixels a second thread costs more than it saves.
constexpr int64_t kParallelPixels = 1 << 18;

}  // namespace

int FillDisplayBitmap(DisplayBitmap& bitmap, const ImageBuffer& image, const ColorTransform* preview) {
  if (image.empty()) return kOutOfMemory;
  if (const int code = bitmap.Resize(image.width(), image.height())) return code;
  const int height = image.height();
  const FillJob job{&image, &bitmap, preview};
  const int64_t pixels = static_cast<int64_t>(image.width()) * height;
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const int parts = pixels < kParallelPixels ? 1 : static_cast<int>(std::min<int64_t>(cores, height));
  // Each part writes only its own rows, and every pixel comes out the same however the rows are
  // shared out.
  auto partStart = [&](int p) { return static_cast<int>(static_cast<int64_t>(height) * p / parts); };
  std::vector<std::thread> workers;
  int serialFrom = parts;
  for (int p = 1; p < parts; ++p) {
    try {
      workers.emplace_back(FillRows, std::cref(job), partStart(p), partStart(p + 1));
    } catch (const std::system_error&) {
      serialFrom = p;  // no thread to be had: this thread does the rest
      break;
    }
  }
  FillRows(job, 0, partStart(1));
  if (serialFrom < parts) FillRows(job, partStart(serialFrom), height);
  for (std::thread& w : workers) w.join();
  return kOk;
}

}  // namespace tintara
