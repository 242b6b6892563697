#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "profiles/profile_record.h"

namespace tintara::test {

// The bytes of a profile of this system: identity curves, a matrix that is the identity but for its
// first entry `m00`, and `description` in its text field.
std::vector<uint8_t> TestProfileBytes(double m00, const std::string& description);

// A record of such a profile, decoded and named.
ProfileRecord TestProfileRecord(const std::string& name, const std::string& description, double m00 = 1.0);

// Writes bytes to a file as they are.
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace tintara::test
