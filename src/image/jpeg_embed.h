#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "base/error.h"

namespace tintara {

// Writes the JPEG file `input` to `output` with `profile` as the ICC profile it carries, and with
// its compressed image data and every other segment byte for byte as they were: the image is not
// decoded and encoded again, so nothing of it is lost however often a profile is embedded (and an
// EXIF orientation stays true of the pixels). The profile's APP2 segments follow the APP0 and APP1
// segments at the head of the file (JFIF, EXIF); every APP2 segment of the profile the file carried
// before is left out. The file is taken only when its header is sound up to the first scan and its
// image decodes as ReadJpeg would read it. `output` may be `input` itself: the file is read whole
// first and replaced only by a complete file. Returns 0, or
//   a refusal of ReadJpeg (kImageCorrupt, kUnsupportedColourDepth, kImageTooLarge, kImageFileIsFolder,
//   kCannotOpenImage);
//   kProfileTooLargeForJpeg  the profile needs more than 255 segments;
//   kImageWriteFailed        the output could not be written (the system's cause as its detail).
Error EmbedProfileInJpeg(const std::string& input, const std::string& output, std::span<const uint8_t> profile);

}  // namespace tintara
