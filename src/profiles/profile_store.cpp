#include "profiles/profile_store.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "base/file_names.h"
#include "base/result_codes.h"
#include "profiles/profile_file.h"

namespace tintara {

int ProfileStore::AddOrReplaceProfile(const ProfileRecord& record) {
  for (size_t i = 0; i < records_.size(); ++i) {
    if (records_[i].name == record.name && records_[i].description == record.description) {
      records_[i] = record;
      return static_cast<int>(i);
    }
  }
  records_.push_back(record);
  return static_cast<int>(records_.size() - 1);
}

void ProfileStore::RemoveProfile(int index) {
  if (index < 0 || index >= Count()) return;
  records_.erase(records_.begin() + index);
}

void ProfileStore::RemoveFolderProfiles() {
  for (int i = Count() - 1; i >= 0; --i) {
    if (records_[i].InFolder) records_.erase(records_.begin() + i);
  }
}

int ScanProfileFolder(const std::string& folder, ProfileStore& store) {
  if (folder.empty()) return kProfileFolderInvalid;
  std::string directory = folder;
  // A folder written with a final separator means the same folder as without it (on this platform
  // only "/" separates; a final "\" is part of a folder's name).
  if (directory.size() > 1 && IsFolderSeparator(directory.back())) directory.pop_back();

  store.RemoveFolderProfiles();

  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (it->is_regular_file(typeError) && HasExtension(it->path().filename().string(), ".tnp")) files.push_back(it->path());
  }
  // A stable order, so every run lists the folder's profiles the same way.
  std::sort(files.begin(), files.end());

  for (const std::filesystem::path& file : files) {
    ProfileRecord record;  // a fresh record for every file: nothing carries over from the last one
    switch (ReadProfileFile(file.string(), record)) {
      case ProfileFileStatus::kOk:
        record.InFolder = true;
        store.AddOrReplaceProfile(record);
        break;
      case ProfileFileStatus::kOutOfMemory:
        return kOutOfMemory;
      default:
        break;  // unreadable, empty or foreign: skipped without a message
    }
  }
  return kOk;
}

}  // namespace tintara
