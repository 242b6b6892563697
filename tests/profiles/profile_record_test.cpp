#include "profiles/profile_record.h"

#include <gtest/gtest.h>

#include "engine/icc_profile.h"
#include "support/test_profiles.h"

namespace tintara {
namespace {

using test::TestProfileRecord;

TEST(ProfileRecord, DecodesTransformAndDescriptionFromItsBytes) {
  const ProfileRecord r = TestProfileRecord("Studio", "Daylight", 1.25);
  EXPECT_TRUE(r.TransformLoaded);
  EXPECT_EQ(r.description, "Daylight");
  EXPECT_EQ(r.descriptionOffset, 304);
  EXPECT_NEAR(r.transform.matrix[0][0], 1.25, 1.0 / 65535);
  EXPECT_NEAR(r.transform.baseCurves[1][128], 128 / 255.0, 1.0 / 65535);
  EXPECT_EQ(r.Size(), 5264);

  // Foreign bytes replace the bytes but leave the transform fields as they were.
  ProfileRecord kept = r;
  const uint8_t junk[300] = {};
  SetProfileBytes(kept, junk, sizeof(junk));
  EXPECT_EQ(kept.Size(), 300);
  EXPECT_TRUE(kept.TransformLoaded);
  // Nothing at all happens for an empty block.
  SetProfileBytes(kept, junk, 0);
  EXPECT_EQ(kept.Size(), 300);
}

TEST(ProfileRecord, NameAndDescriptionRules) {
  ProfileRecord r = TestProfileRecord("", "Old");
  EXPECT_EQ(r.name, "NoName");
  SetProfileDescription(r, std::string(70, 'd'));
  EXPECT_EQ(r.description, std::string(63, 'd'));
  EXPECT_EQ(DescriptionFromBytes(r.bytes, 304), std::string(63, 'd'));

  // Without a known offset the bytes are not touched.
  ProfileRecord blank;
  blank.bytes = {1, 2, 3};
  SetProfileDescription(blank, "text");
  EXPECT_EQ(blank.description, "text");
  EXPECT_EQ(blank.bytes, (std::vector<uint8_t>{1, 2, 3}));
}

TEST(ProfileRecord, ShowsTheDescriptionItsBytesHold) {
  ProfileRecord r = TestProfileRecord("Caf\xC3\xA9", "Old");
  std::string accents;
  for (int i = 0; i < 64; ++i) accents += "\xC3\xA0";
  for (const std::string& text : {std::string("Caf\xC3\xA9 180\xC2\xB0"), std::string("\xCE\xA9mega"), accents,
                                  std::string("bad \xE9 byte")}) {
    SetProfileDescription(r, text);
    EXPECT_EQ(r.description, DescriptionFromBytes(r.bytes, r.descriptionOffset)) << text;
    EXPECT_EQ(ProfileRecord(r).description, r.description) << text;  // a copy decodes afresh
  }
  EXPECT_EQ(r.description, "bad ? byte");

  // Without a field in the bytes the record still keeps only what a field could hold.
  ProfileRecord blank;
  SetProfileDescription(blank, "\xCE\xA9 " + accents);
  EXPECT_EQ(blank.description, "? " + accents.substr(0, 2 * 61));
}

TEST(ProfileRecord, CopyOwnsItsBytesAndDecodesAfresh) {
  ProfileRecord original = TestProfileRecord("A", "first", 1.5);
  original.TransformLoaded = false;  // as if never decoded
  ProfileRecord copy = original;
  EXPECT_TRUE(copy.TransformLoaded);
  EXPECT_NEAR(copy.transform.matrix[0][0], 1.5, 1.0 / 65535);
  SetProfileDescription(copy, "second");
  EXPECT_EQ(DescriptionFromBytes(original.bytes, 304), "first");
  EXPECT_EQ(original.description, "first");
}

}  // namespace
}  // namespace tintara
