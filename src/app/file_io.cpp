#include "app/file_io.h"

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

std::string TemporaryPathBeside(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  const std::filesystem::path target(path);
  const std::string name = "." + target.filename().string() + ".tmp" +
                           std::to_string(TINTARA_GETPID()) + "-" + std::to_string(counter++);
  return (target.parent_path() / name).string();
}

bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes) {
  // "x" refuses a name that already exists, so the write never goes through someone else's file.
  std::string temporary;
  std::FILE* f = nullptr;
  for (int attempt = 0; attempt < 8 && !f; ++attempt) {
    temporary = TemporaryPathBeside(path);
    errno = 0;
    f = std::fopen(temporary.c_str(), "wbx");
    if (!f && errno != EEXIST) break;
  }
  if (!f) return false;
  bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = (std::fflush(f) == 0) && ok;
  ok = (std::fclose(f) == 0) && ok;
  std::error_code ec;
  if (ok) {
    std::filesystem::rename(temporary, path, ec);
    ok = !ec;
  }
  if (!ok) std::filesystem::remove(temporary, ec);
  return ok;
}

bool IsReadOnlyFile(const std::string& path) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(status)) return false;
  return (status.permissions() & std::filesystem::perms::owner_write) == std::filesystem::perms::none;
}

}  // namespace tintara
