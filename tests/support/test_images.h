#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/image_buffer.h"

namespace tintara::test {

// Allocates `image` as width x height and fills it with a seeded sequence of bytes, each unlike its
// neighbours, so a misplaced pixel or channel shows.
void FillPattern(ImageBuffer& image, int32_t width, int32_t height, uint32_t seed = 1);

// The current pixels, and the unconverted copy, as bytes (none for an empty image or a missing copy).
std::vector<uint8_t> PixelBytes(const ImageBuffer& image);
std::vector<uint8_t> UnconvertedBytes(const ImageBuffer& image);

// Writes a FillPattern image with the program's own writer, in the format the path's extension names.
void WritePatternImage(const std::string& path, int32_t width, int32_t height, uint32_t seed = 1);

}  // namespace tintara::test
