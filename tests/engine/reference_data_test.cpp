#include "engine/reference_data.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/result_codes.h"
#include "engine/reference_csv.h"
#include "support/run_command.h"
#include "support/test_profiles.h"
#include "support/test_reference_sets.h"

namespace tintara {
namespace {

using test::EncodedReferenceSets;
using test::TestReferenceSet;
using test::TestReferenceSets;

// Builds file images byte by byte, independently of EncodeReferenceData.
struct Bytes {
  std::vector<uint8_t> data;
  Bytes& Raw(const std::string& s) {
    data.insert(data.end(), s.begin(), s.end());
    return *this;
  }
  Bytes& U8(uint8_t v) {
    data.push_back(v);
    return *this;
  }
  Bytes& I32(uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) data.push_back(static_cast<uint8_t>(v >> shift));
    return *this;
  }
  Bytes& Header(int32_t count) { return Raw("LNIF").I32(1).I32(static_cast<uint32_t>(count)); }
  // A record whose stored values are `raw` for every position, scrambled with the key.
  Bytes& Record(uint32_t type, const std::string& name, int entries, uint32_t raw,
                uint32_t reserved = 0) {
    I32(type).I32(reserved).U8(static_cast<uint8_t>(name.size())).Raw(name);
    for (int i = 0; i < entries; ++i) {
      for (int p = 0; p < 4; ++p) I32(raw ^ kReferenceKey[p]);
    }
    return *this;
  }
};

class ReferenceDataFileTest : public ::testing::Test {
 protected:
  std::string Write(const std::vector<uint8_t>& bytes) {
    test::WriteFileBytes(dir_.File("Lumeno.dat"), bytes);
    return dir_.File("Lumeno.dat");
  }

  test::TempDir dir_;
};

int Parse(ReferenceSetList& sets, const std::vector<uint8_t>& bytes) {
  return ParseReferenceData(sets, bytes.data(), bytes.size()).code();
}

TEST_F(ReferenceDataFileTest, EncodeThenLoadGivesTheSetsBackInOrder) {
  const ReferenceSetList sets = TestReferenceSets();
  std::vector<uint8_t> bytes = {1, 2, 3};  // replaced, not appended to
  const Error encoded = EncodeReferenceData(sets, bytes);
  EXPECT_TRUE(encoded.ok() && encoded.detail().empty()) << encoded.detail();
  // Header, then per record type + reserved + length byte + name + 16 bytes per entry.
  EXPECT_EQ(bytes.size(), 12u + (9 + 26 + 30 * 16) + (9 + 0 + 3 * 16) + (9 + 255 + 30 * 16));

  ReferenceSetList loaded = {TestReferenceSet("left over", 3, 1)};
  const Error load = LoadReferenceData(loaded, Write(bytes));
  ASSERT_TRUE(load.ok() && load.detail().empty()) << load.code();
  EXPECT_EQ(loaded, sets);
  ASSERT_EQ(Parse(loaded, bytes), kOk);
  EXPECT_EQ(loaded, sets);
}

TEST(ReferenceDataTest, EncoderWritesTheDocumentedLayout) {
  ReferenceSet k3;
  k3.name = "Grey";
  k3.entries.assign(3, ReferenceEntry{0x1234, 0x1234, 0x1234, 0x1234});
  const std::vector<uint8_t> expected = Bytes().Header(1).Record(2, "Grey", 3, 0x1234).data;
  EXPECT_EQ(EncodedReferenceSets({k3}), expected);
}

TEST(ReferenceDataTest, HandBuiltFileDecodesWithKeyAndLowHalfOnly) {
  // Upper 16 bits set in every stored value, non-zero reserved bytes, an empty name and trailing
  // junk: all of it must be ignored.
  const std::vector<uint8_t> bytes = Bytes()
                                         .Header(2)
                                         .Record(1, "", 30, 0xABCD00FFu, 0xDEADBEEFu)
                                         .Record(2, "K3", 3, 0x00000101u)
                                         .Raw("trailing bytes that are never read")
                                         .data;
  ReferenceSetList sets;
  ASSERT_EQ(Parse(sets, bytes), kOk);
  ASSERT_EQ(sets.size(), 2u);
  EXPECT_EQ(sets[0].name, "");
  ASSERT_EQ(sets[0].EntryCount(), 30);
  EXPECT_EQ(sets[0].entries[29], (ReferenceEntry{0x00FF, 0x00FF, 0x00FF, 0x00FF}));
  EXPECT_EQ(sets[1].name, "K3");
  ASSERT_EQ(sets[1].EntryCount(), 3);
  EXPECT_EQ(sets[1].entries[0], (ReferenceEntry{0x0101, 0x0101, 0x0101, 0x0101}));
}

TEST(ReferenceDataTest, MalformedFilesFailButKeepTheSetsReadSoFar) {
  const auto ok3 = [](int32_t count) { return Bytes().Header(count).Record(2, "ok", 3, 7); };
  std::vector<uint8_t> cut = ok3(2).Record(1, "b", 30, 6).data;
  cut.resize(cut.size() - 5);  // inside the last entry
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    int code;
    size_t kept;
  };
  const Case cases[] = {
      // A count of 0 means no records; whatever follows is not looked at. No writer declares a
      // negative count, so one is damage, not an empty file.
      {"count 0", Bytes().Header(0).I32(99).data, kOk, 0},
      {"count -1", Bytes().Header(-1).data, kReferenceDataCorrupt, 0},
      {"count min", Bytes().Header(INT32_MIN).data, kReferenceDataCorrupt, 0},
      {"magic", Bytes().Raw("LNIX").I32(1).I32(0).data, kReferenceDataCorrupt, 0},
      {"version 0", Bytes().Raw("LNIF").I32(0).I32(0).data, kReferenceDataCorrupt, 0},
      {"version 2", Bytes().Raw("LNIF").I32(2).I32(0).data, kReferenceDataCorrupt, 0},
      {"type 3", ok3(3).Record(3, "x", 30, 7).data, kReferenceDataCorrupt, 1},
      {"type 0", ok3(3).Record(0, "x", 3, 7).data, kReferenceDataCorrupt, 1},
      {"type -1", ok3(3).Record(0xFFFFFFFFu, "x", 3, 7).data, kReferenceDataCorrupt, 1},
      {"cut entry", cut, kReferenceDataCorrupt, 1},
      {"name short", ok3(2).I32(1).I32(0).U8(10).Raw("abc").data, kReferenceDataCorrupt, 1},
      // A garbage count must neither be allocated for nor loop past the end of the data.
      {"huge count", ok3(INT32_MAX).data, kReferenceDataCorrupt, 1},
  };
  for (const Case& c : cases) {
    ReferenceSetList sets = {TestReferenceSet("left over", 3, 1)};
    EXPECT_EQ(Parse(sets, c.bytes), c.code) << c.what;
    EXPECT_EQ(sets.size(), c.kept) << c.what;
  }
  ReferenceSetList sets;
  EXPECT_EQ(ParseReferenceData(sets, nullptr, 0).code(), kReferenceDataCorrupt);
}

TEST_F(ReferenceDataFileTest, EveryTruncationIsCorruptUnlessARecordBoundaryIsComplete) {
  const std::vector<uint8_t> full = EncodedReferenceSets(TestReferenceSets());
  ASSERT_FALSE(full.empty());
  for (size_t length = 0; length <= full.size(); ++length) {
    const std::vector<uint8_t> prefix(full.begin(), full.begin() + static_cast<ptrdiff_t>(length));
    ReferenceSetList from_memory;
    const int code = Parse(from_memory, prefix);
    EXPECT_EQ(code, length == full.size() ? kOk : kReferenceDataCorrupt) << length;
    // The file reader shares the decoder; a sample of lengths is enough to check it reads the same
    // bytes, without writing a file per length.
    if (length < 64 || length % 37 == 0 || length + 20 > full.size()) {
      ReferenceSetList from_file;
      EXPECT_EQ(LoadReferenceData(from_file, Write(prefix)).code(), code) << length;
      EXPECT_EQ(from_file, from_memory) << length;
    }
  }
}

TEST_F(ReferenceDataFileTest, MissingFileOrFolderIsReportedAsMissing) {
  ReferenceSetList sets = {TestReferenceSet("old", 3, 1)};
  // The code's text is the whole message: no detail would fit into it.
  const Error absent = LoadReferenceData(sets, dir_.File("absent.dat"));
  EXPECT_EQ(absent.code(), kReferenceDataMissing);
  EXPECT_EQ(absent.detail(), "");
  EXPECT_TRUE(sets.empty());
  EXPECT_EQ(LoadReferenceData(sets, dir_.path()).code(), kReferenceDataMissing);
}

TEST(ReferenceDataTest, EncoderRefusesSetsTheFormatCannotHold) {
  for (const ReferenceSet& bad : {TestReferenceSet("29", 29, 1), TestReferenceSet("none", 0, 1), TestReferenceSet("4", 4, 1),
                                  TestReferenceSet(std::string(256, 'n'), 30, 1)}) {
    std::vector<uint8_t> bytes = {1, 2, 3};
    const Error refused = EncodeReferenceData({TestReferenceSet("fine", 3, 1), bad}, bytes);
    EXPECT_EQ(refused.code(), kReferenceSourceInvalid) << bad.EntryCount();
    EXPECT_EQ(refused.detail().rfind("reference set 2 (", 0), 0u) << refused.detail();
    EXPECT_TRUE(bytes.empty());
  }
}

// ---- The shipped reference data ----

std::string ReadShippedCsv() { return test::ReadFileText(std::string(TINTARA_SOURCE_DIR) + "/data/reference-sets.csv"); }

int Brightness(const ReferenceEntry& e) { return e.R + e.G + e.B; }

TEST(ShippedReferenceDataTest, EncodesAndFollowsTheK7AndK3Layouts) {
  const std::string text = ReadShippedCsv();
  ReferenceSetList sets;
  const Error parsed = ParseReferenceCsv(text, sets);
  ASSERT_TRUE(parsed.ok()) << parsed.detail();
  EXPECT_EQ(FormatReferenceCsv(sets), text);  // dumping the data again must not churn the file
  EXPECT_FALSE(EncodedReferenceSets(sets).empty());

  int k7_sets = 0;
  int k3_sets = 0;
  bool has_16_bit_k7 = false;
  for (const ReferenceSet& set : sets) {
    SCOPED_TRACE(set.name);
    EXPECT_FALSE(set.name.empty());
    for (const ReferenceEntry& e : set.entries) EXPECT_EQ(e.W, 100);
    if (set.EntryCount() == kK3EntryCount) {
      ++k3_sets;
      EXPECT_GT(Brightness(set.entries[0]), Brightness(set.entries[1]));
      EXPECT_GT(Brightness(set.entries[1]), Brightness(set.entries[2]));
      for (const ReferenceEntry& e : set.entries) EXPECT_TRUE(e.R == e.G && e.G == e.B);
      continue;
    }
    ASSERT_EQ(set.EntryCount(), kK7EntryCount);
    ++k7_sets;
    const ReferenceEntry& corner = set.entries[0];
    EXPECT_TRUE(corner.R == corner.G && corner.G == corner.B);
    for (int area : {9, 20, 29}) EXPECT_EQ(set.entries[area], corner) << area;
    for (int area = 0; area < kK7EntryCount; ++area) {
      const ReferenceEntry& e = set.entries[area];
      if (e.R > 255 || e.G > 255 || e.B > 255) has_16_bit_k7 = true;
      if (area != 8) {
        EXPECT_GT(Brightness(set.entries[8]), Brightness(e)) << area;
      }
      if (area != 3) {
        EXPECT_LT(Brightness(set.entries[3]), Brightness(e)) << area;
      }
    }
  }
  EXPECT_GE(k7_sets, 2);
  EXPECT_GE(k3_sets, 1);
  EXPECT_TRUE(has_16_bit_k7);
}

}  // namespace
}  // namespace tintara
