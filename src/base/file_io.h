#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace tintara {

enum class ReadStatus { kOk, kCannotOpen, kTooLarge, kReadError };

// The most any file is allowed to be that the program reads whole (profiles, reference data and its
// source, measurement files): generous for every real file, small enough that a wrong path to a
// huge file cannot exhaust memory.
inline constexpr uint64_t kMaxWholeFileSize = 64ull << 20;

// Reads a whole regular file. Files larger than `maxSize` bytes are refused without being read, so a
// stray huge file (or a device) cannot exhaust memory.
ReadStatus ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, uint64_t maxSize = kMaxWholeFileSize);

// Writes a file the safe way, and the only way this program writes one: `fill` writes the new
// contents into a fresh temporary file beside `target` (same folder, so the final rename stays on
// one file system and is atomic; created new, never through a file that happens to carry the name;
// with the permissions of the file it will replace). Only when `fill` reports success and every
// byte is flushed (and, when a file is being replaced, forced to the disk, since an old file can be
// lost to a crash and a new name cannot) is it renamed onto the target. On any failure the
// temporary file is removed and whatever was at `target` stays as it was. Returns whether the
// target now holds the new contents. `fill` may write through the stream or through its
// descriptor; it must not close either.
bool WriteFileSafely(const std::string& target, const std::function<bool(std::FILE*)>& fill);

// WriteFileSafely with `bytes` as the whole contents.
bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes);

// Whether `path` names an existing file that is marked read-only (its owner may not write it).
// Permission bits are what count here, not whether the current user could write anyway.
bool IsReadOnlyFile(const std::string& path);

}  // namespace tintara
