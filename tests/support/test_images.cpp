#include "support/test_images.h"

#include <gtest/gtest.h>

#include "base/result_codes.h"
#include "image/image_file.h"

namespace tintara::test {

void FillPattern(ImageBuffer& image, int32_t width, int32_t height, uint32_t seed) {
  ASSERT_EQ(image.Allocate(width, height), kOk);
  uint32_t state = seed;
  for (uint32_t i = 0; i < image.byteSize(); ++i) {
    state = state * 1664525u + 1013904223u;
    image.pixels()[i] = static_cast<uint8_t>(state >> 24);
  }
}

std::vector<uint8_t> PixelBytes(const ImageBuffer& image) {
  if (image.empty()) return {};
  return {image.pixels(), image.pixels() + image.byteSize()};
}

std::vector<uint8_t> UnconvertedBytes(const ImageBuffer& image) {
  if (!image.unconvertedPixels()) return {};
  return {image.unconvertedPixels(), image.unconvertedPixels() + image.byteSize()};
}

void WritePatternImage(const std::string& path, int32_t width, int32_t height, uint32_t seed) {
  ImageBuffer image;
  FillPattern(image, width, height, seed);
  ASSERT_EQ(WriteImageFile(path, ImageFormatOf(path), image, {}, 90), kOk) << path;
}

}  // namespace tintara::test
