#include "image/image_conversion.h"

#include "base/result_codes.h"
#include "engine/apply_profile.h"

namespace tintara {

int ConvertWithProfile(ImageBuffer& image, const ProfileRecord& profile) {
  if (!profile.TransformLoaded) return kForeignProfileConvert;
  if (image.empty()) return kOk;
  if (image.unconvertedPixels() == nullptr) {
    const int code = image.KeepUnconverted();
    if (code != kOk) return code;
  }
  ApplyProfile(image.unconvertedPixels(), image.width(), image.height(), image.pixels(), image.stride(), false,
               profile.transform);
  image.MarkConverted(profile.name, profile.description);
  return kOk;
}

int ConvertPixelsInPlace(ImageBuffer& image, const ProfileRecord& profile) {
  if (!profile.TransformLoaded) return kForeignProfileConvert;
  if (image.empty()) return kOk;
  ApplyProfile(image.pixels(), image.width(), image.height(), image.pixels(), image.stride(), false, profile.transform);
  image.MarkConverted(profile.name, profile.description);
  return kOk;
}

}  // namespace tintara
