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

// What such a profile makes of packed R, G, B bytes: red times `m00`, rounded and held to 0..255,
// green and blue as they are. Exact for a whole-number `m00`.
std::vector<uint8_t> TestProfilePixels(std::vector<uint8_t> rgb, double m00);

// Straight curves and the identity matrix: a transform that leaves every pixel as it is.
ColorTransform IdentityTransform();

// Writes bytes to a file as they are.
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace tintara::test
