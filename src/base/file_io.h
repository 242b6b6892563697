#pragma once

#include <cstdint>
#include <cstdio>
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

// Every writer builds its file under a temporary name beside the target and puts it in place only
// when it is complete, so a failed write never destroys the file that was there and leaves no
// partial file behind.
//
// Creates that temporary file for writing: always a new file (never one that happens to carry the
// chosen name), with the permissions of the file it will replace. Null when it cannot be created.
std::FILE* CreateTemporaryBeside(const std::string& target, std::string& temporary);

// Whether a write to `target` would replace a file that is there now. Only then must the new file be
// on the disk before the rename: a new name can lose nothing to a crash, an old file can.
bool ReplacesExistingFile(const std::string& target);

// Flushes a stream and closes it, with `sync` first forcing its data to the disk; false when any of
// that failed.
bool CloseDurably(std::FILE* stream, bool sync);

// With `complete`, renames the temporary file onto the target; otherwise, or when the rename fails,
// removes it. Returns whether the target now holds the new file.
bool CommitTemporary(const std::string& temporary, const std::string& target, bool complete);

// Writes `bytes` to a temporary file beside `path` and renames it onto `path` only once every byte is
// on disk. On failure the temporary file is removed and an existing file at `path` is left as it was.
bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes);

// Whether `path` names an existing file that is marked read-only (its owner may not write it).
// Permission bits are what count here, not whether the current user could write anyway.
bool IsReadOnlyFile(const std::string& path);

}  // namespace tintara
