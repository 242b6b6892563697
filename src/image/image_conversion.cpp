#include "image/image_conversion.h"

#include "base/result_codes.h"
#include "engine/apply_profile.h"

namespace tintara {

Error ConvertWithProfile(ImageBuffer& image, const ProfileRecord& profile) {
  if (!profile.TransformLoaded) return kForeignProfileConvert;
  if (image.empty()) return kOk;
  if (image.unconvertedPixels() == nullptr) {
    if (Error kept = image.KeepUnconverted(); kept.failed()) return kept;
  }
  ApplyProfile(image.unconvertedPixels(), image.width(), image.height(), image.pixels(), image.stride(), false,
               profile.transform);
  image.MarkConverted(profile.name, profile.description);
  return kOk;
}

Error ConvertPixelsInPlace(ImageBuffer& image, const ProfileRecord& profile) {
  if (!profile.TransformLoaded) return kForeignProfileConvert;
  if (image.empty()) return kOk;
  ApplyProfile(image.pixels(), image.width(), image.height(), image.pixels(), image.stride(), false, profile.transform);
  image.MarkConverted(profile.name, profile.description);
  return kOk;
}

}  // namespace tintara
