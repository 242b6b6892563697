#include "base/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "support/file_size_limit.h"
#include "support/run_command.h"

namespace tintara {
namespace {

using test::FolderEntries;
using test::ReadFileText;
using test::WriteFileText;
using Names = std::vector<std::string>;

const std::string kLong(200000, 'n');

unsigned Mode(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

class FileIoTest : public ::testing::Test {
 protected:
  test::TempDir dir_;
};

TEST_F(FileIoTest, AFailedWriteLeavesTheOldFileAndNothingElse) {
  const std::string path = dir_.File("data.bin");
  const std::string old("old\0contents", 12);
  WriteFileText(path, old);
  // The fill writes part of the new contents and then fails, for a reason of its own: no cause.
  const Error refused = WriteFileSafely(path, [](std::FILE* f) { return std::fputs("new", f), false; });
  EXPECT_EQ(refused.code(), kFileWriteFailed);
  EXPECT_EQ(refused.detail(), "");
  // The fill says it succeeded, but its bytes, still in the stream's buffer, cannot all be written.
  {
    const test::FileSizeLimit limit(1000);
    EXPECT_TRUE(WriteFileSafely(path, [](std::FILE* f) { return std::fwrite(kLong.data(), 1, 3000, f) == 3000; })
                    .failed());
  }
  // A target in a folder that is not there: the fill never runs.
  bool called = false;
  EXPECT_TRUE(WriteFileSafely(dir_.File("missing/data.bin"), [&](std::FILE*) { return called = true; }).failed());
  EXPECT_FALSE(called);
  EXPECT_EQ(ReadFileText(path), old);
  EXPECT_EQ(FolderEntries(dir_.path()), Names{"data.bin"});  // no temporary file left behind
}

TEST_F(FileIoTest, AStreamErrorTheFillDidNotReportStillFailsTheWrite) {
  const std::string path = dir_.File("data.bin");
  WriteFileText(path, "old");
  // Too large for the stream's buffer, this write goes to the file at once and fails there; the
  // stream is left in error with nothing buffered, and the fill does not look.
  {
    const test::FileSizeLimit limit(1000);
    EXPECT_TRUE(WriteFileSafely(path, [](std::FILE* f) {
                  std::fwrite(kLong.data(), 1, kLong.size(), f);
                  return true;
                }).failed());
  }
  const std::string now = ReadFileText(path);
  EXPECT_TRUE(now == "old") << "the old file was replaced by " << now.size() << " bytes";
  EXPECT_EQ(FolderEntries(dir_.path()), Names{"data.bin"});
}

TEST_F(FileIoTest, ASuccessfulWriteReplacesTheFileWithItsPermissions) {
  const std::string path = dir_.File("data.bin");
  WriteFileText(path, "a longer old text");
  ASSERT_EQ(chmod(path.c_str(), 0604), 0);
  // Written through the descriptor rather than the stream.
  EXPECT_TRUE(WriteFileSafely(path, [](std::FILE* f) { return write(fileno(f), "new", 3) == 3; }).ok());
  EXPECT_EQ(ReadFileText(path), "new");
  EXPECT_EQ(Mode(path), 0604u);

  // A new file gets the ordinary permissions, not those of a file that is not there.
  EXPECT_TRUE(WriteFileAtomically(dir_.File("fresh.bin"), {'x', 0, 'y'}).ok());
  EXPECT_EQ(ReadFileText(dir_.File("fresh.bin")), std::string("x\0y", 3));
  EXPECT_EQ(Mode(dir_.File("fresh.bin")) & 0600u, 0600u);
  // Nothing at all is a content too.
  EXPECT_TRUE(WriteFileAtomically(path, {}).ok());
  EXPECT_EQ(ReadFileText(path), "");
  // A name as long as the file system allows, new and replaced: the temporary name must fit too.
  const std::string longest = std::string(251, 'n') + ".tif";
  EXPECT_TRUE(WriteFileAtomically(dir_.File(longest), {'1'}).ok());
  EXPECT_TRUE(WriteFileAtomically(dir_.File(longest), {'2'}).ok());
  EXPECT_EQ(ReadFileText(dir_.File(longest)), "2");
  EXPECT_EQ(FolderEntries(dir_.path()), (Names{"data.bin", "fresh.bin", longest}));
}

// Two writers racing for one name: the one that finishes second finds the name taken, and the file
// of the first stays as it is.
TEST_F(FileIoTest, ANewFileNeverReplacesOneThatAppearedWhileItWasWritten) {
  const std::string path = dir_.File("photo(1).tif");
  auto mine = [](std::FILE* f) { return std::fputs("mine", f) >= 0; };
  auto overtaken = [&](std::FILE* f) { return WriteFileText(path, "theirs"), mine(f); };
  EXPECT_EQ(WriteFileSafely(path, overtaken, kFileWriteFailed, WriteMode::kNeverReplace).code(), kFileNameTaken);
  EXPECT_EQ(ReadFileText(path), "theirs");
  // A link to nothing carries the name as well, though a look at the name finds no file there.
  ASSERT_EQ(symlink("nowhere", dir_.File("link.tif").c_str()), 0);
  EXPECT_EQ(WriteFileSafely(dir_.File("link.tif"), mine, kFileWriteFailed, WriteMode::kNeverReplace).code(),
            kFileNameTaken);

  // A writer that takes a path: the same rule, and whatever it leaves at its own path goes.
  const std::string via = dir_.File("via.tif");
  auto partly = [&](const std::string& staged, Error made) { return WriteFileText(staged, "part"), made; };
  auto raced = [&](const std::string& staged) { return WriteFileText(via, "theirs"), partly(staged, kOk); };
  EXPECT_EQ(WriteNewFileVia(via, raced).code(), kFileNameTaken);
  EXPECT_EQ(ReadFileText(via), "theirs");
  auto failing = [&](const std::string& staged) { return partly(staged, kImageCorrupt); };
  EXPECT_EQ(WriteNewFileVia(dir_.File("failed.tif"), failing).code(), kImageCorrupt);  // the writer's own failure
  EXPECT_EQ(FolderEntries(dir_.path()), (Names{"link.tif", "photo(1).tif", "via.tif"}));
}

// A folder or a FIFO under the target's name is no file to replace, and a rename would take it away:
// a staged file put in place, as every other write, leaves it and stays staged.
TEST_F(FileIoTest, WhatIsNoFileIsNeverReplaced) {
  ASSERT_EQ(mkfifo(dir_.File("fifo.tif").c_str(), 0600), 0);
  std::filesystem::create_directory(dir_.File("folder.tif"));
  for (const std::string name : {"fifo.tif", "folder.tif"}) {
    const std::string cause = name == "fifo.tif" ? "Not a regular file" : SystemErrorText(EISDIR);
    StagedFile staged;
    const auto made = [](const std::string& path) { return WriteFileText(path, "new"), Error(); };
    ASSERT_TRUE(staged.Write(dir_.File(name), made).ok());
    const Error placed = staged.PlaceReplacing(dir_.File(name), kImageWriteFailed);
    EXPECT_EQ(placed.code(), kImageWriteFailed) << name;
    EXPECT_EQ(placed.detail(), cause) << name;
    EXPECT_TRUE(staged.staged()) << name;
  }
  EXPECT_TRUE(std::filesystem::is_fifo(dir_.File("fifo.tif")));
  EXPECT_TRUE(std::filesystem::is_empty(dir_.File("folder.tif")));
  EXPECT_EQ(FolderEntries(dir_.path()), (Names{"fifo.tif", "folder.tif"}));
}

// Ended by a signal halfway through a write (here a write through a path, whose own write is
// interrupted), the process leaves no temporary file, and its status still names the signal.
TEST_F(FileIoTest, ASignalDuringAWriteRemovesItsTemporaryFiles) {
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    auto interrupted = [&] {
      InstallTemporaryFileCleanup();
      WriteNewFileVia(dir_.File("out.tif"), [&](const std::string& staged) {
        return WriteFileSafely(staged, [&](std::FILE* f) {
          std::fputs("part", f);
          std::fflush(f);
          std::raise(signal);
          return true;
        });
      });
      std::_Exit(0);
    };
    EXPECT_EXIT(interrupted(), ::testing::KilledBySignal(signal), "") << signal;
    EXPECT_EQ(FolderEntries(dir_.path()), Names{}) << signal;
  }
}

TEST_F(FileIoTest, ReadWholeFileTakesOnlyRegularFilesWithinTheLimit) {
  std::vector<uint8_t> bytes = {9};
  WriteFileText(dir_.File("empty"), "");
  EXPECT_TRUE(ReadWholeFile(dir_.File("empty"), bytes).ok());
  EXPECT_TRUE(bytes.empty());
  WriteFileText(dir_.File("ten"), std::string("0123\0" "56789", 10));
  EXPECT_TRUE(ReadWholeFile(dir_.File("ten"), bytes, 10).ok());
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), std::string("0123\0" "56789", 10));
  EXPECT_EQ(ReadWholeFile(dir_.File("ten"), bytes, 9).code(), kFileTooLarge);
  EXPECT_TRUE(bytes.empty());

  // A file far beyond the limit is refused by its size: reading it would exhaust memory.
  const std::string huge = dir_.File("huge");
  WriteFileText(huge, "");
  if (truncate(huge.c_str(), off_t{1} << 40) == 0) {
    bytes = {9};
    EXPECT_EQ(ReadWholeFile(huge, bytes).code(), kFileTooLarge);
    EXPECT_TRUE(bytes.empty());
  }

  // Not files, each told apart with its cause: opening the FIFO would wait for a writer that never
  // comes.
  ASSERT_EQ(mkfifo(dir_.File("fifo").c_str(), 0600), 0);
  std::filesystem::create_directory(dir_.File("folder"));
  struct Refusal {
    const char* name;
    int code;
    std::string cause;
  };
  for (const Refusal& r : {Refusal{"fifo", kNotAFile, "Not a regular file"},
                           Refusal{"folder", kFileIsFolder, SystemErrorText(EISDIR)},
                           Refusal{"none", kFileUnreadable, SystemErrorText(ENOENT)}}) {
    bytes = {9};
    const Error read = ReadWholeFile(dir_.File(r.name), bytes);
    EXPECT_EQ(read.code(), r.code) << r.name;
    EXPECT_EQ(read.detail(), r.cause) << r.name;
    EXPECT_TRUE(bytes.empty()) << r.name;
  }
  // Nor is a device, which may do anything on being opened.
  EXPECT_EQ(CheckInputFile("/dev/null").code(), kNotAFile);
  EXPECT_TRUE(CheckInputFile(dir_.File("ten")).ok());
}

TEST_F(FileIoTest, ReadOnlyMeansTheOwnerMayNotWrite) {
  const std::string path = dir_.File("file");
  WriteFileText(path, "x");
  struct Case {
    unsigned mode;
    bool readOnly;
  };
  for (const Case& c : {Case{0644, false}, Case{0200, false}, Case{0444, true}, Case{0577, true}, Case{0, true}}) {
    ASSERT_EQ(chmod(path.c_str(), c.mode), 0);
    EXPECT_EQ(IsReadOnlyFile(path), c.readOnly) << std::oct << c.mode;
  }
  EXPECT_FALSE(IsReadOnlyFile(dir_.File("none")));
}

}  // namespace
}  // namespace tintara
