#include "profiles/profile_file.h"

#include <new>

#include "base/file_io.h"
#include "base/file_names.h"
#include "base/result_codes.h"

namespace tintara {

Error ReadProfileFile(const std::string& path, ProfileRecord& record) {
  std::vector<uint8_t> bytes;
  Error read;
  try {
    read = ReadWholeFile(path, bytes);
  } catch (const std::bad_alloc&) {
    return Error(kOutOfMemory, path);
  }
  if (read.failed() || bytes.empty()) return Error(kProfileLoadFailed, path);
  try {
    SetProfileBytes(record, bytes.data(), static_cast<int64_t>(bytes.size()));
  } catch (const std::bad_alloc&) {
    return Error(kOutOfMemory, path);
  }
  if (!record.TransformLoaded) return Error(kForeignProfile, path);
  SetProfileName(record, ProfileNameFromFile(path));
  return kOk;
}

std::string ProfileNameFromFile(const std::string& path) {
  std::string name = FileNameOf(path);
  if (HasExtension(name, ".tnp")) name.resize(name.size() - 4);
  return name;
}

Error SaveProfileFile(ProfileRecord& record, const std::string& path) {
  if (record.bytes.empty() || WriteFileAtomically(path, record.bytes).failed()) return Error(kProfileSaveFailed, path);
  record.Unsaved = false;
  return kOk;
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
