#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/error.h"

namespace tintara {

// The largest block of pixel memory this program asks for in one piece (2^31 - 1 bytes). Every
// image byte count (width x height x 3 for a pixel block, width x height x 4 for the TIFF reader's
// RGBA raster) is computed in 64 bits and compared with this before anything is allocated, so an
// image whose sizes would wrap in 32 bits is refused instead of being given a short block.
inline constexpr uint64_t kMaxPixelBlockBytes = 0x7FFFFFFFu;

// A block of committed read-write pages taken straight from the operating system rather than the
// general heap: photographs are tens of megabytes and are held several times over, and pages given
// back here return to the system at once. Failure is reported by an empty block, never by an
// exception or an abort. Move-only; the pages are given back when the block goes.
class PageBlock {
 public:
  PageBlock() = default;
  ~PageBlock() { Free(); }
  PageBlock(PageBlock&& other) noexcept;
  PageBlock& operator=(PageBlock&& other) noexcept;
  PageBlock(const PageBlock&) = delete;
  PageBlock& operator=(const PageBlock&) = delete;

  // Gives back any block held, then obtains `bytes` bytes (zero-filled by the system). Returns false,
  // holding nothing, when `bytes` is 0, above kMaxPixelBlockBytes, or the system refuses.
  bool Allocate(uint64_t bytes);
  void Free();

  uint8_t* data() { return data_; }
  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  explicit operator bool() const { return data_ != nullptr; }

  void swap(PageBlock& other) noexcept;

 private:
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

// Lets tests reach the out-of-memory paths: while an object of this type lives, the first
// `allowedAllocations` page allocations on this thread succeed and every later one fails.
class PageAllocationFailureForTesting {
 public:
  explicit PageAllocationFailureForTesting(int allowedAllocations);
  ~PageAllocationFailureForTesting();
  PageAllocationFailureForTesting(const PageAllocationFailureForTesting&) = delete;
  PageAllocationFailureForTesting& operator=(const PageAllocationFailureForTesting&) = delete;

 private:
  int previous_;
};

// The in-memory photograph: current pixels plus, once KeepUnconverted has run, a copy of the pixels
// as they were read, so every conversion starts from the original and can be undone. Both blocks are
// 8-bit R, G, B, top row first, rows packed (stride exactly width x 3, no padding).
//
// Operations that can fail return a result code (app/result_codes.h): 0, 6 (zero or negative size)
// or 7 (the block is too large or cannot be obtained). Nothing throws.
class ImageBuffer {
 public:
  ImageBuffer() = default;
  ~ImageBuffer() { Release(); }
  ImageBuffer(ImageBuffer&& other) noexcept;
  ImageBuffer& operator=(ImageBuffer&& other) noexcept;
  ImageBuffer(const ImageBuffer&) = delete;
  ImageBuffer& operator=(const ImageBuffer&) = delete;

  // Obtains the pixel block for a width x height image (contents zero). Anything the buffer held
  // before is given back first, so the unconverted copy can never be left with another size.
  // 6 when width or height is 0 or negative; 7 when width x height x 3 exceeds kMaxPixelBlockBytes
  // or the block cannot be obtained. On a refusal the buffer is left empty.
  Error Allocate(int32_t width, int32_t height);

  // Copies the current pixels into the unconverted block (taken on first use). 7 when it cannot be
  // obtained; 0 with nothing done when the buffer has no pixels.
  Error KeepUnconverted();

  // Copies the unconverted pixels back over the current ones and clears the converted flag; the
  // profile name and description stay. Does nothing without an unconverted copy.
  void RestoreUnconverted();

  // Quarter turns of the current pixels and, when it exists, of the unconverted copy, so a later
  // RestoreUnconverted gives the original pixels in the new orientation. Width and height change
  // places. 7 when the working block cannot be obtained; the image is then left exactly as it was.
  Error RotateClockwise();
  Error RotateCounterClockwise();

  // Mirror images of the current pixels and, when it exists, of the unconverted copy, made in place:
  // left and right change places, or top and bottom. Nothing is allocated, so nothing can fail.
  void MirrorHorizontally();
  void FlipVertically();

  // Gives back both blocks and forgets the size, the converted flag and the profile strings.
  void Release();

  // Records that `pixels()` now hold a conversion of the unconverted copy by the named profile.
  void MarkConverted(std::string profileName, std::string profileDescription);

  uint8_t* pixels() { return pixels_.data(); }
  const uint8_t* pixels() const { return pixels_.data(); }
  // The pixels as read from the file; null until KeepUnconverted has run.
  uint8_t* unconvertedPixels() { return unconverted_.data(); }
  const uint8_t* unconvertedPixels() const { return unconverted_.data(); }

  // width x height x 3: the size of each block in bytes.
  uint32_t byteSize() const { return byteSize_; }
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  // Bytes from one row start to the next: width x 3.
  int64_t stride() const { return static_cast<int64_t>(width_) * 3; }
  bool empty() const { return !pixels_; }

  bool converted() const { return converted_; }
  const std::string& conversionProfileName() const { return conversionProfileName_; }
  const std::string& conversionProfileDescription() const { return conversionProfileDescription_; }

 private:
  Error Rotate(bool clockwise);

  PageBlock pixels_;
  uint32_t byteSize_ = 0;
  PageBlock unconverted_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  bool converted_ = false;
  std::string conversionProfileName_;
  std::string conversionProfileDescription_;
};

// Makes pixels stored in one of the eight orientations of TIFF and EXIF stand upright. The number
// says where the stored first row and first column belong: 1 top and left (nothing to do), 2 top and
// right, 3 bottom and right, 4 bottom and left, 5 left and top, 6 right and top, 7 right and bottom,
// 8 left and bottom. Any other number is taken as 1. Returns 0, or 7 when the working block of a
// quarter turn (5 to 8) cannot be obtained; the image is then left as it was.
Error TurnUpright(ImageBuffer& image, int orientation);

}  // namespace tintara
