#pragma once

#include "image/image_buffer.h"
#include "profiles/profile_record.h"

namespace tintara {

// Converts the image with a profile of this system: the unconverted copy goes through the profile's
// transform into the current pixels, so converting twice gives the second profile's result alone.
// The image remembers the profile's name and description. Returns 0, or 11
// (kForeignProfileConvert) for a record without a decoded transform. An image without an
// unconverted copy takes one first (7 when it cannot be obtained).
Error ConvertWithProfile(ImageBuffer& image, const ProfileRecord& profile);

// The same conversion for an image that needs no way back (a batch item, a command-line conversion):
// the current pixels are converted where they are, with the same result, and no unconverted copy
// is taken. Returns 0 or 11.
Error ConvertPixelsInPlace(ImageBuffer& image, const ProfileRecord& profile);

}  // namespace tintara
