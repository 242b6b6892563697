#pragma once

#include <cstdint>
#include <memory>

#include "support/run_command.h"

namespace tintara::test {

// Installs, for its lifetime, a settings record of the process on a private file in a folder of its
// own, so a test can change settings without touching the user's.
class PrivateSettings {
 public:
  PrivateSettings();
  ~PrivateSettings();
  PrivateSettings(const PrivateSettings&) = delete;
  PrivateSettings& operator=(const PrivateSettings&) = delete;

 private:
  TempDir dir_;
};

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
