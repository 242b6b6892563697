#include "image/image_file.h"

#include <utility>

#include "base/file_io.h"
#include "base/file_names.h"
#include "base/result_codes.h"
#include "engine/icc_profile.h"
#include "image/jpeg_embed.h"
#include "image/jpeg_io.h"
#include "image/tiff_io.h"

namespace tintara {

ImageFormat ImageFormatOf(const std::string& path) {
  if (HasExtension(path, ".tif") || HasExtension(path, ".tiff")) return ImageFormat::kTiff;
  if (HasExtension(path, ".jpg") || HasExtension(path, ".jpeg")) return ImageFormat::kJpeg;
  return ImageFormat::kUnknown;
}

Error ReadImageFile(const std::string& path, ImageBuffer& buffer, ImageReadInfo* info) {
  buffer.Release();
  if (info) *info = ImageReadInfo{};
  switch (ImageFormatOf(path)) {
    case ImageFormat::kTiff: {
      TiffReadInfo tiffInfo;
      Error code = ReadTiff(path, buffer, &tiffInfo);
      if (info) {
        info->paletteNotice = tiffInfo.paletteNotice;
        info->iccProfile = std::move(tiffInfo.iccProfile);
        info->severalImages = tiffInfo.severalImages;
      }
      return code;
    }
    case ImageFormat::kJpeg:
      return ReadJpeg(path, buffer, info ? &info->iccProfile : nullptr);
    case ImageFormat::kUnknown:
      break;
  }
  return kUnsupportedImageType;
}

Error WriteImageFile(const std::string& path, ImageFormat format, const ImageBuffer& buffer,
                     std::span<const uint8_t> iccProfile, int quality) {
  switch (format) {
    case ImageFormat::kTiff:
      return WriteTiff(path, buffer, iccProfile);
    case ImageFormat::kJpeg:
      return WriteJpeg(path, buffer.pixels(), buffer.width(), buffer.height(), iccProfile, quality);
    case ImageFormat::kUnknown:
      break;
  }
  return kImageWriteFailed;
}

Error CheckKeepsEveryImage(const std::string& input, const std::string& output, const ImageReadInfo& info) {
  return info.severalImages && IsSameFile(input, output) ? kSeveralImagesInFile : kOk;
}

Error CheckFileKeepsEveryImage(const std::string& source, const std::string& output) {
  return IsSameFile(source, output) && TiffHoldsSeveralImages(output) ? kSeveralImagesInFile : kOk;
}

Error EmbedProfileInImageFile(const std::string& input, const std::string& output, ImageFormat outputFormat,
                              std::span<const uint8_t> profile, int jpegQuality) {
  if (!LooksLikeIccProfile(profile)) return kNotAnIccProfile;
  if (outputFormat == ImageFormat::kUnknown) return kUnsupportedImageType;
  if (ImageFormatOf(input) == ImageFormat::kJpeg && outputFormat == ImageFormat::kJpeg) {
    return EmbedProfileInJpeg(input, output, profile);
  }
  ImageBuffer image;
  ImageReadInfo info;
  Error code = ReadImageFile(input, image, &info);
  if (code.ok()) code = CheckKeepsEveryImage(input, output, info);
  if (code.ok()) code = WriteImageFile(output, outputFormat, image, profile, jpegQuality);
  return code;
}

}  // namespace tintara
