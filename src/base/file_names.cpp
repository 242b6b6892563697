#include "base/file_names.h"

namespace tintara {

namespace {

// Letter case of ASCII only: the program's extensions are ASCII, and a byte of a UTF-8 character
// must never be taken for a letter of another case, whatever the process's locale.
char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

#ifdef _WIN32
constexpr std::string_view kFolderSeparators = "/\\";
#else
constexpr std::string_view kFolderSeparators = "/";
#endif

}  // namespace

bool IsFolderSeparator(char c) { return kFolderSeparators.find(c) != std::string_view::npos; }

std::string FileNameOf(std::string_view path) {
  const size_t separator = path.find_last_of(kFolderSeparators);
  return std::string(separator == std::string_view::npos ? path : path.substr(separator + 1));
}

bool HasExtension(std::string_view path, std::string_view extension) {
  if (path.size() < extension.size()) return false;
  const std::string_view end = path.substr(path.size() - extension.size());
  for (size_t i = 0; i < end.size(); ++i) {
    if (LowerAscii(end[i]) != extension[i]) return false;
  }
  return true;
}

}  // namespace tintara
