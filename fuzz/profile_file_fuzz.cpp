// ReadProfileFile, the read the profile folder scan makes of every file in the folder, over arbitrary
// file contents. The result must describe what happened to the record.

#include <cstdint>

#include "base/result_codes.h"
#include "fuzz_support.h"
#include "profiles/profile_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tintara;
  using tintara::fuzz::Check;

  const std::string path = fuzz::WriteScratchFile("Studio Daylight.TNP", data, size);
  ProfileRecord record;
  const Error read = ReadProfileFile(path, record);
  Check(read.ok() || read.detail() == path, "a failure does not name the file");
  switch (read.code()) {
    case kOk:
      Check(record.TransformLoaded, "a profile read as ours has no transform");
      Check(record.name == "Studio Daylight", "a profile read from a file is not named after it");
      Check(record.bytes.size() == size, "the record does not hold the whole file");
      break;
    case kProfileLoadFailed:
      Check(size == 0, "a readable file of a few kilobytes could not be read");
      break;
    case kForeignProfile:
      Check(size > 0 && !record.TransformLoaded, "a decoded or empty file was called foreign");
      break;
    default:
      fuzz::Fail("a readable file of a few kilobytes gave an unexpected failure");
  }
  return 0;
}
