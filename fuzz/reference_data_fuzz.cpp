// The reference data reader over arbitrary bytes, through both of its entry points: the one for bytes
// in memory and the one that streams a file. Both must come to the same result (sets read before a
// failure included), and whatever they accept must encode to bytes that read back as the same sets.

#include <cstdint>

#include "base/result_codes.h"
#include "engine/reference_data.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tintara;
  using tintara::fuzz::Check;

  ReferenceSetList fromMemory;
  const int memoryCode = ParseReferenceData(fromMemory, data, size).code();
  Check(memoryCode == kOk || memoryCode == kReferenceDataCorrupt, "ParseReferenceData returned a code outside its list");
  for (const ReferenceSet& set : fromMemory) {
    Check(set.EntryCount() == kK7EntryCount || set.EntryCount() == kK3EntryCount, "a set of the wrong size");
  }

  const std::string path = fuzz::WriteScratchFile("Lumeno.dat", data, size);
  ReferenceSetList fromFile = {ReferenceSet{"left over", {}}};  // must be emptied first
  const int fileCode = LoadReferenceData(fromFile, path).code();
  Check(fileCode == memoryCode, "the file and the memory reader disagree on the result");
  Check(fromFile == fromMemory, "the file and the memory reader disagree on the sets");

  if (memoryCode == kOk) {
    std::vector<uint8_t> encoded;
    Check(EncodeReferenceData(fromMemory, encoded).ok() && !encoded.empty(), "sets that were read cannot be written");
    ReferenceSetList again;
    Check(ParseReferenceData(again, encoded.data(), encoded.size()).ok() && again == fromMemory,
          "written sets do not read back the same");
  }
  return 0;
}
