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
// both output streams.
CommandResult RunCommand(const std::string& program, const std::vector<std::string>& args);

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

}  // namespace tintara::test
