#include "profiles/profile_file.h"

#include <algorithm>
#include <filesystem>
#include <new>

#include "base/file_io.h"

namespace tintara {

namespace {

// Profiles of this system are a few kilobytes; even a foreign profile with large tables stays far
// below this. A bigger file is not read into memory at all.
constexpr uint64_t kMaxProfileFileSize = 64ull << 20;

bool EndsWithNoCase(const std::string& text, const std::string& suffix) {
  if (text.size() < suffix.size()) return false;
  return std::equal(suffix.begin(), suffix.end(), text.end() - suffix.size(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  });
}

}  // namespace

ProfileFileStatus ReadProfileFile(const std::string& path, ProfileRecord& record) {
  std::vector<uint8_t> bytes;
  ReadStatus status;
  try {
    status = ReadWholeFile(path, bytes, kMaxProfileFileSize);
  } catch (const std::bad_alloc&) {
    return ProfileFileStatus::kOutOfMemory;
  }
  if (status != ReadStatus::kOk) return ProfileFileStatus::kCannotRead;
  if (bytes.empty()) return ProfileFileStatus::kEmpty;
  try {
    SetProfileBytes(record, bytes.data(), static_cast<int64_t>(bytes.size()));
  } catch (const std::bad_alloc&) {
    return ProfileFileStatus::kOutOfMemory;
  }
  if (!record.TransformLoaded) return ProfileFileStatus::kForeign;
  SetProfileName(record, ProfileNameFromFile(path));
  return ProfileFileStatus::kOk;
}

std::string ProfileNameFromFile(const std::string& path) {
  std::string name = path;
  const size_t slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  if (EndsWithNoCase(name, ".tnp")) name.resize(name.size() - 4);
  return name;
}

bool SaveProfileFile(ProfileRecord& record, const std::string& path) {
  if (record.bytes.empty()) return false;
  if (!WriteFileAtomically(path, record.bytes)) return false;
  record.Unsaved = false;
  return true;
}

std::string ProfileBoxText(const ProfileRecord& record) {
  if (record.description.empty()) return record.name;
  return record.name + " (" + record.description + ")";
}

std::string ProposedProfileFileName(const std::string& name) {
  std::string proposal = name;
  for (const char* extension : {".tif", ".tiff", ".jpg", ".jpeg"}) {
    if (EndsWithNoCase(proposal, extension)) {
      proposal.resize(proposal.rfind('.'));
      break;
    }
  }
  return proposal + ".tnp";
}

}  // namespace tintara
