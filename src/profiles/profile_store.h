#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/error.h"
#include "profiles/profile_record.h"

namespace tintara {

// A profile's identity in the store for the length of the run: what the profile lists, documents and
// batch items keep, never a list's text (two profiles can read alike) nor a position (positions move
// when a profile is removed). 0 is no profile.
using ProfileId = uint64_t;
inline constexpr ProfileId kNoProfile = 0;

// The application's list of known profiles, in order of insertion. Two records are the same profile
// when both their names and their descriptions are equal; such a record replacing another keeps its
// identity. A copy of the store (a batch run works on one) keeps every identity.
class ProfileStore {
 public:
  // Takes a copy of `record`: it replaces, at its position and with its identity, a record with the
  // same name and description, or is appended with a new identity (`preferred` when that is free, so
  // a profile read again from the folder stays the profile it was). Returns the copy's position.
  int AddOrReplaceProfile(const ProfileRecord& record, ProfileId preferred = kNoProfile);

  // Removes the record at `index`; later records move down by one. An index outside the store
  // changes nothing.
  void RemoveProfile(int index);

  // Removes every record read from the profile folder, keeping those of this run.
  void RemoveFolderProfiles();

  int Count() const { return static_cast<int>(records_.size()); }
  const ProfileRecord& At(int index) const { return records_.at(index); }
  ProfileRecord& At(int index) { return records_.at(index); }
  const std::vector<ProfileRecord>& Records() const { return records_; }

  // The identity of the record at `index` (kNoProfile outside the store), the position of a profile
  // (-1 when it is not in the store), and the profile itself (nullptr then).
  ProfileId IdAt(int index) const;
  int IndexOf(ProfileId id) const;
  const ProfileRecord* Find(ProfileId id) const;
  ProfileRecord* Find(ProfileId id);

 private:
  std::vector<ProfileRecord> records_;
  std::vector<ProfileId> ids_;  // beside records_, one for one
  ProfileId lastId_ = kNoProfile;
};

// Whether `folder` can serve as the profile folder: a folder that exists and can be listed. Fails
// with kProfileFolderInvalid and the folder text as detail for an empty text, a path that does not
// exist or is not a folder, and a folder that cannot be read. Every place that takes a profile
// folder asks here, so they all agree on what a usable one is.
Error CheckProfileFolder(const std::string& folder);

// Reads every "*.tnp" file of `folder` (in order of file name) into the store, after removing the
// records of an earlier scan; records created or added in this run stay. Files that cannot be read,
// are empty or are not profiles of this system are skipped without a message. Either "/" or "\" is
// accepted as the folder's final separator. Fails as CheckProfileFolder does for a folder that
// cannot be used: an empty text leaves the store as it was, a folder that is named but cannot be
// listed leaves it without folder records. Fails with kOutOfMemory (and the file) when a file's
// bytes cannot be held.
Error ScanProfileFolder(const std::string& folder, ProfileStore& store);

}  // namespace tintara
