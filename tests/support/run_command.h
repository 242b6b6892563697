#pragma once

#include <string>
#include <vector>

namespace tintara::test {

struct CommandResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs a program with arguments (no shell interpretation of them) and collects its exit status and
// both output streams. `env` adds or replaces environment variables ("NAME=VALUE").
CommandResult RunCommand(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& env = {});

// Runs tintara-cli with its settings in a folder private to this test process, never the user's own.
CommandResult RunCli(const std::vector<std::string>& args);

// The private configuration folder RunCli uses.
const std::string& CliConfigFolder();

// A fresh, empty folder for one test, removed when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string ReadFileText(const std::string& path);
void WriteFileText(const std::string& path, const std::string& text);

// The full path of a program on the PATH, or an empty text when it is not installed.
std::string FindTool(const std::string& name);

// The names of everything in a folder, hidden ones included, sorted.
std::vector<std::string> FolderEntries(const std::string& folder);

}  // namespace tintara::test
