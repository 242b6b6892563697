#include "app/program_folder.h"

#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace tintara {

std::string ProgramFolder() {
#ifdef _WIN32
  wchar_t buffer[32768];
  const DWORD n = GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
  std::filesystem::path exe = (n > 0 && n < std::size(buffer)) ? std::filesystem::path(buffer)
                                                               : std::filesystem::path();
#else
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) exe.clear();
#endif
  return exe.parent_path().string();
}

std::string DefaultReferenceDataPath() {
  return (std::filesystem::path(ProgramFolder()) / "Lumeno.dat").string();
}

}  // namespace tintara
