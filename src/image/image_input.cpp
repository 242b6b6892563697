#include "image/image_input.h"

#include "base/file_io.h"
#include "base/result_codes.h"

namespace tintara {

namespace {

// The readers' own words for a file they cannot take, its cause kept.
Error AsImageRefusal(const Error& refusal) {
  switch (refusal.code()) {
    case kOk:
      return kOk;
    case kFileIsFolder:
      return Error(kImageFileIsFolder, refusal.detail());
    case kNotAFile:
      return Error(kCannotOpenImage, refusal.detail());
    default:
      return Error(kImageCorrupt, refusal.detail());
  }
}

}  // namespace

Error CheckImageFile(const std::string& path) { return AsImageRefusal(CheckInputFile(path)); }

Error OpenImageForReading(const std::string& path, int& fd) { return AsImageRefusal(OpenInputFile(path, fd)); }

}  // namespace tintara
