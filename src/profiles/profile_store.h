#pragma once

#include <string>
#include <vector>

#include "profiles/profile_record.h"

namespace tintara {

// The application's list of known profiles, in order of insertion. A record's position is the key
// the profile lists keep with their entries. Two records are the same profile when both their names
// and their descriptions are equal.
class ProfileStore {
 public:
  // Takes a copy of `record`: it replaces, at its position, a record with the same name and
  // description, or is appended. Returns the copy's position.
  int AddOrReplaceProfile(const ProfileRecord& record);

  // Removes the record at `index`; later records move down by one. An index outside the store
  // changes nothing.
  void RemoveProfile(int index);

  // Removes every record read from the profile folder, keeping those of this run.
  void RemoveFolderProfiles();

  int Count() const { return static_cast<int>(records_.size()); }
  const ProfileRecord& At(int index) const { return records_.at(index); }
  ProfileRecord& At(int index) { return records_.at(index); }
  const std::vector<ProfileRecord>& Records() const { return records_; }

 private:
  std::vector<ProfileRecord> records_;
};

// Reads every "*.tnp" file of `folder` (in order of file name) into the store, after removing the
// records of an earlier scan; records created or added in this run stay. Files that cannot be read,
// are empty or are not profiles of this system are skipped without a message. Either "/" or "\" is
// accepted as the folder's final separator. Returns 0, kOutOfMemory when a file's bytes cannot be
// held, or kProfileFolderInvalid for an empty folder text.
int ScanProfileFolder(const std::string& folder, ProfileStore& store);

}  // namespace tintara
