#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/image_buffer.h"

namespace tintara {

// Image files are told apart by extension alone, in any letter case.
enum class ImageFormat { kUnknown, kTiff, kJpeg };

// ".tif"/".tiff" or ".jpg"/".jpeg" at the end of the path (the text from its last ".").
ImageFormat ImageFormatOf(const std::string& path);

// What a read learns besides the pixels.
struct ImageReadInfo {
  bool paletteNotice = false;        // a TIFF of fewer than 24 bits per pixel was widened to RGB
  std::vector<uint8_t> iccProfile;  // an embedded profile, empty when none (or an incomplete one)
};

// Reads a TIFF or JPEG file, by its extension, into `buffer` (current pixels only; KeepUnconverted
// is left to the caller). Returns 0 or the code of the refusal: 8 corrupt or unreadable, 9 colour
// depth, 20 compressed TIFF, 6 zero size, 7 too large, and kUnsupportedImageType for an extension
// that is neither. After a failure the buffer is empty.
int ReadImageFile(const std::string& path, ImageBuffer& buffer, ImageReadInfo* info = nullptr);

// Writes the buffer's current pixels in `format`: uncompressed 8-bit RGB TIFF, or JPEG at `quality`,
// with `iccProfile` embedded when it is not empty. The target is replaced only by a complete file.
// Returns 0 or 10 (kImageWriteFailed).
int WriteImageFile(const std::string& path, ImageFormat format, const ImageBuffer& buffer,
                   std::span<const uint8_t> iccProfile, int quality);

}  // namespace tintara
