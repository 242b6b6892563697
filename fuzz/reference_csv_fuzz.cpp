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
  std::string error = "left over";
  if (!ParseReferenceCsv(text, sets, error)) {
    Check(!error.empty() && error != "left over", "ParseReferenceCsv failed without saying why");
    return 0;
  }
  Check(error.empty(), "ParseReferenceCsv succeeded with an error message");

  ReferenceSetList again;
  std::string againError;
  Check(ParseReferenceCsv(FormatReferenceCsv(sets), again, againError), "formatted sets do not parse");
  Check(again == sets, "formatted sets parse back differently");

  std::string encodeError;
  const std::vector<uint8_t> encoded = EncodeReferenceData(sets, &encodeError);
  Check(!encoded.empty(), "accepted sets cannot be encoded");
  ReferenceSetList decoded;
  Check(ParseReferenceData(decoded, encoded.data(), encoded.size()) == kOk && decoded == sets,
        "encoded sets do not decode back the same");
  return 0;
}
