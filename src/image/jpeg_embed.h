#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/error.h"

namespace tintara {

// A JPEG file held as its bytes, for giving it another profile without decoding it into pixels: the
// file as it was read, and where the stretches of its header lie between SOI and the first scan.
struct CompressedJpeg {
  // One marker segment (with any fill bytes before its marker), or stray bytes between segments,
  // which are kept as they are.
  struct Piece {
    size_t start = 0;
    size_t size = 0;
    bool leadingApp = false;  // APP0 or APP1 with nothing else before it but such segments
    bool iccProfile = false;  // an APP2 segment of an ICC profile
  };
  std::vector<uint8_t> file;
  std::vector<Piece> header;
  size_t scanStart = 0;
};

// Reads the JPEG file `path` into `jpeg`, taking it only when its header is sound up to the first
// scan and its image decodes as ReadJpeg would read it (decoded a few rows at a time: the pixels are
// not kept). With `iccProfile`, the profile the file carries, as ReadJpeg gives it. Returns 0, or a
// refusal of ReadJpeg (kImageCorrupt, kUnsupportedColourDepth, kImageTooLarge, kImageFileIsFolder,
// kCannotOpenImage); after a failure `jpeg` and the profile are empty.
Error ReadCompressedJpeg(const std::string& path, CompressedJpeg& jpeg, std::vector<uint8_t>* iccProfile = nullptr);

// Writes `jpeg`, as ReadCompressedJpeg read it, to `output` with `profile` as the ICC profile it
// carries, and with its compressed image data and every other segment byte for byte as they were:
// the image is not decoded and encoded again, so nothing of it is lost however often a profile is
// embedded (and an EXIF orientation stays true of the pixels). The profile's APP2 segments follow
// the APP0 and APP1 segments at the head of the file (JFIF, EXIF); every APP2 segment of the
// profile the file carried before is left out. `output` is replaced only by a complete file.
// Returns 0, or
//   kProfileTooLargeForJpeg  the profile needs more than 255 segments;
//   kImageTooLarge           no memory for the profile's segments;
//   kImageWriteFailed        the output could not be written (the system's cause as its detail), or
//                            `jpeg` holds no file.
Error WriteCompressedJpeg(const CompressedJpeg& jpeg, const std::string& output, std::span<const uint8_t> profile);

// Both in one: the JPEG file `input` written to `output` with `profile`, a profile too large refused
// before anything is read. `output` may be `input` itself: the file is read whole first.
Error EmbedProfileInJpeg(const std::string& input, const std::string& output, std::span<const uint8_t> profile);

}  // namespace tintara
