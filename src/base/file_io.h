#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/error.h"
#include "base/result_codes.h"

namespace tintara {

// The most any file is allowed to be that the program reads whole (profiles, reference data and its
// source, measurement files): generous for every real file, small enough that a wrong path to a
// huge file cannot exhaust memory.
inline constexpr uint64_t kMaxWholeFileSize = 64ull << 20;

// Every function here that can fail says why with the codes of what any file can meet, the system's
// cause as the detail ("No such file or directory", "Permission denied", "No space left on device"):
//   kFileUnreadable   the file cannot be opened or read;
//   kFileIsFolder     the path names a folder (detail "Is a directory");
//   kNotAFile         a FIFO, a device or a socket (detail "Not a regular file"), never opened;
//   kFileTooLarge     a file to be read whole is larger than allowed (no detail);
//   kFileNameTaken    a new file's name was taken while it was being written (no detail).
// A write that fails otherwise fails with the code its caller names (kFileWriteFailed when it names
// none), so that each kind of file keeps its own message.

// Reads a whole regular file. Files larger than `maxSize` bytes are refused without being read, so a
// stray huge file (or a device) cannot exhaust memory.
Error ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, uint64_t maxSize = kMaxWholeFileSize);

// Whether a write may replace a file that carries the target's name.
enum class WriteMode { kReplace, kNeverReplace };

// Writes a file the safe way, and the only way this program writes one: `fill` writes the new
// contents into a fresh temporary file beside `target` (same folder, so the final rename stays on
// one file system and is atomic; created new, never through a file that happens to carry the name;
// with the permissions of the file it will replace). Only when `fill` reports success and every
// byte is flushed (and, when a file is being replaced, forced to the disk, since an old file can be
// lost to a crash and a new name cannot) is it renamed onto the target. On any failure the
// temporary file is removed and whatever was at `target` stays as it was. `fill` may write through
// the stream or through its descriptor; it must not close either.
//
// Fails with `failureCode`, the cause as its detail, or "Is a directory" or "Not a regular file" for
// a target that is no file this program may replace (a folder, a FIFO or a device, which a rename
// would take away). A `fill` that fails because a write of its own failed leaves errno as that write
// set it; one that fails for another reason sets errno to 0, and the failure then has no cause.
//
// With kNeverReplace the finished file is put in place only under a name that is still free at that
// moment (an atomic no-replace rename, so two writers racing for one name cannot both have it):
// kFileNameTaken when a file (of any kind, a dangling link too) has appeared under the name
// meanwhile, which is then left as it is.
Error WriteFileSafely(const std::string& target, const std::function<bool(std::FILE*)>& fill,
                      int failureCode = kFileWriteFailed, WriteMode mode = WriteMode::kReplace);

// WriteFileSafely with `bytes` as the whole contents.
Error WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                          int failureCode = kFileWriteFailed);

// The system's text for an errno value ("No space left on device").
std::string SystemErrorText(int errorNumber);

// `error` about the file at `path`: the path joins its detail, after the cause when there is one
// ("No space left on device: /media/card/out.tif"), so every box about a file says which file.
Error ConcerningFile(const Error& error, const std::string& path);

// Makes a file through a writer that takes a path rather than a stream: `write` makes the complete
// file at the path it is given (a private name beside `target`), which is then put in place at
// `target` as WriteFileSafely with kNeverReplace does. Whatever `write` leaves at its path is
// removed on failure. Fails with what `write` returned, or as placing the file failed.
Error WriteNewFileVia(const std::string& target, const std::function<Error(const std::string& path)>& write,
                      int failureCode = kFileWriteFailed);

// The two halves of WriteNewFileVia, for a file made well before it is known where exactly it goes
// (a batch encodes the next image while an earlier one is still being named): Write makes the
// complete file under a private name in the folder of `besideTarget`; PlaceAsNew or PlaceReplacing
// later puts it in place in that folder. The private name is never an image's name, so it can never
// be taken for an output. A file still staged when the object ends is removed, and is removed too
// on the signals InstallTemporaryFileCleanup handles.
class StagedFile {
 public:
  StagedFile();
  ~StagedFile();
  StagedFile(StagedFile&&) noexcept;
  StagedFile& operator=(StagedFile&&) noexcept;

  // `write` makes the complete file at the path it is given; its failure is returned, and nothing is
  // left of the file.
  Error Write(const std::string& besideTarget, const std::function<Error(const std::string& path)>& write);
  bool staged() const;
  // As WriteNewFileVia puts its file in place: kFileNameTaken keeps the file staged, for another
  // name; so does any other failure, which fails with `failureCode`.
  Error PlaceAsNew(const std::string& target, int failureCode = kFileWriteFailed);
  // As WriteFileSafely replaces a file: never a folder, a FIFO or a device; the old file's
  // permissions carried over; the new contents on the disk before the rename. A failure, with
  // `failureCode`, keeps the file staged.
  Error PlaceReplacing(const std::string& target, int failureCode = kFileWriteFailed);

 private:
  std::unique_ptr<struct StagedFileState> state_;
};

// Whether `path` (following links) is a regular file this process can open for reading; a folder, a
// FIFO, a device or a socket is recognised without being opened. Fails with kFileUnreadable,
// kFileIsFolder or kNotAFile.
Error CheckInputFile(const std::string& path);

// Opens `path` for reading only when it is a regular file, and says what it was otherwise. What the
// path names is looked at before anything is opened, and again on the open descriptor (opened
// without blocking), so a file swapped for a FIFO in between cannot make the open wait. Sets `fd` to
// the descriptor, which the caller closes, or to -1 with the failure CheckInputFile gives.
Error OpenInputFile(const std::string& path, int& fd);

// Whether `a` and `b` name one and the same existing file (the same device and file number: "./a",
// "a" and a hard link of it are all one file). False when either cannot be looked at.
bool IsSameFile(const std::string& a, const std::string& b);

// Whether `path` names an existing file that is marked read-only (its owner may not write it).
// Permission bits are what count here, not whether the current user could write anyway.
bool IsReadOnlyFile(const std::string& path);

// Removes the temporary files of unfinished writes when the process is ended by SIGINT, SIGTERM or
// SIGHUP, then ends it by the same signal (so its exit status still says which). A signal the
// process was started with ignored stays ignored. Called once, early, by each program.
void InstallTemporaryFileCleanup();

}  // namespace tintara
