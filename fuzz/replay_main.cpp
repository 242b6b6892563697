// Runs the fuzz entry point once over each file named on the command line, or over every file in a
// named folder, without libFuzzer. A reader that crashes or breaks a promise ends the run with a
// non-zero status, which is what the test registration relies on.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

bool RunFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return false;
  }
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // A copy of exactly the input's size, so the sanitizers see a read past its end as one.
  std::vector<uint8_t> input(bytes.begin(), bytes.end());
  LLVMFuzzerTestOneInput(input.empty() ? nullptr : input.data(), input.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE_OR_FOLDER...\n", argv[0]);
    return 2;
  }
  int files = 0;
  bool ok = true;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path arg = argv[i];
    std::error_code ec;
    if (std::filesystem::is_directory(arg, ec)) {
      std::vector<std::filesystem::path> entries;
      for (const auto& entry : std::filesystem::directory_iterator(arg, ec)) {
        if (entry.is_regular_file()) entries.push_back(entry.path());
      }
      if (ec) {
        std::fprintf(stderr, "cannot list %s\n", arg.c_str());
        ok = false;
      }
      std::sort(entries.begin(), entries.end());
      for (const auto& path : entries) {
        ok = RunFile(path) && ok;
        ++files;
      }
    } else {
      ok = RunFile(arg) && ok;
      ++files;
    }
  }
  std::printf("replayed %d inputs\n", files);
  // A folder that lost its files would otherwise pass while testing nothing.
  return ok && files > 0 ? 0 : 1;
}
