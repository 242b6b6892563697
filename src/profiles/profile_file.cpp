#include "profiles/profile_file.h"

#include <algorithm>
#include <filesystem>
#include <new>

#include "base/file_io.h"
#include "base/file_names.h"

namespace tintara {

ProfileFileStatus ReadProfileFile(const std::string& path, ProfileRecord& record) {
  std::vector<uint8_t> bytes;
  ReadStatus status;
  try {
    status = ReadWholeFile(path, bytes);
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
  std::string name = FileNameOf(path);
  if (HasExtension(name, ".tnp")) name.resize(name.size() - 4);
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
    if (HasExtension(proposal, extension)) {
      proposal.resize(proposal.rfind('.'));
      break;
    }
  }
  return proposal + ".tnp";
}

}  // namespace tintara
