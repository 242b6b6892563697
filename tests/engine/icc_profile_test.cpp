#include "engine/icc_profile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "base/result_codes.h"

namespace tintara {
namespace {

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
  return (uint32_t(b[at]) << 24) | (uint32_t(b[at + 1]) << 16) | (uint32_t(b[at + 2]) << 8) | b[at + 3];
}
uint16_t U16At(const std::vector<uint8_t>& b, size_t at) { return uint16_t((b[at] << 8) | b[at + 1]); }
std::string SigAt(const std::vector<uint8_t>& b, size_t at) {
  return std::string(reinterpret_cast<const char*>(&b[at]), 4);
}
void PutU32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (24 - 8 * i));
}

// A context with distinct, recognisable outputs, some of them negative.
EngineContext FilledContext() {
  EngineContext ctx;
  for (int p = 0; p < 3; ++p) {
    for (int a = 0; a < 3; ++a) ctx.colourants[p][a] = 0.1 * (p + 1) + 0.01 * a - (p == 2 && a == 1 ? 0.5 : 0.0);
  }
  for (int ch = 0; ch < 3; ++ch) {
    for (int j = 0; j < 256; ++j) {
      ctx.baseCurves[ch][j] = j / 255.0;
      ctx.gammaCurves[ch][j] = std::pow(j / 255.0, 2.2 + ch * 0.1);
    }
  }
  const double m[9] = {1.2, -0.15, -0.05, -0.1, 1.1, 0.0, 0.02, -0.3, 1.28};
  std::memcpy(ctx.matrixA, m, sizeof(m));
  return ctx;
}

TEST(ProfileWriter, LayoutIsFixed) {
  const std::vector<uint8_t> b = WriteProfileBytes(FilledContext());
  ASSERT_EQ(b.size(), 5264u);
  EXPECT_EQ(U32At(b, 0), 5264u);
  EXPECT_EQ(SigAt(b, 4), "TNRF");
  EXPECT_EQ(U32At(b, 8), 0x02200000u);
  EXPECT_EQ(SigAt(b, 12), "scnr");
  EXPECT_EQ(SigAt(b, 16), "RGB ");
  EXPECT_EQ(SigAt(b, 20), "XYZ ");
  const uint16_t date[6] = {2002, 8, 19, 20, 5, 30};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(U16At(b, 24 + 2 * i), date[i]);
  EXPECT_EQ(SigAt(b, 36), "acsp");
  EXPECT_EQ(SigAt(b, 40), "MSFT");
  EXPECT_EQ(SigAt(b, 48), "none");
  EXPECT_EQ(U32At(b, 68), 0x0000F6D6u);
  EXPECT_EQ(U32At(b, 72), 0x00010000u);
  EXPECT_EQ(U32At(b, 76), 0x0000D32Du);
  EXPECT_EQ(SigAt(b, 80), "TNRF");
  for (size_t i = 84; i < 128; ++i) ASSERT_EQ(b[i], 0) << i;

  EXPECT_EQ(U32At(b, 128), 11u);
  const struct { const char* sig; uint32_t offset, size; } table[] = {
      {"cprt", 264, 28},   {"desc", 292, 154},  {"rXYZ", 448, 20},   {"gXYZ", 468, 20},
      {"bXYZ", 488, 20},   {"wtpt", 508, 20},   {"bkpt", 528, 20},   {"rTRC", 548, 524},
      {"gTRC", 1072, 524}, {"bTRC", 1596, 524}, {"Tnrf", 2120, 3144},
  };
  for (int i = 0; i < 11; ++i) {
    EXPECT_EQ(SigAt(b, 132 + 12 * i), table[i].sig);
    EXPECT_EQ(U32At(b, 136 + 12 * i), table[i].offset);
    EXPECT_EQ(U32At(b, 140 + 12 * i), table[i].size);
  }
  EXPECT_EQ(SigAt(b, 264), "text");
  EXPECT_EQ(b[264 + 8 + 19], 0);  // the notice always ends with a NUL
  EXPECT_EQ(SigAt(b, 292), "desc");
  EXPECT_EQ(U32At(b, 300), 64u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[304])), "LN");
  for (size_t i = 368; i < 448; ++i) ASSERT_EQ(b[i], 0) << i;  // unicode, script code, padding
  EXPECT_EQ(SigAt(b, 508), "XYZ ");
  EXPECT_EQ(U32At(b, 516), 0x0000C2FBu);
  EXPECT_EQ(U32At(b, 520), 0x0000CD45u);
  EXPECT_EQ(U32At(b, 524), 0x0000A173u);
  for (size_t i = 536; i < 548; ++i) ASSERT_EQ(b[i], 0) << i;  // black point
  for (int ch = 0; ch < 3; ++ch) {
    EXPECT_EQ(SigAt(b, 548 + 524 * ch), "curv");
    EXPECT_EQ(U32At(b, 556 + 524 * ch), 256u);
  }
}

TEST(ProfileWriter, NumbersAreCutOrRoundedAsEachTagRequires) {
  EngineContext ctx = FilledContext();
  ctx.gammaCurves[0][10] = 0.5;
  ctx.gammaCurves[0][255] = 1.0;
  ctx.baseCurves[1][3] = 0.5;
  ctx.colourants[0][0] = 0.25;
  const std::vector<uint8_t> b = WriteProfileBytes(ctx);
  // Public curve: cut.  Private copy: rounded.
  EXPECT_EQ(U16At(b, 560 + 2 * 10), 32767);
  EXPECT_EQ(U16At(b, 2120 + 36 + 3 * 512 + 2 * 10), 32768);
  EXPECT_EQ(U16At(b, 560 + 2 * 255), 65535);
  EXPECT_EQ(U16At(b, 2120 + 36 + 3 * 512 + 2 * 255), 65535);
  EXPECT_EQ(U16At(b, 2120 + 36 + 512 + 2 * 3), 32768);
  // Public colourant: s15Fixed16 (x 65536); private: x 65535.
  EXPECT_EQ(U32At(b, 456), 16384u);
  EXPECT_EQ(U32At(b, 2120), 16383u);
  // A negative value in two's complement: -0.5 + 0.31 = -0.19 for blue Y.
  EXPECT_EQ(int32_t(U32At(b, 488 + 12)), int32_t(-0.19 * 65536));
  // Matrix A column by column: the second stored number is A[1][0].
  EXPECT_EQ(int32_t(U32At(b, 2120 + 3108 + 4)), int32_t(-0.1 * 65535));
}

TEST(ProfileWriter, ExtremeValuesSaturateInsteadOfOverflowing) {
  EngineContext ctx = FilledContext();
  ctx.gammaCurves[2][0] = 1e300;
  ctx.gammaCurves[2][1] = -5;
  ctx.gammaCurves[2][2] = std::nan("");
  ctx.matrixA[4] = 1e12;
  ctx.matrixA[5] = -1e12;
  const std::vector<uint8_t> b = WriteProfileBytes(ctx);
  EXPECT_EQ(U16At(b, 1596 + 12), 65535);
  EXPECT_EQ(U16At(b, 1596 + 14), 0);
  EXPECT_EQ(U16At(b, 1596 + 16), 0);
  EXPECT_EQ(int32_t(U32At(b, 2120 + 3108 + 16)), INT32_MAX);
  EXPECT_EQ(int32_t(U32At(b, 2120 + 3108 + 28)), INT32_MIN);
}

TEST(ProfileReader, ReadsBackWhatWasWritten) {
  const EngineContext written = FilledContext();
  const std::vector<uint8_t> b = WriteProfileBytes(written);
  EngineContext read;
  ASSERT_EQ(decode_icc_220(b.data(), b.size(), read).code(), kOk);
  EXPECT_EQ(read.decodedDescriptionOffset, 304);
  for (int p = 0; p < 3; ++p) {
    for (int a = 0; a < 3; ++a) EXPECT_NEAR(read.colourants[p][a], written.colourants[p][a], 1.0 / 65535);
  }
  EXPECT_LT(read.colourants[2][1], 0.0);
  for (int ch = 0; ch < 3; ++ch) {
    for (int j = 0; j < 256; ++j) {
      ASSERT_NEAR(read.baseCurves[ch][j], written.baseCurves[ch][j], 0.5 / 65535);
      ASSERT_NEAR(read.gammaCurves[ch][j], written.gammaCurves[ch][j], 0.5 / 65535);
    }
  }
  for (int k = 0; k < 9; ++k) EXPECT_NEAR(read.matrixA[k], written.matrixA[k], 1.0 / 65535) << k;
}

TEST(ProfileReader, FindsThePrivateTagAnywhereAndIgnoresTheHeader) {
  std::vector<uint8_t> b = WriteProfileBytes(FilledContext());
  // Swap the 'Tnrf' entry (last) with the 'cprt' entry (first), and spoil the header.
  std::vector<uint8_t> first(b.begin() + 132, b.begin() + 144);
  std::copy(b.begin() + 252, b.begin() + 264, b.begin() + 132);
  std::copy(first.begin(), first.end(), b.begin() + 252);
  PutU32(b, 0, 1);
  std::memcpy(&b[36], "xxxx", 4);
  EngineContext read;
  EXPECT_EQ(decode_icc_220(b.data(), b.size(), read).code(), kOk);
  EXPECT_NEAR(read.matrixA[0], 1.2, 1.0 / 65535);
}

TEST(ProfileReader, WithoutDescriptionTagStillDecodes) {
  std::vector<uint8_t> b = WriteProfileBytes(FilledContext());
  std::memcpy(&b[144], "dsc2", 4);  // rename the 'desc' entry
  EngineContext read;
  EXPECT_EQ(decode_icc_220(b.data(), b.size(), read).code(), kOk);
  EXPECT_EQ(read.decodedDescriptionOffset, -1);
}

TEST(ProfileReader, DamagedProfilesAreForeignAndNeverReadOutside) {
  const std::vector<uint8_t> good = WriteProfileBytes(FilledContext());
  EngineContext read;
  // Every cut short of the private tag's end is foreign; the copy is sized exactly, so a read past
  // its end would show under the address sanitizer.
  for (size_t n = 0; n < good.size(); ++n) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + n);
    ASSERT_EQ(decode_icc_220(cut.data(), cut.size(), read).code(), kForeignProfile) << n;
  }
  EXPECT_EQ(decode_icc_220(nullptr, 0, read).code(), kForeignProfile);

  auto damaged = [&](auto mend) {
    std::vector<uint8_t> b = good;
    mend(b);
    return decode_icc_220(b.data(), b.size(), read).code();
  };
  EXPECT_EQ(damaged([](auto& b) { PutU32(b, 128, 0xFFFFFFFF); }), kForeignProfile);  // table past the end
  EXPECT_EQ(damaged([](auto& b) { PutU32(b, 128, 436); }), kForeignProfile);
  EXPECT_EQ(damaged([](auto& b) { PutU32(b, 128, 10); }), kForeignProfile);  // 'Tnrf' left out
  EXPECT_EQ(damaged([](auto& b) { PutU32(b, 256, 2121); }), kForeignProfile);  // private tag runs over
  EXPECT_EQ(damaged([](auto& b) { PutU32(b, 256, 0xFFFFFFF0); }), kForeignProfile);
  EXPECT_EQ(damaged([](auto& b) { PutU32(b, 148, 5260); }), kForeignProfile);  // 'desc' near the end
  EXPECT_EQ(damaged([](auto& b) { PutU32(b, 148, 0xFFFFFFFF); }), kForeignProfile);
  // A description without its NUL inside the tag.
  EXPECT_EQ(damaged([](auto& b) { std::memset(&b[304], 'A', 154 - 12); }), kForeignProfile);
  EXPECT_EQ(damaged([](auto& b) { PutU32(b, 152, 12); }), kForeignProfile);  // 'desc' size leaves no text
}

// Before a profile is embedded in an image: an ICC profile of any maker passes, nothing else does.
TEST(IccHeaderCheck, TellsProfilesFromOtherFiles) {
  const std::vector<uint8_t> ours = WriteProfileBytes(FilledContext());
  EXPECT_TRUE(LooksLikeIccProfile(ours));
  std::vector<uint8_t> foreign(132 + 12, 0);  // a header and one tag entry, of another maker
  PutU32(foreign, 0, static_cast<uint32_t>(foreign.size()));
  std::memcpy(&foreign[36], "acsp", 4);
  PutU32(foreign, 128, 1);
  EXPECT_TRUE(LooksLikeIccProfile(foreign));

  auto changed = [](std::vector<uint8_t> b, auto change) {
    change(b);
    return LooksLikeIccProfile(b);
  };
  EXPECT_FALSE(changed(foreign, [](auto& b) { b.pop_back(); }));             // shorter than its size field
  EXPECT_FALSE(changed(foreign, [](auto& b) { b.push_back(0); }));           // longer
  EXPECT_FALSE(changed(foreign, [](auto& b) { b[36] = 'b'; }));              // no 'acsp'
  EXPECT_FALSE(changed(foreign, [](auto& b) { PutU32(b, 128, 2); }));        // tag table past the end
  EXPECT_FALSE(changed(foreign, [](auto& b) { PutU32(b, 128, 0xFFFFFFFF); }));
  EXPECT_FALSE(changed(foreign, [](auto& b) { b.resize(131), PutU32(b, 0, 131); }));  // no room for the tag count
  EXPECT_FALSE(LooksLikeIccProfile({}));
  EXPECT_FALSE(LooksLikeIccProfile(std::vector<uint8_t>{1}));
  const std::string jpeg = "\xFF\xD8\xFF\xE0" + std::string(200, 'j');
  EXPECT_FALSE(LooksLikeIccProfile(std::vector<uint8_t>(jpeg.begin(), jpeg.end())));
}

TEST(ProfileDescription, IsWrittenInPlaceAndCut) {
  std::vector<uint8_t> b = WriteProfileBytes(FilledContext());
  const std::vector<uint8_t> before = b;
  const std::string sixtyThree(63, 'x');
  ASSERT_TRUE(SetDescriptionInBytes(b, 304, sixtyThree).ok());
  EXPECT_EQ(b[304 + 62], 'x');
  EXPECT_EQ(b[304 + 63], 0);
  EXPECT_EQ(DescriptionFromBytes(b, 304), sixtyThree);
  ASSERT_TRUE(SetDescriptionInBytes(b, 304, std::string(80, 'y') + "tail").ok());
  EXPECT_EQ(DescriptionFromBytes(b, 304), std::string(63, 'y'));
  ASSERT_TRUE(SetDescriptionInBytes(b, 304, "Studio").ok());
  EXPECT_EQ(DescriptionFromBytes(b, 304), "Studio");
  for (size_t i = 0; i < b.size(); ++i) {
    if (i < 304 || i >= 368) {
      ASSERT_EQ(b[i], before[i]) << i;
    } else if (i >= 304 + 6) {
      ASSERT_EQ(b[i], 0) << i;  // the longer old text is gone
    }
  }
  // A field that does not lie inside the bytes is refused, and nothing changes.
  const std::vector<uint8_t> studio = b;
  EXPECT_EQ(SetDescriptionInBytes(b, 5264 - 63, "x").code(), kProfileSizeInconsistent);
  EXPECT_EQ(SetDescriptionInBytes(b, -1, "x").code(), kProfileSizeInconsistent);
  EXPECT_EQ(b, studio);
  EXPECT_EQ(DescriptionFromBytes(b, 6000), "");
}

// Descriptions are UTF-8 in memory; the field holds ISO 8859-1, one byte per character.
TEST(ProfileDescription, FieldHoldsIso88591AndIsCutByCharacters) {
  std::vector<uint8_t> b = WriteProfileBytes(FilledContext());
  auto field = [&](size_t n) { return std::string(reinterpret_cast<const char*>(&b[304]), n); };

  ASSERT_TRUE(SetDescriptionInBytes(b, 304, "Caf\xC3\xA9 180\xC2\xB0").ok());
  EXPECT_EQ(field(10), std::string("Caf\xE9 180\xB0") + '\0');
  EXPECT_EQ(DescriptionFromBytes(b, 304), "Caf\xC3\xA9 180\xC2\xB0");

  // 64 characters: the cut keeps 63 and takes the last "é" whole, not one of its two bytes.
  const std::string x62(62, 'x');
  ASSERT_TRUE(SetDescriptionInBytes(b, 304, x62 + "\xC3\xA9z").ok());
  EXPECT_EQ(field(64), x62 + "\xE9" + '\0');
  EXPECT_EQ(DescriptionFromBytes(b, 304), x62 + "\xC3\xA9");
  std::string accents;
  for (int i = 0; i < 63; ++i) accents += "\xC3\xA9";
  ASSERT_TRUE(SetDescriptionInBytes(b, 304, accents + "\xC3\xA9").ok());
  EXPECT_EQ(DescriptionFromBytes(b, 304), accents);

  // What a profile shows once a description is set is exactly what its bytes give back, and the
  // field ends at a NUL of the text.
  for (const std::string& text : {std::string("Studio"), std::string("ab\0cd", 5), x62 + "\xC3\xA9z",
                                  std::string("\xE2\x82" "A\xC2\x85"), accents + "\xCE\xA9"}) {
    ASSERT_TRUE(SetDescriptionInBytes(b, 304, text).ok());
    EXPECT_EQ(StoredDescription(text), DescriptionFromBytes(b, 304)) << text;
  }
  EXPECT_EQ(StoredDescription(std::string("ab\0cd", 5)), "ab");
  EXPECT_EQ(StoredDescription("\xE2\x82" "A\xC2\x85"), "??A?");
}

// Setting a description rewrites the whole 64-byte field at the decoded position. A profile whose
// 'desc' tag is too short for that field, or lies over the tag table or the private tag, must not
// offer the position: the next description edit would silently change the layout or the transform.
TEST(ProfileReader, DescriptionFieldThatWouldOverwriteOtherDataIsNotOffered) {
  const std::vector<uint8_t> good = WriteProfileBytes(FilledContext());
  auto decoded = [&](auto mend) {
    std::vector<uint8_t> b = good;
    mend(b);
    EngineContext read;
    read.decodedDescriptionOffset = 99;
    EXPECT_EQ(decode_icc_220(b.data(), b.size(), read).code(), kOk);
    return read.decodedDescriptionOffset;
  };
  EXPECT_EQ(decoded([](auto&) {}), 304);
  EXPECT_EQ(decoded([](auto& b) { PutU32(b, 152, 12 + 64); }), 304);     // exactly room for the field
  EXPECT_EQ(decoded([](auto& b) { PutU32(b, 152, 12 + 63); }), -1);      // text fits, field does not
  EXPECT_EQ(decoded([](auto& b) { PutU32(b, 148, 2120); }), -1);         // inside the private tag
  EXPECT_EQ(decoded([](auto& b) { PutU32(b, 148, 2120 - 40); }), -1);    // running into it
  EXPECT_EQ(decoded([](auto& b) { PutU32(b, 148, 120); }), -1);          // over the tag table

  // The case the fuzzer found: the private tag moved over the description. A new description,
  // written wherever it is still offered, leaves the transform as it was.
  std::vector<uint8_t> b = good;
  PutU32(b, 256, 264);
  EngineContext before;
  ASSERT_EQ(decode_icc_220(b.data(), b.size(), before).code(), kOk);
  EXPECT_EQ(before.decodedDescriptionOffset, -1);
  EXPECT_EQ(SetDescriptionInBytes(b, before.decodedDescriptionOffset, std::string(63, 'd')).code(),
            kProfileSizeInconsistent);
  EngineContext after;
  ASSERT_EQ(decode_icc_220(b.data(), b.size(), after).code(), kOk);
  EXPECT_EQ(std::memcmp(after.matrixA, before.matrixA, sizeof(before.matrixA)), 0);
}

}  // namespace
}  // namespace tintara
