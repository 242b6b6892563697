#include "image/image_buffer.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "base/result_codes.h"
#include "image/quarter_turn.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <sys/mman.h>
#endif

namespace tintara {

namespace {

// Number of page allocations still allowed on this thread; negative means no limit (see
// PageAllocationFailureForTesting).
thread_local int allocationsAllowedForTesting = -1;

void* ObtainPages(size_t bytes) {
  if (allocationsAllowedForTesting == 0) return nullptr;
  if (allocationsAllowedForTesting > 0) --allocationsAllowedForTesting;
#ifdef _WIN32
  return VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
#else
  void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
#ifdef MADV_HUGEPAGE
  // A photograph's block is tens of megabytes: in huge pages it costs a few hundred page faults
  // instead of thousands. Only a hint; without huge pages the block works the same.
  constexpr size_t kHugePageWorthwhile = size_t(4) << 20;
  if (bytes >= kHugePageWorthwhile) madvise(p, bytes, MADV_HUGEPAGE);
#endif
  return p;
#endif
}

void ReturnPages(void* p, size_t bytes) {
#ifdef _WIN32
  (void)bytes;
  VirtualFree(p, 0, MEM_RELEASE);
#else
  munmap(p, bytes);
#endif
}

void MirrorRows(uint8_t* pixels, int64_t width, int64_t height) {
  for (int64_t y = 0; y < height; ++y) {
    uint8_t* left = pixels + y * width * 3;
    uint8_t* right = left + (width - 1) * 3;
    for (; left < right; left += 3, right -= 3) std::swap_ranges(left, left + 3, right);
  }
}

void FlipRows(uint8_t* pixels, int64_t width, int64_t height) {
  const int64_t stride = width * 3;
  for (int64_t top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
    std::swap_ranges(pixels + top * stride, pixels + (top + 1) * stride, pixels + bottom * stride);
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// PageBlock

PageBlock::PageBlock(PageBlock&& other) noexcept { swap(other); }

PageBlock& PageBlock::operator=(PageBlock&& other) noexcept {
  if (this != &other) {
    Free();
    swap(other);
  }
  return *this;
}

void PageBlock::swap(PageBlock& other) noexcept {
  std::swap(data_, other.data_);
  std::swap(size_, other.size_);
}

bool PageBlock::Allocate(uint64_t bytes) {
  Free();
  if (bytes == 0 || bytes > kMaxPixelBlockBytes) return false;
  void* p = ObtainPages(static_cast<size_t>(bytes));
  if (!p) return false;
  data_ = static_cast<uint8_t*>(p);
  size_ = static_cast<size_t>(bytes);
  return true;
}

void PageBlock::Free() {
  if (data_) ReturnPages(data_, size_);
  data_ = nullptr;
  size_ = 0;
}

PageAllocationFailureForTesting::PageAllocationFailureForTesting(int allowedAllocations)
    : previous_(allocationsAllowedForTesting) {
  allocationsAllowedForTesting = std::max(allowedAllocations, 0);
}

PageAllocationFailureForTesting::~PageAllocationFailureForTesting() { allocationsAllowedForTesting = previous_; }

// ---------------------------------------------------------------------------------------------
// ImageBuffer

ImageBuffer::ImageBuffer(ImageBuffer&& other) noexcept { *this = std::move(other); }

ImageBuffer& ImageBuffer::operator=(ImageBuffer&& other) noexcept {
  if (this != &other) {
    Release();
    pixels_.swap(other.pixels_);
    unconverted_.swap(other.unconverted_);
    std::swap(byteSize_, other.byteSize_);
    std::swap(width_, other.width_);
    std::swap(height_, other.height_);
    std::swap(converted_, other.converted_);
    conversionProfileName_.swap(other.conversionProfileName_);
    conversionProfileDescription_.swap(other.conversionProfileDescription_);
  }
  return *this;
}

Error ImageBuffer::Allocate(int32_t width, int32_t height) {
  Release();
  if (width <= 0 || height <= 0) return kIllegalImageSize;
  const uint64_t bytes = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 3u;
  if (bytes > kMaxPixelBlockBytes) return kImageTooLarge;
  if (!pixels_.Allocate(bytes)) return kImageTooLarge;
  byteSize_ = static_cast<uint32_t>(bytes);
  width_ = width;
  height_ = height;
  return kOk;
}

Error ImageBuffer::KeepUnconverted() {
  if (!pixels_) return kOk;
  if (!unconverted_ && !unconverted_.Allocate(byteSize_)) return kImageTooLarge;
  std::memcpy(unconverted_.data(), pixels_.data(), byteSize_);
  return kOk;
}

void ImageBuffer::RestoreUnconverted() {
  if (!unconverted_ || !pixels_) return;
  std::memcpy(pixels_.data(), unconverted_.data(), byteSize_);
  converted_ = false;
}

Error ImageBuffer::RotateClockwise() { return Rotate(true); }

Error ImageBuffer::RotateCounterClockwise() { return Rotate(false); }

Error ImageBuffer::Rotate(bool clockwise) {
  if (!pixels_) return kOk;
  // One working block serves both images: the current pixels are turned into it and the blocks
  // change places, then the old pixel block, now free, takes the turned unconverted copy. Nothing
  // is copied back and no more than one extra block is ever held.
  PageBlock work;
  if (!work.Allocate(byteSize_)) return kImageTooLarge;
  TurnQuarter(pixels_.data(), work.data(), width_, height_, clockwise);
  pixels_.swap(work);
  if (unconverted_) {
    TurnQuarter(unconverted_.data(), work.data(), width_, height_, clockwise);
    unconverted_.swap(work);
  }
  std::swap(width_, height_);
  return kOk;
}

void ImageBuffer::MirrorHorizontally() {
  if (pixels_) MirrorRows(pixels_.data(), width_, height_);
  if (unconverted_) MirrorRows(unconverted_.data(), width_, height_);
}

void ImageBuffer::FlipVertically() {
  if (pixels_) FlipRows(pixels_.data(), width_, height_);
  if (unconverted_) FlipRows(unconverted_.data(), width_, height_);
}

void ImageBuffer::Release() {
  pixels_.Free();
  unconverted_.Free();
  byteSize_ = 0;
  width_ = 0;
  height_ = 0;
  converted_ = false;
  std::string().swap(conversionProfileName_);
  std::string().swap(conversionProfileDescription_);
}

void ImageBuffer::MarkConverted(std::string profileName, std::string profileDescription) {
  converted_ = true;
  conversionProfileName_ = std::move(profileName);
  conversionProfileDescription_ = std::move(profileDescription);
}

Error TurnUpright(ImageBuffer& image, int orientation) {
  // The quarter turn first (the only step that can fail), then the mirror that completes it.
  Error code;
  switch (orientation) {
    case 5:
    case 6:
    case 7:
      code = image.RotateClockwise();
      break;
    case 8:
      code = image.RotateCounterClockwise();
      break;
    default:
      break;
  }
  if (code.failed()) return code;
  switch (orientation) {
    case 2:
    case 5:
      image.MirrorHorizontally();
      break;
    case 3:
      image.MirrorHorizontally();
      image.FlipVertically();
      break;
    case 4:
    case 7:
      image.FlipVertically();
      break;
    default:
      break;
  }
  return kOk;
}

}  // namespace tintara
