#include "image/image_input.h"

#include "base/file_io.h"
#include "base/result_codes.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tintara {

int CheckImageFile(const std::string& path) {
  switch (CheckInputFile(path)) {
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

int OpenImageForReading(const std::string& path, int& fd) {
  fd = -1;
  if (const int code = CheckImageFile(path); code != kOk) return code;
#ifdef _WIN32
  // Names of the file system here are files or folders; the look above has told them apart.
  fd = _open(path.c_str(), _O_RDONLY | _O_BINARY);
  return fd < 0 ? kImageCorrupt : kOk;
#else
  fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return kImageCorrupt;
  struct stat opened {};
  if (fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode)) return kOk;
  const int code = S_ISDIR(opened.st_mode) ? kImageFileIsFolder : kCannotOpenImage;
  close(fd);
  fd = -1;
  return code;
#endif
}

}  // namespace tintara
