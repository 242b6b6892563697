// SetProfileBytes over arbitrary bytes, then what the program does next with a record: copy it (which
// decodes the bytes again), give it a new description (which writes into the bytes at the decoded
// position) and show it in the lists.

#include <cstdint>
#include <cstring>
#include <string>

#include "engine/icc_profile.h"
#include "fuzz_support.h"
#include "profiles/profile_file.h"
#include "profiles/profile_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tintara;
  using tintara::fuzz::Check;

  ProfileRecord record;
  SetProfileBytes(record, data, static_cast<int64_t>(size));
  Check(record.bytes.size() == size, "the record does not hold a copy of the bytes");
  Check(StoredDescription(record.description) == record.description,
        "the decoded description is too long or holds what its field cannot");
  if (!record.TransformLoaded) {
    Check(record.descriptionOffset == -1 && record.description.empty(),
          "a foreign profile got a description");
  }

  const ProfileRecord copy(record);
  Check(copy.bytes == record.bytes && copy.TransformLoaded == record.TransformLoaded &&
            copy.descriptionOffset == record.descriptionOffset && copy.description == record.description,
        "a copy decodes differently from its original");

  // A description longer than the field, to test the cut as well as the write.
  SetProfileDescription(record, std::string(80, 'd'));
  Check(record.bytes.size() == size, "setting the description changed the size of the bytes");
  Check(record.description.size() == kMaxDescriptionLength, "the description was not cut to its field");
  if (record.TransformLoaded) {
    // Writing the description must touch the description alone: the bytes, saved and read again,
    // still give the same transform.
    ProfileRecord reread;
    SetProfileBytes(reread, record.bytes.data(), static_cast<int64_t>(record.bytes.size()));
    Check(reread.TransformLoaded, "setting the description made the profile unreadable");
    Check(std::memcmp(reread.transform.baseCurves, record.transform.baseCurves,
                      sizeof(record.transform.baseCurves)) == 0 &&
              std::memcmp(reread.transform.matrix, record.transform.matrix, sizeof(record.transform.matrix)) == 0,
          "setting the description changed the transform in the bytes");
  }
  SetProfileName(record, "");
  Check(!ProfileBoxText(record).empty(), "a record shows as an empty entry");
  return 0;
}
