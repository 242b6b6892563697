#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "app/messages.h"

namespace tintara::fuzz {

namespace {

class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::error_code ec;
    std::filesystem::path base = "/dev/shm";
    if (!std::filesystem::is_directory(base, ec) || access(base.c_str(), W_OK) != 0) {
      base = std::filesystem::temp_directory_path(ec);
      if (ec) base = "/tmp";
    }
    std::string pattern = (base / "tintara-fuzz-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr) {
      std::perror("tintara fuzz: cannot create a scratch folder");
      std::abort();
    }
    path_ = name.data();
  }
  ~ScratchDirectory() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

class SilentPresenter : public MessagePresenter {
 public:
  void ShowMessageBox(const std::string&, const std::string&) override {}
  void ShowStatus(const std::string&) override {}
  OnceDialogAnswer ShowOnceDialog(const std::string&, bool) override { return {true, false}; }
  bool AskYesNo(const std::string&, const std::string&) override { return false; }
  YesNoCancel AskYesNoCancel(const std::string&, const std::string&) override { return YesNoCancel::kCancel; }
  DescriptionAnswer AskDescription(const std::string& initial) override { return {true, initial, false}; }
};

}  // namespace

const std::string& ScratchFolder() {
  static const ScratchDirectory folder;
  return folder.path();
}

std::string WriteScratchFile(const std::string& name, const uint8_t* data, size_t size) {
  const std::string path = ScratchFolder() + "/" + name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) Fail("cannot create the input file");
  const bool written = size == 0 || std::fwrite(data, 1, size, f) == size;
  if (std::fclose(f) != 0 || !written) Fail("cannot write the input file");
  return path;
}

void InstallSilentPresenter() {
  static SilentPresenter presenter;
  SetPresenter(&presenter);
}

void Fail(const char* what) {
  std::fprintf(stderr, "tintara fuzz: %s\n", what);
  std::abort();
}

}  // namespace tintara::fuzz
