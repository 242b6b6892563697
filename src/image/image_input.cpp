#include "image/image_input.h"

#include "base/file_io.h"
#include "base/result_codes.h"

namespace tintara {

namespace {

Error RefusalOf(InputFileCheck check, const std::string& cause) {
  switch (check) {
    case InputFileCheck::kReadable:
      return kOk;
    case InputFileCheck::kFolder:
      return Error(kImageFileIsFolder, cause);
    case InputFileCheck::kNotAFile:
      return Error(kCannotOpenImage, cause);
    default:
      return Error(kImageCorrupt, cause);
  }
}

}  // namespace

Error CheckImageFile(const std::string& path) {
  std::string cause;
  const InputFileCheck check = CheckInputFile(path, &cause);
  return RefusalOf(check, cause);
}

Error OpenImageForReading(const std::string& path, int& fd) {
  InputFileCheck check;
  std::string cause;
  fd = OpenInputFile(path, check, &cause);
  return fd < 0 ? RefusalOf(check, cause) : Error();
}

}  // namespace tintara
