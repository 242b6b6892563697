#pragma once

#include <string>

#include "base/error.h"
#include "profiles/profile_record.h"

namespace tintara {

// Reads a profile file into the cleared `record`, naming it after the file (see ProfileNameFromFile).
// Every failure names the file in its detail: kProfileLoadFailed for a file that cannot be opened or
// read whole, has no bytes or is far too large to be a profile; kForeignProfile for one that is not a
// profile of this system (its bytes are in the record all the same, for whoever takes any profile);
// kOutOfMemory when its bytes cannot be held.
Error ReadProfileFile(const std::string& path, ProfileRecord& record);

// The name of a profile read from a file: the file name without its folder and without a final
// ".tnp" (in any letter case).
std::string ProfileNameFromFile(const std::string& path);

// Writes the record's bytes to `path` through a temporary file renamed into place, so a failed save
// never destroys an existing file; on success clears Unsaved. Fails with kProfileSaveFailed and the
// path when not every byte could be written (or the record has none).
Error SaveProfileFile(ProfileRecord& record, const std::string& path);

// The text of the record's entry in the profile lists: the name, followed by " (" description ")"
// when the description is not empty.
std::string ProfileBoxText(const ProfileRecord& record);

// The file name proposed when a profile is saved: the name, cut at its last "." when it ends in
// ".tif", ".tiff", ".jpg" or ".jpeg" (any letter case), then ".tnp".
std::string ProposedProfileFileName(const std::string& name);

}  // namespace tintara
