#include "support/test_reference_sets.h"

#include <gtest/gtest.h>

namespace tintara::test {

ReferenceSet TestReferenceSet(const std::string& name, int count, uint16_t seed) {
  ReferenceSet set;
  set.name = name;
  for (int i = 0; i < count; ++i) {
    const auto v = static_cast<uint16_t>(seed + i * 1031);
    set.entries.push_back({v, static_cast<uint16_t>(v ^ 0xFFFF), static_cast<uint16_t>(v * 7u),
                           static_cast<uint16_t>(100 - i)});
  }
  return set;
}

ReferenceSetList TestReferenceSets() {
  return {TestReferenceSet("Lumeno K7 Standard (8-bit)", kK7EntryCount, 3), TestReferenceSet("", kK3EntryCount, 60000),
          TestReferenceSet(std::string(255, 'x'), kK7EntryCount, 65535)};
}

std::vector<uint8_t> EncodedReferenceSets(const ReferenceSetList& sets) {
  std::vector<uint8_t> bytes;
  const Error encoded = EncodeReferenceData(sets, bytes);
  EXPECT_TRUE(encoded.ok()) << encoded.detail();
  return bytes;
}

}  // namespace tintara::test
