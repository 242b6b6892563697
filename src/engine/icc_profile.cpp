#include "engine/icc_profile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "base/result_codes.h"
#include "base/text_encoding.h"

namespace tintara {

namespace {

struct TagEntry {
  char signature[5];
  uint32_t offset;
  uint32_t size;
};

// The tag table of every written profile, in file order.
constexpr TagEntry kTagTable[] = {
    {"cprt", 264, 28},  {"desc", 292, 154}, {"rXYZ", 448, 20},  {"gXYZ", 468, 20},
    {"bXYZ", 488, 20},  {"wtpt", 508, 20},  {"bkpt", 528, 20},  {"rTRC", 548, 524},
    {"gTRC", 1072, 524}, {"bTRC", 1596, 524}, {"Tnrf", 2120, 3144},
};
constexpr int kTagCount = sizeof(kTagTable) / sizeof(kTagTable[0]);

class ByteWriter {
 public:
  explicit ByteWriter(std::vector<uint8_t>& bytes) : bytes_(bytes) {}
  void Seek(size_t position) { position_ = position; }
  void U16(uint16_t v) {
    bytes_[position_++] = uint8_t(v >> 8);
    bytes_[position_++] = uint8_t(v);
  }
  void U32(uint32_t v) {
    U16(uint16_t(v >> 16));
    U16(uint16_t(v));
  }
  void S32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void Signature(const char* s) {
    for (int i = 0; i < 4; ++i) bytes_[position_++] = uint8_t(s[i]);
  }
  void Text(const char* s, size_t fieldSize) {
    const size_t n = std::min(std::strlen(s), fieldSize);
    std::memcpy(&bytes_[position_], s, n);
    position_ += fieldSize;
  }

 private:
  std::vector<uint8_t>& bytes_;
  size_t position_ = 0;
};

// value x scale cut toward zero, kept inside the target type so an extreme value cannot overflow.
int32_t FixedCut(double value, double scale) {
  const double v = value * scale;
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

uint16_t Unsigned16(double v) {
  if (!(v > 0.0)) return 0;  // also NaN
  if (v >= 65535.0) return 65535;
  return static_cast<uint16_t>(v);
}

// Public tone curves are cut, the private copies rounded: the two may differ by one.
uint16_t CurveCut(double value) { return Unsigned16(value * 65535.0); }
uint16_t CurveRound(double value) { return Unsigned16(value * 65535.0 + 0.5); }

uint32_t ReadU32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}
uint16_t ReadU16(const uint8_t* p) { return uint16_t((p[0] << 8) | p[1]); }

void DecodePrivateTag(const uint8_t* tag, EngineContext& context) {
  const uint8_t* p = tag;
  for (int primary = 0; primary < 3; ++primary) {
    for (int axis = 0; axis < 3; ++axis, p += 4) {
      context.colourants[primary][axis] = static_cast<int32_t>(ReadU32(p)) / 65535.0;
    }
  }
  for (int curve = 0; curve < 6; ++curve) {
    double* target = curve < 3 ? context.baseCurves[curve] : context.gammaCurves[curve - 3];
    for (int j = 0; j < 256; ++j, p += 2) target[j] = ReadU16(p) / 65535.0;
  }
  // Matrix A is stored column by column.
  for (int col = 0; col < 3; ++col) {
    for (int row = 0; row < 3; ++row, p += 4) {
      context.matrixA[row * 3 + col] = static_cast<int32_t>(ReadU32(p)) / 65535.0;
    }
  }
}

}  // namespace

std::vector<uint8_t> WriteProfileBytes(const EngineContext& context) {
  std::vector<uint8_t> bytes(kProfileSize, 0);
  ByteWriter w(bytes);

  // Header.
  w.U32(kProfileSize);
  w.Signature("TNRF");
  w.U32(0x02200000);
  w.Signature("scnr");
  w.Signature("RGB ");
  w.Signature("XYZ ");
  // A fixed date, so the same fit always gives the same bytes.
  for (uint16_t v : {2002, 8, 19, 20, 5, 30}) w.U16(v);
  w.Signature("acsp");
  w.Signature("MSFT");
  w.U32(0);            // flags
  w.Signature("none");  // manufacturer
  w.Seek(68);           // model, attributes and rendering intent stay 0
  w.U32(0x0000F6D6);    // D50
  w.U32(0x00010000);
  w.U32(0x0000D32D);
  w.Signature("TNRF");

  // Tag table.
  w.Seek(128);
  w.U32(kTagCount);
  for (const TagEntry& e : kTagTable) {
    w.Signature(e.signature);
    w.U32(e.offset);
    w.U32(e.size);
  }

  w.Seek(264);
  w.Signature("text");
  w.U32(0);
  w.Text(kCopyrightNotice, 20);

  w.Seek(292);
  w.Signature("desc");
  w.U32(0);
  w.U32(kDescriptionFieldSize);
  w.Text("LN", kDescriptionFieldSize);  // placeholder until the caller sets the real description

  for (int primary = 0; primary < 3; ++primary) {
    w.Seek(448 + 20 * primary);
    w.Signature("XYZ ");
    w.U32(0);
    for (int axis = 0; axis < 3; ++axis) w.S32(FixedCut(context.colourants[primary][axis], 65536.0));
  }
  w.Seek(508);
  w.Signature("XYZ ");
  w.U32(0);
  w.U32(0x0000C2FB);
  w.U32(0x0000CD45);
  w.U32(0x0000A173);
  w.Seek(528);
  w.Signature("XYZ ");  // black point 0, 0, 0

  for (int ch = 0; ch < 3; ++ch) {
    w.Seek(548 + 524 * ch);
    w.Signature("curv");
    w.U32(0);
    w.U32(256);
    for (int j = 0; j < 256; ++j) w.U16(CurveCut(context.gammaCurves[ch][j]));
  }

  // Private tag: no type signature, 65535 as the scale of its fixed-point numbers.
  w.Seek(2120);
  for (int primary = 0; primary < 3; ++primary) {
    for (int axis = 0; axis < 3; ++axis) w.S32(FixedCut(context.colourants[primary][axis], 65535.0));
  }
  for (int ch = 0; ch < 3; ++ch) {
    for (int j = 0; j < 256; ++j) w.U16(CurveRound(context.baseCurves[ch][j]));
  }
  for (int ch = 0; ch < 3; ++ch) {
    for (int j = 0; j < 256; ++j) w.U16(CurveRound(context.gammaCurves[ch][j]));
  }
  for (int col = 0; col < 3; ++col) {
    for (int row = 0; row < 3; ++row) w.S32(FixedCut(context.matrixA[row * 3 + col], 65535.0));
  }
  return bytes;
}

Error make_rgb_icc(const SampleSet& samples, const EngineReferenceSet& reference, ProfileHolder& holder,
                   EngineContext& context) {
  holder.Release();
  const Error fitted = opt_transform(context, samples, reference);
  if (fitted.failed() && fitted != kPoorQuality) return fitted;
  holder.bytes = WriteProfileBytes(context);
  holder.descriptionOffset = kDescriptionOffset;
  return fitted;
}

Error decode_icc_220(const uint8_t* bytes, size_t size, EngineContext& context) {
  context.decodedDescriptionOffset = -1;
  if (bytes == nullptr || size < 132) return kForeignProfile;
  const uint64_t tagCount = ReadU32(bytes + 128);
  if (132 + tagCount * 12 > size) return kForeignProfile;

  // Decode into a scratch context first, so a profile found foreign halfway leaves no mixture behind.
  EngineContext decoded;
  bool foundPrivate = false;
  uint64_t privateOffset = 0;
  int descriptionOffset = -1;
  uint64_t descriptionTagEnd = 0;
  for (uint64_t i = 0; i < tagCount; ++i) {
    const uint8_t* entry = bytes + 132 + i * 12;
    const uint64_t offset = ReadU32(entry + 4);
    const uint64_t tagSize = ReadU32(entry + 8);
    if (std::memcmp(entry, "desc", 4) == 0) {
      // The text must start inside the tag and its NUL must come before the tag (and the bytes) end.
      const uint64_t textStart = offset + 12;
      const uint64_t tagEnd = std::min<uint64_t>(offset + tagSize, size);
      if (textStart >= tagEnd) return kForeignProfile;
      if (std::memchr(bytes + textStart, 0, tagEnd - textStart) == nullptr) return kForeignProfile;
      descriptionOffset = static_cast<int>(textStart);
      descriptionTagEnd = tagEnd;
    } else if (std::memcmp(entry, "Tnrf", 4) == 0) {
      if (offset + kPrivateTagSize > size) return kForeignProfile;
      DecodePrivateTag(bytes + offset, decoded);
      foundPrivate = true;
      privateOffset = offset;
    }
  }
  if (!foundPrivate) return kForeignProfile;
  // A new description is written over the whole 64-byte field (SetDescriptionInBytes). Where that
  // field reaches past its tag, or into the header, the tag table or the private tag, the write
  // would quietly change the layout or the transform of the profile; such a profile is used as
  // one without a description rather than damaged by the next edit.
  if (descriptionOffset >= 0) {
    const uint64_t fieldStart = static_cast<uint64_t>(descriptionOffset);
    const uint64_t fieldEnd = fieldStart + kDescriptionFieldSize;
    const bool insideTag = fieldEnd <= descriptionTagEnd;
    const bool clearOfTable = fieldStart >= 132 + tagCount * 12;
    const bool clearOfPrivate = fieldEnd <= privateOffset || fieldStart >= privateOffset + kPrivateTagSize;
    if (!insideTag || !clearOfTable || !clearOfPrivate) descriptionOffset = -1;
  }
  std::memcpy(context.colourants, decoded.colourants, sizeof(decoded.colourants));
  std::memcpy(context.baseCurves, decoded.baseCurves, sizeof(decoded.baseCurves));
  std::memcpy(context.gammaCurves, decoded.gammaCurves, sizeof(decoded.gammaCurves));
  std::memcpy(context.matrixA, decoded.matrixA, sizeof(decoded.matrixA));
  context.decodedDescriptionOffset = descriptionOffset;
  return kOk;
}

std::string DescriptionFieldBytes(const std::string& description) {
  std::string field = Utf8ToLatin1(description);
  // The field ends at its first NUL: text after one would be written but never read back.
  const size_t nul = field.find('\0');
  if (nul != std::string::npos) field.resize(nul);
  // One byte per character, so this cut never falls inside a character.
  if (field.size() > static_cast<size_t>(kMaxDescriptionLength)) field.resize(kMaxDescriptionLength);
  return field;
}

bool LooksLikeIccProfile(std::span<const uint8_t> bytes) {
  constexpr size_t kHeaderAndTagCount = 132;
  if (bytes.size() < kHeaderAndTagCount) return false;
  const uint8_t* p = bytes.data();
  const uint64_t tagTableEnd = kHeaderAndTagCount + uint64_t{ReadU32(p + 128)} * 12;
  return ReadU32(p) == bytes.size() && std::memcmp(p + 36, "acsp", 4) == 0 && tagTableEnd <= bytes.size();
}

std::string StoredDescription(const std::string& description) {
  return Latin1ToUtf8(DescriptionFieldBytes(description));
}

Error SetDescriptionInBytes(std::vector<uint8_t>& bytes, int offset, const std::string& description) {
  if (offset < 0 || static_cast<size_t>(offset) + kDescriptionFieldSize > bytes.size()) {
    return kProfileSizeInconsistent;
  }
  const std::string field = DescriptionFieldBytes(description);
  std::fill_n(bytes.begin() + offset, kDescriptionFieldSize, uint8_t{0});
  std::memcpy(bytes.data() + offset, field.data(), field.size());
  return kOk;
}

std::string DescriptionFromBytes(const std::vector<uint8_t>& bytes, int offset) {
  if (offset < 0 || static_cast<size_t>(offset) >= bytes.size()) return {};
  const size_t available = std::min<size_t>(bytes.size() - offset, kMaxDescriptionLength);
  const char* text = reinterpret_cast<const char*>(bytes.data() + offset);
  return Latin1ToUtf8(std::string_view(text, strnlen(text, available)));
}

}  // namespace tintara
