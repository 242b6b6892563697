#include "image/image_file.h"

#include <algorithm>
#include <cstring>

#include "base/file_names.h"
#include "base/result_codes.h"
#include "image/jpeg_io.h"
#include "image/tiff_io.h"

namespace tintara {

ImageFormat ImageFormatOf(const std::string& path) {
  if (HasExtension(path, ".tif") || HasExtension(path, ".tiff")) return ImageFormat::kTiff;
  if (HasExtension(path, ".jpg") || HasExtension(path, ".jpeg")) return ImageFormat::kJpeg;
  return ImageFormat::kUnknown;
}

int ReadImageFile(const std::string& path, ImageBuffer& buffer, ImageReadInfo* info) {
  buffer.Release();
  if (info) *info = ImageReadInfo{};
  switch (ImageFormatOf(path)) {
    case ImageFormat::kTiff: {
      TiffReadInfo tiffInfo;
      const int code = ReadTiff(path, buffer, &tiffInfo);
      if (info) {
        info->paletteNotice = tiffInfo.paletteNotice;
        info->iccProfile = std::move(tiffInfo.iccProfile);
      }
      return code;
    }
    case ImageFormat::kJpeg: {
      JpegImage jpeg;
      ResultCode failure = kOk;
      if (!ReadJpeg(path, jpeg, &failure)) return failure == kOk ? kImageCorrupt : failure;
      const int code = buffer.Allocate(jpeg.width, jpeg.height);
      if (code != kOk) return code;
      std::memcpy(buffer.pixels(), jpeg.pixels.get(), buffer.byteSize());
      if (info && jpeg.profile) info->iccProfile.assign(jpeg.profile.get(), jpeg.profile.get() + jpeg.profileSize);
      return kOk;
    }
    case ImageFormat::kUnknown:
      break;
  }
  return kUnsupportedImageType;
}

int WriteImageFile(const std::string& path, ImageFormat format, const ImageBuffer& buffer,
                   std::span<const uint8_t> iccProfile, int quality) {
  switch (format) {
    case ImageFormat::kTiff:
      return WriteTiff(path, buffer, iccProfile);
    case ImageFormat::kJpeg:
      return WriteJpeg(path, buffer.pixels(), buffer.width(), buffer.height(),
                       iccProfile.empty() ? nullptr : iccProfile.data(), static_cast<uint32_t>(iccProfile.size()),
                       quality)
                 ? kOk
                 : kImageWriteFailed;
    case ImageFormat::kUnknown:
      break;
  }
  return kImageWriteFailed;
}

}  // namespace tintara
