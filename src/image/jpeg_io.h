#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/result_codes.h"

namespace tintara {

// Largest pixel block the reader will allocate: width x height x 3 bytes must not exceed it. It is
// the per-block limit of the image buffer, so anything the reader hands over can also be held there.
// The check is made in 64 bits from the header's dimensions, before the decoder or the block takes
// any memory for the image.
inline constexpr uint64_t kJpegMaxPixelBytes = 0x7FFFFFFFu;

// An ICC profile travels in APP2 segments of at most this many profile bytes each, and a segment
// carries its chunk count in one byte, so no profile larger than 255 chunks can be embedded.
inline constexpr uint32_t kJpegIccChunkBytes = 65519;
inline constexpr uint32_t kJpegIccMaxChunks = 255;

// A decoded JPEG: RGB, 3 bytes per pixel, top row first, rows packed (stride width x 3), and the ICC
// profile the file carried, if any. The record owns both blocks.
struct JpegImage {
  std::unique_ptr<uint8_t[]> pixels;
  int32_t width = 0;
  int32_t height = 0;
  std::unique_ptr<uint8_t[]> profile;  // null when the file carries no complete profile
  uint32_t profileSize = 0;

  // Frees both blocks and zeroes every field.
  void Release();
  // width x height x 3, in 64 bits.
  uint64_t PixelByteCount() const;
};

// Reads a JPEG file into `image` (which is released first). Returns true with the record filled, or
// false with the record empty. When `failureCode` is given it receives why:
//   kOk                      the image was read;
//   kImageCorrupt            the file cannot be opened, is not a JPEG, is damaged or ends early;
//   kUnsupportedColourDepth  four-component (CMYK, YCCK) or other than 8-bit samples;
//   kImageTooLarge           the pixel block would exceed kJpegMaxPixelBytes, or it cannot be had.
// Malformed or incomplete ICC segments only mean that the image comes without a profile.
bool ReadJpeg(const std::string& path, JpegImage& image, ResultCode* failureCode = nullptr);

// Writes width x height RGB pixels (layout as in JpegImage) as a baseline JPEG of the given quality
// (1 to 100; values outside are clamped), embedding `profile` when profileSize > 0. The file is built
// beside `path` and moved onto it only once complete, so on failure (false) an existing file at
// `path` is left as it was and nothing else remains on disk.
bool WriteJpeg(const std::string& path, const uint8_t* pixels, int32_t width, int32_t height,
               const uint8_t* profile, uint32_t profileSize, int quality);

}  // namespace tintara
