#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/error.h"

namespace tintara {

// One colour area's target colour (device RGB, on an 8-bit or a 16-bit scale) and its weight in
// percent (100 = full weight).
struct ReferenceEntry {
  uint16_t R = 0;
  uint16_t G = 0;
  uint16_t B = 0;
  uint16_t W = 0;

  friend bool operator==(const ReferenceEntry&, const ReferenceEntry&) = default;
};

// A named reference set: 30 entries serve the K7 card, 3 entries the K3 card.
struct ReferenceSet {
  std::string name;
  std::vector<ReferenceEntry> entries;

  int EntryCount() const { return static_cast<int>(entries.size()); }
  friend bool operator==(const ReferenceSet&, const ReferenceSet&) = default;
};

using ReferenceSetList = std::vector<ReferenceSet>;

// Entry counts of the two record types of Lumeno.dat.
inline constexpr int kK7EntryCount = 30;
inline constexpr int kK3EntryCount = 3;

// The key bytes XOR-ed into the low byte of every stored entry value, one per position in the entry
// (R, G, B, W). The loader and the writer share this one definition.
inline constexpr uint8_t kReferenceKey[4] = {0x5A, 0xC3, 0x96, 0x3D};

// Empties `sets`, then reads the reference data file at `path`. Returns success,
// 2 (kReferenceDataMissing) when the file cannot be opened, 4 (kReferenceDataCorrupt) when its
// contents break the format. The codes come without a detail: their texts are the whole message
// the program shows for them. Sets read before a failure stay in the list.
Error LoadReferenceData(ReferenceSetList& sets, const std::string& path);

// Parses reference data already in memory; same codes as LoadReferenceData (never 2).
Error ParseReferenceData(ReferenceSetList& sets, const uint8_t* data, size_t size);

// Sets `bytes` to the file image of `sets` in the Lumeno.dat format. Every set must have 30 or 3
// entries and a name of at most 255 bytes; otherwise `bytes` is left empty and the result is
// kReferenceSourceInvalid with a detail naming the set and what is wrong with it.
Error EncodeReferenceData(const ReferenceSetList& sets, std::vector<uint8_t>& bytes);

}  // namespace tintara
