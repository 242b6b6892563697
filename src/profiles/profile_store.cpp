#include "profiles/profile_store.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <utility>
#include <system_error>

#include "base/file_names.h"
#include "base/result_codes.h"
#include "profiles/profile_file.h"

namespace tintara {

int ProfileStore::AddOrReplaceProfile(const ProfileRecord& record, ProfileId preferred) {
  for (size_t i = 0; i < records_.size(); ++i) {
    if (records_[i].name == record.name && records_[i].description == record.description) {
      records_[i] = record;
      return static_cast<int>(i);
    }
  }
  ProfileId id = preferred;
  if (id == kNoProfile || id > lastId_ || IndexOf(id) >= 0) id = ++lastId_;
  records_.push_back(record);
  ids_.push_back(id);
  return static_cast<int>(records_.size() - 1);
}

void ProfileStore::RemoveProfile(int index) {
  if (index < 0 || index >= Count()) return;
  records_.erase(records_.begin() + index);
  ids_.erase(ids_.begin() + index);
}

void ProfileStore::RemoveFolderProfiles() {
  for (int i = Count() - 1; i >= 0; --i) {
    if (records_[i].InFolder) RemoveProfile(i);
  }
}

ProfileId ProfileStore::IdAt(int index) const {
  return index >= 0 && index < Count() ? ids_[static_cast<size_t>(index)] : kNoProfile;
}

int ProfileStore::IndexOf(ProfileId id) const {
  if (id == kNoProfile) return -1;
  const auto it = std::find(ids_.begin(), ids_.end(), id);
  return it == ids_.end() ? -1 : static_cast<int>(it - ids_.begin());
}

const ProfileRecord* ProfileStore::Find(ProfileId id) const {
  const int index = IndexOf(id);
  return index < 0 ? nullptr : &records_[static_cast<size_t>(index)];
}

ProfileRecord* ProfileStore::Find(ProfileId id) {
  const int index = IndexOf(id);
  return index < 0 ? nullptr : &records_[static_cast<size_t>(index)];
}

namespace {

// A folder written with a final separator means the same folder as without it (on this platform
// only "/" separates; a final "\" is part of a folder's name).
std::string FolderWithoutFinalSeparator(const std::string& folder) {
  std::string directory = folder;
  if (directory.size() > 1 && IsFolderSeparator(directory.back())) directory.pop_back();
  return directory;
}

}  // namespace

Error CheckProfileFolder(const std::string& folder) {
  const Error invalid(kProfileFolderInvalid, folder);
  if (folder.empty()) return invalid;
  // Opening the listing is the test: it fails alike for a path that is missing, one that is a file
  // and a folder that may not be read, and a folder that opens here can be scanned.
  std::error_code ec;
  const std::filesystem::directory_iterator listing(FolderWithoutFinalSeparator(folder), ec);
  return ec ? invalid : Error();
}

Error ScanProfileFolder(const std::string& folder, ProfileStore& store) {
  const Error usable = CheckProfileFolder(folder);
  // An empty text names no folder: what is listed stays.
  if (folder.empty()) return usable;
  const std::string directory = FolderWithoutFinalSeparator(folder);

  // A profile the folder still holds is the same profile after the new scan: the lists and batch
  // items that name it keep it.
  std::map<std::pair<std::string, std::string>, ProfileId> previous;
  for (int i = 0; i < store.Count(); ++i) {
    if (store.At(i).InFolder) previous.emplace(std::pair(store.At(i).name, store.At(i).description), store.IdAt(i));
  }
  store.RemoveFolderProfiles();
  // A folder that is named but cannot be listed has no profiles to show; those of the folder named
  // before have gone all the same, as the list is the new folder's.
  if (usable.failed()) return usable;

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
    const Error read = ReadProfileFile(file.string(), record);
    switch (read.code()) {
      case kOk:
        record.InFolder = true;
        if (const auto it = previous.find({record.name, record.description}); it != previous.end()) {
          store.AddOrReplaceProfile(record, it->second);
        } else {
          store.AddOrReplaceProfile(record);
        }
        break;
      case kOutOfMemory:
        return read;
      default:
        break;  // unreadable, empty or foreign: skipped without a message
    }
  }
  return kOk;
}

}  // namespace tintara
