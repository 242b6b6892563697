#pragma once

#include <cstdint>

namespace tintara::test {

// While it lives, files of this process cannot grow beyond `bytes`, and a write past the limit fails
// (SIGXFSZ ignored) the way a write to a full disk does.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(uint64_t bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  uint64_t savedCurrent_;
  void (*savedHandler_)(int);
};

}  // namespace tintara::test
