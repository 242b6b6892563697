#include "base/file_io.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#define TINTARA_GETPID _getpid
#define TINTARA_UNLINK _unlink
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#define TINTARA_GETPID getpid
#define TINTARA_UNLINK unlink
#endif

namespace tintara {

namespace {

// Opens `path` for reading as a stream, through OpenInputFile.
std::FILE* OpenRegularFile(const std::string& path, Error& opened) {
  int fd = -1;
  opened = OpenInputFile(path, fd);
  if (opened.failed()) return nullptr;
#ifdef _WIN32
  std::FILE* f = _fdopen(fd, "rb");
#else
  std::FILE* f = fdopen(fd, "rb");
#endif
  if (!f) {
    opened = Error(kFileUnreadable, SystemErrorText(errno));
#ifdef _WIN32
    _close(fd);
#else
    close(fd);
#endif
  }
  return f;
}

// The system's cause of a failure the file system library reports, when it gave one.
std::string CauseOf(const std::error_code& ec) {
  if (!ec || (ec.category() != std::generic_category() && ec.category() != std::system_category())) return {};
  return SystemErrorText(ec.value());
}

// The record of the temporary files being written, for the signal handlers: fixed storage, and
// only lock-free atomics between the writers and a handler, which may interrupt a writer anywhere.
// A slot goes free -> filling -> ready -> free; a handler takes only ready slots (ready -> removing)
// and the process ends after it, so a path is never read while it is being changed.
constexpr int kTemporarySlots = 16;
constexpr size_t kMaxRecordedPath = 4096;
enum SlotState : int { kSlotFree, kSlotFilling, kSlotReady, kSlotRemoving };

struct TemporarySlot {
  std::atomic<int> state{kSlotFree};
  char path[kMaxRecordedPath];
};

TemporarySlot g_temporaries[kTemporarySlots];
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler may only touch lock-free atomics");

// A temporary file of this process, recorded while it may exist. A path that does not fit, or more
// writes at once than there are slots, only means that one file is not cleaned up on a signal.
class RecordedTemporary {
 public:
  RecordedTemporary() = default;
  RecordedTemporary(const RecordedTemporary&) = delete;
  RecordedTemporary& operator=(const RecordedTemporary&) = delete;
  ~RecordedTemporary() { Forget(); }

  const std::string& path() const { return path_; }

  // Records `path` before the file is created, so no moment exists in which it is there unrecorded.
  void Record(std::string path) {
    Forget();
    path_ = std::move(path);
    if (path_.size() >= kMaxRecordedPath) return;
    for (int i = 0; i < kTemporarySlots; ++i) {
      int expected = kSlotFree;
      if (!g_temporaries[i].state.compare_exchange_strong(expected, kSlotFilling)) continue;
      std::memcpy(g_temporaries[i].path, path_.c_str(), path_.size() + 1);
      g_temporaries[i].state.store(kSlotReady);
      slot_ = i;
      return;
    }
  }

  // Once the file has been renamed or removed.
  void Forget() {
    if (slot_ < 0) return;
    int expected = kSlotReady;
    g_temporaries[slot_].state.compare_exchange_strong(expected, kSlotFree);
    slot_ = -1;
  }

  void Remove() {
    std::error_code ec;
    std::filesystem::remove(path_, ec);
    Forget();
  }

 private:
  std::string path_;
  int slot_ = -1;
};

extern "C" void RemoveTemporariesAndEnd(int signal) {
  for (TemporarySlot& slot : g_temporaries) {
    int expected = kSlotReady;
    if (slot.state.compare_exchange_strong(expected, kSlotRemoving)) TINTARA_UNLINK(slot.path);
  }
  // The handler was installed to run once: the default action is back, and the signal, blocked
  // while the handler runs, ends the process as it returns.
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

// A fresh name for a temporary file in the same folder as `path`: hidden, recognisably this
// program's, unique within the process and among processes, and short whatever the target's name,
// so that a target whose name is as long as the file system allows can still be written.
std::string TemporaryPathBeside(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  const std::string name =
      ".tintara-" + std::to_string(TINTARA_GETPID()) + "-" + std::to_string(counter++) + ".tmp";
  return (std::filesystem::path(path).parent_path() / name).string();
}

std::FILE* CreateTemporaryBeside(const std::string& target, bool takePermissions, RecordedTemporary& temporary) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    temporary.Record(TemporaryPathBeside(target));
    errno = 0;
    // "x": exclusive creation, so the write never goes through a file that carries the chosen name.
    if (std::FILE* f = std::fopen(temporary.path().c_str(), "wbx")) {
      // The new file replaces the old one by a rename, so it takes over the old file's permissions
      // instead of quietly resetting them.
      std::error_code ec;
      const std::filesystem::file_status old = std::filesystem::status(target, ec);
      if (takePermissions && !ec && std::filesystem::is_regular_file(old)) {
        std::filesystem::permissions(temporary.path(), old.permissions(), ec);
      }
      return f;
    }
    temporary.Forget();
    if (errno != EEXIST) break;
  }
  return nullptr;
}

// Renames the complete file `from` to `to` unless something already carries that name. The check
// and the rename are one step of the file system, so a name another writer took a moment ago is
// never replaced: kFileNameTaken then, and `failureCode` with the cause when the rename fails.
Error MoveToFreeName(const std::string& from, const std::string& to, int failureCode) {
  const auto failed = [&](int errorNumber) { return Error(failureCode, SystemErrorText(errorNumber)); };
#ifdef _WIN32
  // Here a rename never replaces an existing file.
  if (std::rename(from.c_str(), to.c_str()) == 0) return kOk;
  const int error = errno;
  std::error_code ec;
  return std::filesystem::exists(std::filesystem::symlink_status(to, ec)) ? Error(kFileNameTaken) : failed(error);
#else
#ifdef RENAME_NOREPLACE
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return kOk;
  if (errno == EEXIST) return kFileNameTaken;
  if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return failed(errno);
#endif
  // A file system without the no-replace rename: a hard link is never made over an existing name.
  if (link(from.c_str(), to.c_str()) == 0) {
    unlink(from.c_str());
    return kOk;
  }
  if (errno == EEXIST) return kFileNameTaken;
  if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS) return failed(errno);
  // Nor hard links: the name is claimed by creating it exclusively, and the file put over the claim.
  const int claim = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (claim < 0) return errno == EEXIST ? Error(kFileNameTaken) : failed(errno);
  close(claim);
  if (std::rename(from.c_str(), to.c_str()) == 0) return kOk;
  const int error = errno;
  unlink(to.c_str());
  return failed(error);
#endif
}

constexpr char kNotARegularFile[] = "Not a regular file";

// Refuses, with `failureCode`, a target that no write may replace: a folder, or anything else that
// is not a regular file (a FIFO, a device, a socket), which the final rename would take away. A
// regular file and a name that is free may be written.
Error CheckReplaceable(const std::string& path, int failureCode) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(status) || std::filesystem::is_regular_file(status)) return kOk;
  return Error(failureCode, std::filesystem::is_directory(status) ? SystemErrorText(EISDIR) : kNotARegularFile);
}

// The cause of the first failure: later steps on a failed write only fail for the same reason.
void NoteCause(std::string& cause, int errorNumber) {
  if (cause.empty() && errorNumber != 0) cause = SystemErrorText(errorNumber);
}

}  // namespace

Error ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, uint64_t maxSize) {
  bytes.clear();
  Error opened;
  std::FILE* f = OpenRegularFile(path, opened);
  if (!f) return opened;
  // The size of the file that is open, not of whatever the path names by now: the limit holds for
  // the bytes that are read.
  struct stat status {};
  if (fstat(fileno(f), &status) != 0 || static_cast<uint64_t>(status.st_size) > maxSize) {
    const int statErrno = errno;
    const bool tooLarge = status.st_size > 0 && static_cast<uint64_t>(status.st_size) > maxSize;
    std::fclose(f);
    return tooLarge ? Error(kFileTooLarge) : Error(kFileUnreadable, SystemErrorText(statErrno));
  }
  const uint64_t size = static_cast<uint64_t>(status.st_size);
  bytes.resize(static_cast<size_t>(size));
  errno = 0;
  const size_t got = size ? std::fread(bytes.data(), 1, bytes.size(), f) : 0;
  const int readErrno = errno;
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) {
    bytes.clear();
    return Error(kFileUnreadable, readErrno != 0 ? SystemErrorText(readErrno) : std::string());
  }
  bytes.resize(got);  // a file that shrank while being read gives what was there
  return kOk;
}

std::string SystemErrorText(int errorNumber) { return std::generic_category().message(errorNumber); }

Error ConcerningFile(const Error& error, const std::string& path) {
  if (error.ok()) return error;
  return Error(error.code(), error.detail().empty() ? path : error.detail() + ": " + path);
}

Error WriteFileSafely(const std::string& target, const std::function<bool(std::FILE*)>& fill, int failureCode,
                      WriteMode mode) {
  std::error_code ec;
  if (mode == WriteMode::kReplace) {
    if (Error refusal = CheckReplaceable(target, failureCode); refusal.failed()) return refusal;
  }
  const bool replacing = mode == WriteMode::kReplace && (std::filesystem::exists(target, ec) || ec);
  RecordedTemporary temporary;
  errno = 0;
  std::FILE* f = CreateTemporaryBeside(target, mode == WriteMode::kReplace, temporary);
  if (!f) return Error(failureCode, errno != 0 ? SystemErrorText(errno) : std::string());
  std::string cause;
  errno = 0;
  bool ok = fill(f);
  const int fillErrno = errno;
  // A failed write leaves its mark on the stream even when `fill` did not look: a large write that
  // bypassed the buffer and hit a full disk, say. Such a file is never put in place. Flushing what
  // is left tries the write again and says why it fails.
  errno = 0;
  if (std::fflush(f) != 0) {
    ok = false;
    NoteCause(cause, errno);
  }
  if (std::ferror(f) != 0) ok = false;
  if (!ok) NoteCause(cause, fillErrno);
#ifndef _WIN32
  if (ok && replacing && fsync(fileno(f)) != 0) {
    ok = false;
    NoteCause(cause, errno);
  }
#endif
  if (std::fclose(f) != 0 && ok) {
    ok = false;
    NoteCause(cause, errno);
  }
  Error written(failureCode, cause);
  if (ok && mode == WriteMode::kNeverReplace) {
    written = MoveToFreeName(temporary.path(), target, failureCode);
  } else if (ok) {
    std::filesystem::rename(temporary.path(), target, ec);
    written = ec ? Error(failureCode, CauseOf(ec)) : Error();
  }
  if (written.ok()) {
    temporary.Forget();
  } else {
    temporary.Remove();
  }
  return written;
}

Error WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, int failureCode) {
  return WriteFileSafely(
      path,
      [&](std::FILE* f) { return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size(); },
      failureCode);
}

struct StagedFileState {
  RecordedTemporary file;
  bool staged = false;
};

StagedFile::StagedFile() : state_(std::make_unique<StagedFileState>()) {}
StagedFile::~StagedFile() {
  if (state_ && state_->staged) state_->file.Remove();
}
StagedFile::StagedFile(StagedFile&&) noexcept = default;
StagedFile& StagedFile::operator=(StagedFile&& other) noexcept {
  if (this != &other) {
    if (state_ && state_->staged) state_->file.Remove();
    state_ = std::move(other.state_);
  }
  return *this;
}

bool StagedFile::staged() const { return state_ && state_->staged; }

Error StagedFile::Write(const std::string& besideTarget, const std::function<Error(const std::string& path)>& write) {
  if (!state_) state_ = std::make_unique<StagedFileState>();
  if (state_->staged) state_->file.Remove();
  state_->file.Record(TemporaryPathBeside(besideTarget));
  const Error written = write(state_->file.path());
  state_->staged = written.ok();
  if (!state_->staged) state_->file.Remove();
  return written;
}

Error StagedFile::PlaceAsNew(const std::string& target, int failureCode) {
  if (!staged()) return failureCode;
  const Error placed = MoveToFreeName(state_->file.path(), target, failureCode);
  if (placed.ok()) {
    state_->file.Forget();
    state_->staged = false;
  }
  return placed;
}

Error StagedFile::PlaceReplacing(const std::string& target, int failureCode) {
  if (!staged()) return failureCode;
  if (Error refusal = CheckReplaceable(target, failureCode); refusal.failed()) return refusal;
  const std::string& path = state_->file.path();
  std::error_code ec;
  const std::filesystem::file_status old = std::filesystem::status(target, ec);
  const bool replacing = std::filesystem::exists(old) || ec;
  if (!ec && std::filesystem::is_regular_file(old)) std::filesystem::permissions(path, old.permissions(), ec);
#ifndef _WIN32
  if (replacing) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const bool synced = fd >= 0 && fsync(fd) == 0;
    const int error = errno;
    if (fd >= 0) close(fd);
    if (!synced) return Error(failureCode, SystemErrorText(error));
  }
#else
  (void)replacing;
#endif
  std::filesystem::rename(path, target, ec);
  if (ec) return Error(failureCode, CauseOf(ec));
  state_->file.Forget();
  state_->staged = false;
  return kOk;
}

Error WriteNewFileVia(const std::string& target, const std::function<Error(const std::string& path)>& write,
                      int failureCode) {
  StagedFile staged;
  if (Error written = staged.Write(target, write); written.failed()) return written;
  return staged.PlaceAsNew(target, failureCode);  // a file not placed is removed with `staged`
}

Error OpenInputFile(const std::string& path, int& fd) {
  fd = -1;
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(status)) {
    return Error(kFileUnreadable, ec ? CauseOf(ec) : SystemErrorText(ENOENT));
  }
  if (std::filesystem::is_directory(status)) return Error(kFileIsFolder, SystemErrorText(EISDIR));
  if (!std::filesystem::is_regular_file(status)) return Error(kNotAFile, kNotARegularFile);
#ifdef _WIN32
  // Names of the file system here are files or folders; the look above has told them apart.
  const int opened = _open(path.c_str(), _O_RDONLY | _O_BINARY);
  if (opened < 0) return Error(kFileUnreadable, SystemErrorText(errno));
#else
  const int opened = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (opened < 0) return Error(kFileUnreadable, SystemErrorText(errno));
  struct stat st {};
  const bool examined = fstat(opened, &st) == 0;
  if (!examined || !S_ISREG(st.st_mode)) {
    const int error = errno;
    close(opened);
    if (!examined) return Error(kFileUnreadable, SystemErrorText(error));
    if (S_ISDIR(st.st_mode)) return Error(kFileIsFolder, SystemErrorText(EISDIR));
    return Error(kNotAFile, kNotARegularFile);
  }
#endif
  fd = opened;
  return kOk;
}

Error CheckInputFile(const std::string& path) {
  int fd = -1;
  const Error opened = OpenInputFile(path, fd);
  if (fd >= 0) {
#ifdef _WIN32
    _close(fd);
#else
    close(fd);
#endif
  }
  return opened;
}

bool IsSameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

bool IsReadOnlyFile(const std::string& path) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(status)) return false;
  return (status.permissions() & std::filesystem::perms::owner_write) == std::filesystem::perms::none;
}

void InstallTemporaryFileCleanup() {
#ifdef _WIN32
  for (int signal : {SIGINT, SIGTERM}) {
    if (std::signal(signal, RemoveTemporariesAndEnd) == SIG_IGN) std::signal(signal, SIG_IGN);
  }
#else
  const int signals[] = {SIGINT, SIGTERM, SIGHUP};
  struct sigaction action {};
  action.sa_handler = RemoveTemporariesAndEnd;
  // While one of them is handled the others wait: the process ends with the first.
  sigemptyset(&action.sa_mask);
  for (int signal : signals) sigaddset(&action.sa_mask, signal);
  action.sa_flags = SA_RESETHAND;
  for (int signal : signals) {
    struct sigaction old {};
    // A program started with a signal ignored (nohup, a background job) wants it ignored.
    if (sigaction(signal, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
    sigaction(signal, &action, nullptr);
  }
#endif
}

}  // namespace tintara
