#include "image/display_bitmap.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "base/result_codes.h"
#include "base/row_bands.h"
#include "engine/apply_profile.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define TINTARA_STREAMED_SPREAD 1
#endif

namespace tintara {

Error DisplayBitmap::Resize(int32_t width, int32_t height) {
  if (block_ && width == width_ && height == height_) return kOk;
  // A quarter turn swaps the sizes: the block fits as it is, and taking a fresh one would cost
  // its every page again.
  if (block_ && width > 0 && height > 0 &&
      static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4 == block_.size()) {
    width_ = width;
    height_ = height;
    return kOk;
  }
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

#ifdef TINTARA_STREAMED_SPREAD

// Rows of a bitmap this large go to memory past the caches: it is far larger than they are, and
// otherwise every line of it would first be read only to be overwritten.
constexpr int64_t kStreamedBytes = int64_t{4} << 20;

// SpreadRow four pixels at a time by one byte shuffle, the words streamed. The row's first pixels,
// up to the first 16-byte boundary, and its last few, whose 16-byte load would run past the row,
// go the plain way.
__attribute__((target("ssse3"))) void SpreadRowStreamed(const uint8_t* rgb, uint8_t* bgrx, int width) {
  int x = 0;
  while (x < width && (reinterpret_cast<uintptr_t>(bgrx + 4 * x) & 15) != 0) ++x;
  SpreadRow(rgb, bgrx, x);
  const __m128i order = _mm_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1);
  const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  for (; x + 6 <= width; x += 4) {
    const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rgb + 3 * x));
    _mm_stream_si128(reinterpret_cast<__m128i*>(bgrx + 4 * x), _mm_or_si128(_mm_shuffle_epi8(in, order), opaque));
  }
  SpreadRow(rgb + 3 * x, bgrx + 4 * x, width - x);
}

#endif

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
#ifdef TINTARA_STREAMED_SPREAD
  if (targetStride * (endRow - firstRow) >= kStreamedBytes && __builtin_cpu_supports("ssse3")) {
    for (int y = firstRow; y < endRow; ++y) {
      SpreadRowStreamed(job.image->pixels() + sourceStride * y, job.bitmap->bits() + targetStride * y, width);
    }
    _mm_sfence();  // the streamed words are seen by whoever is told the rows are done
    return;
  }
#endif
  for (int y = firstRow; y < endRow; ++y) {
    SpreadRow(job.image->pixels() + sourceStride * y, job.bitmap->bits() + targetStride * y, width);
  }
}

}  // namespace

Error FillDisplayBitmap(DisplayBitmap& bitmap, const ImageBuffer& image, const ColorTransform* preview) {
  if (image.empty()) return kOutOfMemory;
  if (Error resized = bitmap.Resize(image.width(), image.height()); resized.failed()) return resized;
  const int height = image.height();
  const FillJob job{&image, &bitmap, preview};
  // Each part writes only its own rows, and every pixel comes out the same however the rows are
  // shared out.
  ForEachRowBand(height, static_cast<int64_t>(image.width()) * height, kParallelPixels,
                 [&](int first, int end) { FillRows(job, first, end); });
  return kOk;
}

}  // namespace tintara
