// decode_icc_220 over arbitrary bytes. The decoder promises never to read outside `size` bytes (the
// sanitizers hold it to that, as the input block is exactly that long), to report a description
// position only where a NUL-terminated text lies inside the bytes, and to leave the caller's context
// untouched when it calls a profile foreign.

#include <cstdint>
#include <cstring>
#include <memory>

#include "base/result_codes.h"
#include "engine/icc_profile.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tintara;
  using tintara::fuzz::Check;

  // Marked values in the outputs show whether a foreign profile left anything behind.
  auto context = std::make_unique<EngineContext>();
  context->matrixA[4] = 12345.0;
  context->baseCurves[2][255] = -7.0;
  context->decodedDescriptionOffset = 99;

  const int code = decode_icc_220(data, size, *context).code();
  Check(code == kOk || code == kForeignProfile, "decode_icc_220 returned a code outside its list");
  if (code != kOk) {
    Check(context->decodedDescriptionOffset == -1, "a foreign profile kept a description position");
    Check(context->matrixA[4] == 12345.0 && context->baseCurves[2][255] == -7.0,
          "a foreign profile changed the transform");
    return 0;
  }
  const int offset = context->decodedDescriptionOffset;
  if (offset >= 0) {
    Check(static_cast<size_t>(offset) < size, "the description position lies outside the bytes");
    Check(std::memchr(data + offset, 0, size - offset) != nullptr, "the description has no NUL inside the bytes");
    const std::vector<uint8_t> bytes(data, data + size);
    // At most 63 characters, each one the field can hold: the text survives being stored again.
    const std::string description = DescriptionFromBytes(bytes, offset);
    Check(StoredDescription(description) == description, "the description does not store as itself");
  } else {
    Check(offset == -1, "a description position below -1");
  }
  // Every decoded curve value comes from 16 bits over 65535.
  for (const auto& curve : context->baseCurves) {
    for (double v : curve) Check(v >= 0.0 && v <= 1.0, "a decoded curve value outside 0..1");
  }
  return 0;
}
