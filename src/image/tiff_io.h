#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "base/error.h"
#include "image/image_buffer.h"

namespace tintara {

// What the document learns from a TIFF read besides the pixels. The batch worker passes none.
struct TiffReadInfo {
  // samples x bits per pixel is below 24 (grey, bilevel, palette): the caller shows the one-time
  // notice that the image becomes 24-bit RGB. Set as soon as the file has passed the acceptance
  // checks, so it is valid even when the pixels then fail to read.
  bool paletteNotice = false;
  // The bytes of an attached ICC profile (tag 34675), exactly as stored; empty when there is none.
  std::vector<uint8_t> iccProfile;
  // The file holds more than one full-resolution image (pages); only the first was read.
  bool severalImages = false;
};

// Reads a TIFF file into `buffer` as 8-bit RGB, upright (turned and mirrored as its Orientation
// says), top row first. The image read is the file's first full-resolution one: a reduced-resolution
// preview before it is passed over. Accepted are uncompressed files with non-zero width and height
// and at most 32 bits per pixel in all (samples x bits per sample); the library's RGBA interface
// expands grey, bilevel, palette, CMYK and the other forms it knows. Alpha is dropped and the colours
// are kept as stored, whether the alpha is associated or not. Result:
//   0   the buffer holds the image (KeepUnconverted is left to the caller);
//   8   the file cannot be opened as TIFF, or its pixels cannot be read completely (a damaged or
//       truncated file is never delivered as if whole, even one cut short while it is read);
//   525 the path names a folder; 501 a FIFO, device or socket (neither is ever opened);
//   9   more than 8 bits per sample, or more than 32 bits per pixel;
//   20  compressed;
//   6   width or height is 0;
//   7   the image is too large (see kMaxPixelBlockBytes) or its memory cannot be obtained.
// When a file breaks several rules the code is chosen in the order 9 (bits per sample), 20, 6, 9.
// After any failure the buffer is empty. With `info`, the palette flag and the ICC profile are
// reported there. A refusal of the file before it is opened carries the system's cause as its detail.
Error ReadTiff(const std::string& path, ImageBuffer& buffer, TiffReadInfo* info = nullptr);

// Writes the buffer's current pixels as an uncompressed 8-bit RGB TIFF (Orientation 1, contiguous
// samples), with `iccProfile` stored unchanged in tag 34675 when it is not empty. The file is
// written beside `path` under a temporary name and renamed onto `path` only once it is complete, so
// a failed write leaves an existing file untouched and no partial file behind. Returns 0 or 10, with
// the system's cause as the detail when it gave one ("No space left on device").
Error WriteTiff(const std::string& path, const ImageBuffer& buffer, std::span<const uint8_t> iccProfile = {});

// Whether `path` names a TIFF file of more than one full-resolution image (pages), as it is on the
// disk now. False for any other file and for one that cannot be read.
bool TiffHoldsSeveralImages(const std::string& path);

namespace tiff_internal {

enum class Decoder {
  kAny,       // the direct strip read where the file allows it, otherwise the RGBA interface
  kRgbaOnly,  // always the library's RGBA interface
};

// ReadTiff with a choice of decoder, for tests that hold the direct strip read of plain 8-bit RGB
// files to the RGBA interface's result. `readDirectly`, when given, tells which one was used.
Error ReadTiffWith(const std::string& path, ImageBuffer& buffer, TiffReadInfo* info, Decoder decoder,
                   bool* readDirectly);

// While an object of this type lives, every read on this thread calls `action` between opening the
// file and reading its pixels: a test can so cut the file short the way another program may.
class BeforePixelsForTesting {
 public:
  explicit BeforePixelsForTesting(std::function<void()> action);
  ~BeforePixelsForTesting();
  BeforePixelsForTesting(const BeforePixelsForTesting&) = delete;
  BeforePixelsForTesting& operator=(const BeforePixelsForTesting&) = delete;

 private:
  std::function<void()> action_;
  const std::function<void()>* previous_;
};

}  // namespace tiff_internal

}  // namespace tintara
