// What every writing command of tintara-cli refuses to write over, and what an interrupted write
// leaves behind.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <map>

#include "support/run_command.h"
#include "support/test_images.h"

extern char** environ;

namespace tintara::test {
namespace {

namespace fs = std::filesystem;

const std::string kSamples = std::string(TINTARA_SOURCE_DIR) + "/data/sample-measurement.json";
const std::string kReferenceCsv = std::string(TINTARA_SOURCE_DIR) + "/data/reference-sets.csv";

std::map<std::string, std::string> FolderContents(const std::string& folder) {
  std::map<std::string, std::string> contents;
  for (const std::string& name : FolderEntries(folder)) contents[name] = ReadFileText(folder + "/" + name);
  return contents;
}

TEST(CliOutput, NoCommandWritesOverItsOwnInputOrAReadOnlyFile) {
  TempDir dir;
  const std::string profile = dir.File("cam.tnp");
  ASSERT_EQ(RunCli({"fit", "--samples", kSamples, "--reference", "#0", "-o", profile}).exitCode, 0);
  WritePatternImage(dir.File("in.tif"), 12, 12);
  ASSERT_EQ(link(dir.File("in.tif").c_str(), dir.File("hard.tif").c_str()), 0);
  fs::copy_file(kSamples, dir.File("samples.json"));
  fs::copy_file(kReferenceCsv, dir.File("sets.csv"));
  fs::copy_file(TINTARA_LUMENO_DAT, dir.File("ref.dat"));
  WriteFileText(dir.File("ro.tif"), "keep");
  fs::permissions(dir.File("ro.tif"), fs::perms::owner_write, fs::perm_options::remove);
  const std::map<std::string, std::string> before = FolderContents(dir.path());

  const std::string same = "The output file is one of the input files.";
  const std::string readOnly = "The file already exists, and is marked as read-only.";
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {{"convert", "--profile", profile, dir.File("in.tif"), dir.path() + "/./in.tif"}, same},
      {{"embed", "--profile", profile, dir.File("in.tif"), dir.File("hard.tif")}, same},
      {{"convert", "--profile", profile, dir.File("in.tif"), dir.File("ro.tif")}, readOnly},
      {{"fit", "--samples", dir.File("samples.json"), "--reference", "#0", "-o", dir.File("samples.json")}, same},
      {{"--refdata", dir.File("ref.dat"), "fit", "--samples", kSamples, "--reference", "#0", "-o", dir.File("ref.dat")},
       same},
      {{"create-profile", dir.File("in.tif"), "--corners", "1,1,9,1,9,9", "--reference", "#0", "-o",
        dir.File("hard.tif")},
       same},
      {{"make-refdata", dir.File("sets.csv"), dir.path() + "//sets.csv"}, same},
  };
  for (const Case& c : cases) {
    const CommandResult r = RunCli(c.args);
    EXPECT_EQ(r.exitCode, 2) << c.args[0] << " " << c.args.back();
    EXPECT_NE(r.err.find(c.message + " (" + c.args.back() + ")"), std::string::npos) << r.err;
  }
  EXPECT_TRUE(FolderContents(dir.path()) == before) << "a refused command changed a file";
}

// SIGTERM while a large image is being written: the command ends by that signal, and the output
// folder holds nothing, no temporary file either. The moment is when the temporary file appears;
// encoding the image after that takes long enough for the signal to arrive in the middle.
TEST(CliOutput, AnInterruptedWriteLeavesNothingBehind) {
  TempDir dir;
  const std::string profile = dir.File("cam.tnp");
  ASSERT_EQ(RunCli({"fit", "--samples", kSamples, "--reference", "#0", "-o", profile}).exitCode, 0);
  WritePatternImage(dir.File("big.tif"), 4000, 3000);
  const std::string out = dir.File("out");
  fs::create_directory(out);

  // Started as RunCli starts it, with settings of its own, but without waiting for it.
  const std::string input = dir.File("big.tif"), output = out + "/big.jpg";
  const std::string config = "XDG_CONFIG_HOME=" + CliConfigFolder();
  const char* argv[] = {TINTARA_CLI, "convert", "--profile", profile.c_str(), input.c_str(), output.c_str(), nullptr};
  std::vector<char*> envp = {const_cast<char*>(config.c_str())};
  for (char** e = environ; *e; ++e) envp.push_back(*e);  // the first of two settings of a name counts
  envp.push_back(nullptr);
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, TINTARA_CLI, nullptr, nullptr, const_cast<char**>(argv), envp.data()), 0);
  int status = 0;
  bool signalled = false;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    const std::vector<std::string> entries = FolderEntries(out);
    if (!signalled && !entries.empty() && entries[0][0] == '.') signalled = kill(pid, SIGTERM) == 0;
    usleep(200);
  }
  ASSERT_TRUE(signalled) << "no temporary file appeared";
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << "status " << status;
  EXPECT_EQ(FolderEntries(out), std::vector<std::string>{});
}

}  // namespace
}  // namespace tintara::test
