#include "base/file_io.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <process.h>
#define TINTARA_GETPID _getpid
#else
#include <unistd.h>
#define TINTARA_GETPID getpid
#endif

namespace tintara {

ReadStatus ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, uint64_t maxSize) {
  bytes.clear();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return ReadStatus::kCannotOpen;
  const uint64_t size = std::filesystem::file_size(path, ec);
  if (ec) return ReadStatus::kCannotOpen;
  if (size > maxSize) return ReadStatus::kTooLarge;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return ReadStatus::kCannotOpen;
  bytes.resize(static_cast<size_t>(size));
  const size_t got = size ? std::fread(bytes.data(), 1, bytes.size(), f) : 0;
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) return ReadStatus::kReadError;
  bytes.resize(got);  // a file that shrank while being read gives what was there
  return ReadStatus::kOk;
}

namespace {

// A fresh name for a temporary file in the same folder as `path`, hidden, and unique within the
// process and among processes.
std::string TemporaryPathBeside(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  const std::filesystem::path target(path);
  const std::string name = "." + target.filename().string() + ".tmp" +
                           std::to_string(TINTARA_GETPID()) + "-" + std::to_string(counter++);
  return (target.parent_path() / name).string();
}

std::FILE* CreateTemporaryBeside(const std::string& target, std::string& temporary) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    temporary = TemporaryPathBeside(target);
    errno = 0;
    // "x": exclusive creation, so the write never goes through a file that carries the chosen name.
    if (std::FILE* f = std::fopen(temporary.c_str(), "wbx")) {
      // The new file replaces the old one by a rename, so it takes over the old file's permissions
      // instead of quietly resetting them.
      std::error_code ec;
      const std::filesystem::file_status old = std::filesystem::status(target, ec);
      if (!ec && std::filesystem::is_regular_file(old)) {
        std::filesystem::permissions(temporary, old.permissions(), ec);
      }
      return f;
    }
    if (errno != EEXIST) break;
  }
  temporary.clear();
  return nullptr;
}

}  // namespace

bool WriteFileSafely(const std::string& target, const std::function<bool(std::FILE*)>& fill) {
  std::error_code ec;
  const bool replacing = std::filesystem::exists(target, ec) || ec;
  std::string temporary;
  std::FILE* f = CreateTemporaryBeside(target, temporary);
  if (!f) return false;
  bool ok = fill(f);
  // A failed write leaves its mark on the stream even when `fill` did not look: a large write that
  // bypassed the buffer and hit a full disk, say. Such a file is never put in place.
  ok = std::fflush(f) == 0 && std::ferror(f) == 0 && ok;
#ifndef _WIN32
  if (ok && replacing) ok = fsync(fileno(f)) == 0;
#endif
  ok = std::fclose(f) == 0 && ok;
  if (ok) {
    std::filesystem::rename(temporary, target, ec);
    if (!ec) return true;
  }
  std::filesystem::remove(temporary, ec);
  return false;
}

bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes) {
  return WriteFileSafely(path, [&](std::FILE* f) {
    return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  });
}

bool IsReadOnlyFile(const std::string& path) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(status)) return false;
  return (status.permissions() & std::filesystem::perms::owner_write) == std::filesystem::perms::none;
}

}  // namespace tintara
