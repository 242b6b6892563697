// make-refdata SOURCE.csv OUT.dat
//
// Builds the binary reference data file from its readable CSV source. The output is written to a
// temporary file beside OUT.dat and renamed into place only once it is complete and checked, so an
// interrupted or failed run never leaves a half-written file where the program would load it.

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "engine/reference_csv.h"
#include "engine/reference_data.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitBadFile = 2;
constexpr int kExitUsage = 64;

// The source is a small hand-edited text file; anything far larger is not what the user meant.
constexpr std::uintmax_t kMaxSourceBytes = 64u * 1024u * 1024u;

bool ReadSource(const std::string& path, std::string& text, std::string& error) {
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(status)) {
    error = "cannot open " + path + ": no such file";
    return false;
  }
  if (!std::filesystem::is_regular_file(status)) {
    error = "cannot read " + path + ": not a regular file";
    return false;
  }
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (!ec && size > kMaxSourceBytes) {
    error = path + " is too large (" + std::to_string(size) + " bytes) to be reference data";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path;
    return false;
  }
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) {
    error = "cannot read " + path;
    return false;
  }
  text = buffer.str();
  return true;
}

// Writes `bytes` to a fresh file in the folder of `out` and renames it over `out`.
bool WriteAtomically(const std::string& out, const std::vector<uint8_t>& bytes,
                     std::string& error) {
  std::random_device random;
  std::string temp;
  std::FILE* file = nullptr;
  // "x" refuses to open a file that already exists, so we never write through someone else's file.
  int open_errno = 0;
  for (int attempt = 0; attempt < 16 && !file; ++attempt) {
    temp = out + ".tmp" + std::to_string(random() % 1000000u);
    errno = 0;
    file = std::fopen(temp.c_str(), "wbx");
    open_errno = errno;
    if (!file && open_errno != EEXIST) break;  // only a name clash is worth another try
  }
  if (!file) {
    error = "cannot create a temporary file beside " + out;
    if (open_errno != 0) error += std::string(": ") + std::strerror(open_errno);
    return false;
  }

  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = std::fflush(file) == 0 && ok;
  ok = std::fclose(file) == 0 && ok;
  std::error_code ec;
  if (!ok) {
    error = "cannot write " + temp;
    std::filesystem::remove(temp, ec);
    return false;
  }
  std::filesystem::rename(temp, out, ec);
  if (ec) {
    error = "cannot replace " + out + ": " + ec.message();
    std::filesystem::remove(temp, ec);
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: make-refdata SOURCE.csv OUT.dat\n";
    return kExitUsage;
  }
  const std::string source_path = argv[1];
  const std::string out_path = argv[2];

  std::string text;
  std::string error;
  if (!ReadSource(source_path, text, error)) {
    std::cerr << "make-refdata: " << error << "\n";
    return kExitBadFile;
  }

  tintara::ReferenceSetList sets;
  if (!tintara::ParseReferenceCsv(text, sets, error)) {
    std::cerr << "make-refdata: " << source_path << ": " << error << "\n";
    return kExitBadFile;
  }

  const std::vector<uint8_t> bytes = tintara::EncodeReferenceData(sets, &error);
  if (bytes.empty()) {
    std::cerr << "make-refdata: " << source_path << ": " << error << "\n";
    return kExitBadFile;
  }

  // Read the image back before it goes anywhere: a file the program cannot load is worse than none.
  tintara::ReferenceSetList check;
  if (tintara::ParseReferenceData(check, bytes.data(), bytes.size()) != 0 || check != sets) {
    std::cerr << "make-refdata: internal error: the encoded data does not read back the same\n";
    return kExitBadFile;
  }

  if (!WriteAtomically(out_path, bytes, error)) {
    std::cerr << "make-refdata: " << error << "\n";
    return kExitBadFile;
  }
  return kExitOk;
}
