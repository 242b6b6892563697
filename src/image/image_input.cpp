#include "image/image_input.h"

#include "base/file_io.h"
#include "base/result_codes.h"

namespace tintara {

namespace {

int RefusalOf(InputFileCheck check) {
  switch (check) {
    case InputFileCheck::kReadable:
      return kOk;
    case InputFileCheck::kFolder:
      return kImageFileIsFolder;
    case InputFileCheck::kNotAFile:
      return kCannotOpenImage;
    default:
      return kImageCorrupt;
  }
}

}  // namespace

int CheckImageFile(const std::string& path) { return RefusalOf(CheckInputFile(path)); }

int OpenImageForReading(const std::string& path, int& fd) {
  InputFileCheck check;
  fd = OpenInputFile(path, check);
  return fd < 0 ? RefusalOf(check) : kOk;
}

}  // namespace tintara
