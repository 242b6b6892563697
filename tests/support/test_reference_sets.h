#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/reference_data.h"

namespace tintara::test {

// A reference set of `count` entries whose values (seeded by `seed`) differ from entry to entry and
// channel to channel, so an entry read from the wrong place shows.
ReferenceSet TestReferenceSet(const std::string& name, int count, uint16_t seed);

// Three sets that reach the edges of the formats: a K7 set, a K3 set with an empty name, and a K7
// set with the longest name and the largest values.
ReferenceSetList TestReferenceSets();

// The file image EncodeReferenceData makes of `sets`, which must be sets the format can hold: a
// refusal fails the test.
std::vector<uint8_t> EncodedReferenceSets(const ReferenceSetList& sets);

}  // namespace tintara::test
