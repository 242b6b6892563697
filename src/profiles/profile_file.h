#pragma once

#include <string>

#include "profiles/profile_record.h"

namespace tintara {

enum class ProfileFileStatus {
  kOk,           // read and decoded; the record is named after the file
  kCannotRead,   // the file cannot be opened or read whole (also a file far too large to be a profile)
  kEmpty,        // the file has no bytes
  kForeign,      // not a profile of this system
  kOutOfMemory,  // the file's bytes cannot be held in memory
};

// Reads a profile file into the cleared `record`, naming it after the file (see ProfileNameFromFile).
ProfileFileStatus ReadProfileFile(const std::string& path, ProfileRecord& record);

// The name of a profile read from a file: the file name without its folder and without a final
// ".tnp" (in any letter case).
std::string ProfileNameFromFile(const std::string& path);

// Writes the record's bytes to `path` through a temporary file renamed into place, so a failed save
// never destroys an existing file; on success clears Unsaved. Returns false when not every byte
// could be written.
bool SaveProfileFile(ProfileRecord& record, const std::string& path);

// The text of the record's entry in the profile lists: the name, followed by " (" description ")"
// when the description is not empty.
std::string ProfileBoxText(const ProfileRecord& record);

// The file name proposed when a profile is saved: the name, cut at its last "." when it ends in
// ".tif", ".tiff", ".jpg" or ".jpeg" (any letter case), then ".tnp".
std::string ProposedProfileFileName(const std::string& name);

}  // namespace tintara
