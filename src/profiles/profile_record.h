#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/color_transform.h"

namespace tintara {

// A profile in memory: its file's bytes with the name, description and transform taken from them.
// A default-constructed record is cleared: no bytes, no offset, empty texts, no flags.
struct ProfileRecord {
  std::vector<uint8_t> bytes;
  int descriptionOffset = -1;  // where the description text sits in the bytes; -1 when not known
  std::string name;
  std::string description;  // UTF-8, at most 63 characters, each one the field can hold
  bool InFolder = false;         // read from the profile folder
  bool Unsaved = false;          // created in this run and not yet written to a file
  bool TransformLoaded = false;  // the bytes decoded into a transform of this system
  ColorTransform transform;

  ProfileRecord() = default;
  // A copy owns its own bytes and decodes them afresh.
  ProfileRecord(const ProfileRecord& other);
  ProfileRecord& operator=(const ProfileRecord& other);
  ProfileRecord(ProfileRecord&&) noexcept = default;
  ProfileRecord& operator=(ProfileRecord&&) noexcept = default;

  int Size() const { return static_cast<int>(bytes.size()); }
};

// Takes a copy of `size` bytes and decodes them: on success the record gets the transform,
// TransformLoaded, and (with a 'desc' tag) the description and its offset. A failed decoding leaves
// the transform fields as they were. A size of 0 or less does nothing.
void SetProfileBytes(ProfileRecord& record, const uint8_t* bytes, int64_t size);

// The name shown to the user; an empty name becomes "NoName".
void SetProfileName(ProfileRecord& record, const std::string& name);

// The description (UTF-8) as the profile's field holds it: characters beyond ISO 8859-1 become
// "?", the text ends at a NUL and is cut to 63 characters. It is also written into the bytes when
// its offset is known.
void SetProfileDescription(ProfileRecord& record, const std::string& description);

}  // namespace tintara
