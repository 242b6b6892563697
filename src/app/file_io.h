#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tintara {

enum class ReadStatus { kOk, kCannotOpen, kTooLarge, kReadError };

// Reads a whole regular file. Files larger than `maxSize` bytes are refused without being read, so a
// stray huge file (or a device) cannot exhaust memory.
ReadStatus ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, uint64_t maxSize);

// A fresh name for a temporary file in the same folder as `path`, so a rename onto `path` stays on
// one file system and is atomic.
std::string TemporaryPathBeside(const std::string& path);

// Writes `bytes` to a temporary file beside `path` and renames it onto `path` only once every byte is
// on disk. On failure the temporary file is removed and an existing file at `path` is left as it was.
bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes);

// Whether `path` names an existing file that is marked read-only (its owner may not write it).
// Permission bits are what count here, not whether the current user could write anyway.
bool IsReadOnlyFile(const std::string& path);

}  // namespace tintara
