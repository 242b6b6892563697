#include "profiles/profile_record.h"

#include <cstring>

#include "base/result_codes.h"
#include "engine/icc_profile.h"
#include "engine/transform_fit.h"

namespace tintara {

namespace {

// Decodes the record's own bytes into its transform and description, on a scratch engine context so
// the engine's working context is never disturbed.
void DecodeRecordBytes(ProfileRecord& record) {
  EngineContext scratch;
  if (decode_icc_220(record.bytes.data(), record.bytes.size(), scratch) != kOk) return;
  std::memcpy(record.transform.baseCurves, scratch.baseCurves, sizeof(record.transform.baseCurves));
  for (int r = 0; r < 3; ++r) {
    for (int k = 0; k < 3; ++k) record.transform.matrix[r][k] = scratch.matrixA[3 * r + k];
  }
  record.TransformLoaded = true;
  if (scratch.decodedDescriptionOffset >= 0) {
    record.descriptionOffset = scratch.decodedDescriptionOffset;
    record.description = DescriptionFromBytes(record.bytes, record.descriptionOffset);
  }
}

}  // namespace

ProfileRecord::ProfileRecord(const ProfileRecord& other) { *this = other; }

ProfileRecord& ProfileRecord::operator=(const ProfileRecord& other) {
  if (this == &other) return *this;
  bytes = other.bytes;
  descriptionOffset = other.descriptionOffset;
  name = other.name;
  description = other.description;
  InFolder = other.InFolder;
  Unsaved = other.Unsaved;
  TransformLoaded = other.TransformLoaded;
  transform = other.transform;
  if (!bytes.empty()) DecodeRecordBytes(*this);
  return *this;
}

void SetProfileBytes(ProfileRecord& record, const uint8_t* bytes, int64_t size) {
  if (size <= 0 || bytes == nullptr) return;
  record.bytes.assign(bytes, bytes + size);
  DecodeRecordBytes(record);
}

void SetProfileName(ProfileRecord& record, const std::string& name) {
  record.name = name.empty() ? "NoName" : name;
}

void SetProfileDescription(ProfileRecord& record, const std::string& description) {
  // The record keeps what its description field can hold, also while no field is known, so the
  // text shown (and compared when records meet in the store) is the one its bytes give back.
  record.description = StoredDescription(description);
  if (record.descriptionOffset >= 0) {
    SetDescriptionInBytes(record.bytes, record.descriptionOffset, record.description);
  }
}

}  // namespace tintara
