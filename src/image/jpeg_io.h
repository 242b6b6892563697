#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/error.h"
#include "image/image_buffer.h"

namespace tintara {

// Largest memory the reader takes for one JPEG: its pixel block (width x height x 3 bytes, the
// per-block limit of the image buffer) and the decoder's own image-sized buffers together. A
// progressive or multi-scan file keeps its coefficients for the whole image while it is read, so a
// file of a few hundred bytes could otherwise ask for gigabytes. The pixel count is checked in 64
// bits from the header's dimensions, before the decoder or the block takes any memory for the image.
inline constexpr uint64_t kJpegMaxPixelBytes = 0x7FFFFFFFu;

// The widest and tallest image the format holds.
inline constexpr int32_t kJpegMaxDimension = 65500;

// An ICC profile travels in APP2 segments of at most this many profile bytes each, and a segment
// carries its chunk count in one byte, so no profile larger than 255 chunks can be embedded.
inline constexpr uint32_t kJpegIccChunkBytes = 65519;
inline constexpr uint32_t kJpegIccMaxChunks = 255;

// Reads a JPEG file into `buffer` as RGB, upright: an EXIF orientation of 2 to 8 is applied, so the
// pixels stand as the camera meant them and the file written from them needs none. With
// `iccProfile`, the profile the file carries is put there (empty when it carries no complete one;
// malformed or incomplete ICC segments only mean that). Result:
//   0                        the buffer holds the image (KeepUnconverted is left to the caller);
//   kImageCorrupt            the file cannot be opened, is not a JPEG, is damaged or ends early;
//   kUnsupportedColourDepth  four-component (CMYK, YCCK) or other than 8-bit samples;
//   kImageTooLarge           the memory of the read would exceed kJpegMaxPixelBytes, or cannot be had;
//   kImageFileIsFolder       the path names a folder; kCannotOpenImage: a FIFO, device or socket.
// After a failure the buffer and the profile are empty. A refusal of the file before it is opened
// carries the system's cause as its detail.
Error ReadJpeg(const std::string& path, ImageBuffer& buffer, std::vector<uint8_t>* iccProfile = nullptr);

// Decodes a whole JPEG file held in memory without keeping its pixels (a few rows at a time): 0 when
// ReadJpeg would deliver the image, otherwise the code ReadJpeg would give for it. With `iccProfile`,
// the profile the file carries, as ReadJpeg gives it (empty after a failure).
Error CheckJpegData(std::span<const uint8_t> file, std::vector<uint8_t>* iccProfile = nullptr);

// Writes width x height RGB pixels (3 bytes each, top row first, rows packed) as a baseline JPEG of
// the given quality (1 to 100; values outside are clamped), embedding `profile` when it is not
// empty. The file is built beside `path` and moved onto it only once complete, so on failure an
// existing file at `path` is left as it was and nothing else remains on disk. Returns 0, or
//   kTooLargeForJpeg         wider or taller than kJpegMaxDimension;
//   kProfileTooLargeForJpeg  the profile needs more than kJpegIccMaxChunks segments;
//   kImageWriteFailed        no pixels, or the file could not be written (with the system's cause
//                            as the detail when it gave one).
Error WriteJpeg(const std::string& path, const uint8_t* pixels, int32_t width, int32_t height,
                std::span<const uint8_t> profile, int quality);

namespace jpeg_internal {

// The number of APP2 segments that carry a profile of `size` bytes.
uint32_t IccChunkCount(uint64_t size);

// The content of APP2 segment `index` (from 0) of a profile's `count` segments, as it follows the
// segment's length: "ICC_PROFILE" and a zero byte, the sequence number (from 1), the count, then the
// chunk's profile bytes.
std::vector<uint8_t> IccChunkContent(std::span<const uint8_t> profile, uint32_t index, uint32_t count);

// The orientation an APP1 segment declares (its content after the length): 1 to 8 from the
// Orientation tag (274, one SHORT) of the first directory of an "Exif\0\0" segment in either byte
// order, and 1 for anything else: another kind of segment, a missing tag, a value out of range, or
// a segment that is cut short or points outside itself anywhere on the way.
int ExifOrientation(std::span<const uint8_t> app1);

}  // namespace jpeg_internal

}  // namespace tintara
