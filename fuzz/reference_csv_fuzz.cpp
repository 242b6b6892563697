// The reference data's readable form over arbitrary text. A failure says why; whatever is accepted
// can be written in both forms, and each written form reads back as the same sets.

#include <cstdint>
#include <string>

#include "base/result_codes.h"
#include "engine/reference_csv.h"
#include "engine/reference_data.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tintara;
  using tintara::fuzz::Check;

  const std::string text(reinterpret_cast<const char*>(data), size);
  ReferenceSetList sets = {ReferenceSet{"left over", {}}};  // must be emptied first
  const Error parsed = ParseReferenceCsv(text, sets);
  if (parsed.failed()) {
    Check(parsed == kReferenceSourceInvalid, "ParseReferenceCsv returned a code outside its list");
    Check(parsed.detail().rfind("line ", 0) == 0, "ParseReferenceCsv failed without saying where and why");
    Check(sets.empty(), "a refused text left sets behind");
    return 0;
  }
  Check(parsed.detail().empty(), "ParseReferenceCsv succeeded with an error message");

  ReferenceSetList again;
  Check(ParseReferenceCsv(FormatReferenceCsv(sets), again).ok(), "formatted sets do not parse");
  Check(again == sets, "formatted sets parse back differently");

  std::vector<uint8_t> encoded;
  Check(EncodeReferenceData(sets, encoded).ok() && !encoded.empty(), "accepted sets cannot be encoded");
  ReferenceSetList decoded;
  Check(ParseReferenceData(decoded, encoded.data(), encoded.size()).ok() && decoded == sets,
        "encoded sets do not decode back the same");
  return 0;
}
