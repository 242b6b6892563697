#include "profiles/profile_store.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/result_codes.h"
#include "engine/icc_profile.h"
#include "profiles/profile_file.h"
#include "support/run_command.h"
#include "support/test_environment.h"

namespace tintara {
namespace {

using test::ReadFileText;
using test::TempDir;
using test::WriteFileText;

// The bytes of a profile of this system whose matrix starts with `m00`, with a description.
std::vector<uint8_t> ProfileBytes(double m00, const std::string& description) {
  EngineContext ctx;
  for (int ch = 0; ch < 3; ++ch) {
    for (int j = 0; j < 256; ++j) ctx.baseCurves[ch][j] = ctx.gammaCurves[ch][j] = j / 255.0;
  }
  ctx.matrixA[0] = m00;
  ctx.matrixA[4] = ctx.matrixA[8] = 1.0;
  std::vector<uint8_t> bytes = WriteProfileBytes(ctx);
  SetDescriptionInBytes(bytes, kDescriptionOffset, description);
  return bytes;
}

ProfileRecord Record(const std::string& name, const std::string& description, double m00 = 1.0) {
  ProfileRecord r;
  const std::vector<uint8_t> bytes = ProfileBytes(m00, description);
  SetProfileBytes(r, bytes.data(), static_cast<int64_t>(bytes.size()));
  SetProfileName(r, name);
  return r;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  WriteFileText(path, std::string(bytes.begin(), bytes.end()));
}

TEST(ProfileRecord, DecodesTransformAndDescriptionFromItsBytes) {
  const ProfileRecord r = Record("Studio", "Daylight", 1.25);
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
  ProfileRecord r = Record("", "Old");
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

TEST(ProfileRecord, CopyOwnsItsBytesAndDecodesAfresh) {
  ProfileRecord original = Record("A", "first", 1.5);
  original.TransformLoaded = false;  // as if never decoded
  ProfileRecord copy = original;
  EXPECT_TRUE(copy.TransformLoaded);
  EXPECT_NEAR(copy.transform.matrix[0][0], 1.5, 1.0 / 65535);
  SetProfileDescription(copy, "second");
  EXPECT_EQ(DescriptionFromBytes(original.bytes, 304), "first");
  EXPECT_EQ(original.description, "first");
}

TEST(ProfileStore, SameNameAndDescriptionReplacesInPlace) {
  ProfileStore store;
  EXPECT_EQ(store.AddOrReplaceProfile(Record("A", "x", 1.1)), 0);
  EXPECT_EQ(store.AddOrReplaceProfile(Record("B", "x")), 1);
  EXPECT_EQ(store.AddOrReplaceProfile(Record("A", "y")), 2);  // another description: another profile
  EXPECT_EQ(store.AddOrReplaceProfile(Record("a", "x")), 3);  // names compare with case
  EXPECT_EQ(store.AddOrReplaceProfile(Record("A", "x", 1.9)), 0);
  ASSERT_EQ(store.Count(), 4);
  EXPECT_NEAR(store.At(0).transform.matrix[0][0], 1.9, 1.0 / 65535);

  store.RemoveProfile(0);
  ASSERT_EQ(store.Count(), 3);
  EXPECT_EQ(ProfileBoxText(store.At(0)), "B (x)");
  EXPECT_EQ(ProfileBoxText(store.At(1)), "A (y)");
  store.RemoveProfile(3);
  store.RemoveProfile(-1);
  EXPECT_EQ(store.Count(), 3);
}

TEST(ProfileStore, ScanReadsOnlyProfilesOfThisSystem) {
  TempDir dir;
  WriteBytes(dir.File("b.tnp"), ProfileBytes(1.2, "Bee"));
  WriteBytes(dir.File("A.TNP"), ProfileBytes(1.1, "Ay"));
  WriteBytes(dir.File("c.tnp.txt"), ProfileBytes(1.1, "not a profile file name"));
  WriteFileText(dir.File("foreign.tnp"), std::string(6000, 'x'));
  WriteFileText(dir.File("empty.tnp"), "");
  std::filesystem::create_directory(dir.File("folder.tnp"));
  std::filesystem::create_symlink(dir.File("gone"), dir.File("dangling.tnp"));
  std::vector<uint8_t> cut = ProfileBytes(1.3, "Cut");
  cut.resize(3000);
  WriteBytes(dir.File("cut.tnp"), cut);

  ProfileStore store;
  ASSERT_EQ(ScanProfileFolder(dir.path(), store), kOk);
  ASSERT_EQ(store.Count(), 2);
  EXPECT_EQ(ProfileBoxText(store.At(0)), "A (Ay)");
  EXPECT_EQ(ProfileBoxText(store.At(1)), "b (Bee)");
  EXPECT_TRUE(store.At(0).InFolder);
  EXPECT_FALSE(store.At(0).Unsaved);

  // Either separator at the end names the same folder.
  for (const std::string& folder : {dir.path() + "/", dir.path() + "\\"}) {
    ProfileStore again;
    EXPECT_EQ(ScanProfileFolder(folder, again), kOk);
    EXPECT_EQ(again.Count(), 2) << folder;
  }
  EXPECT_EQ(ScanProfileFolder("", store), kProfileFolderInvalid);
  EXPECT_EQ(store.Count(), 2);  // an invalid folder leaves the store alone
  ProfileStore none;
  EXPECT_EQ(ScanProfileFolder(dir.File("no-such-folder"), none), kOk);
  EXPECT_EQ(none.Count(), 0);
}

TEST(ProfileStore, RescanReplacesFolderRecordsAndKeepsThisRunsOnes) {
  TempDir dir;
  WriteBytes(dir.File("Portrait.tnp"), ProfileBytes(1.4, "Studio"));
  WriteBytes(dir.File("Old.tnp"), ProfileBytes(1.0, ""));

  ProfileStore store;
  ProfileRecord created = Record("Portrait", "Studio", 0.9);
  created.Unsaved = true;
  store.AddOrReplaceProfile(Record("Mine", ""));
  store.AddOrReplaceProfile(created);
  ASSERT_EQ(ScanProfileFolder(dir.path(), store), kOk);
  ASSERT_EQ(store.Count(), 3);
  EXPECT_EQ(store.At(0).name, "Mine");
  // The record of this run with the folder file's name and description is replaced at its position.
  EXPECT_EQ(store.At(1).name, "Portrait");
  EXPECT_TRUE(store.At(1).InFolder);
  EXPECT_FALSE(store.At(1).Unsaved);
  EXPECT_NEAR(store.At(1).transform.matrix[0][0], 1.4, 1.0 / 65535);
  EXPECT_EQ(store.At(2).name, "Old");

  // Folder records go wholesale: a file removed from the folder leaves the store at the next scan.
  std::filesystem::remove(dir.File("Old.tnp"));
  ASSERT_EQ(ScanProfileFolder(dir.path(), store), kOk);
  ASSERT_EQ(store.Count(), 2);
  EXPECT_EQ(store.At(0).name, "Mine");
  EXPECT_EQ(store.At(1).name, "Portrait");
}

TEST(ProfileFile, NamesAndProposals) {
  EXPECT_EQ(ProfileNameFromFile("/p/MyCard.TNP"), "MyCard");
  EXPECT_EQ(ProfileNameFromFile("C:\\p\\a.b.tnp"), "a.b");
  EXPECT_EQ(ProfileNameFromFile("plain"), "plain");
  EXPECT_EQ(ProposedProfileFileName("Portrait.jpg"), "Portrait.tnp");
  EXPECT_EQ(ProposedProfileFileName("Scan.TIFF"), "Scan.tnp");
  EXPECT_EQ(ProposedProfileFileName("x.tif.jpeg"), "x.tif.tnp");
  EXPECT_EQ(ProposedProfileFileName("Dawn.light"), "Dawn.light.tnp");
  EXPECT_EQ(ProposedProfileFileName("notjpg"), "notjpg.tnp");
  ProfileRecord r;
  r.name = "N";
  EXPECT_EQ(ProfileBoxText(r), "N");
}

TEST(ProfileFile, SaveWritesTheBytesAndAFailedSaveKeepsTheOldFile) {
  TempDir dir;
  ProfileRecord r = Record("Saved", "desc");
  r.Unsaved = true;
  ASSERT_TRUE(SaveProfileFile(r, dir.File("saved.tnp")));
  EXPECT_FALSE(r.Unsaved);
  EXPECT_EQ(ReadFileText(dir.File("saved.tnp")), std::string(r.bytes.begin(), r.bytes.end()));

  // A file-size limit makes the write fail part way, as a full disk would.
  WriteFileText(dir.File("old.tnp"), "the previous profile");
  r.Unsaved = true;
  bool saved = true;
  {
    const test::FileSizeLimit limit(1000);
    saved = SaveProfileFile(r, dir.File("old.tnp"));
  }

  EXPECT_FALSE(saved);
  EXPECT_TRUE(r.Unsaved);
  EXPECT_EQ(ReadFileText(dir.File("old.tnp")), "the previous profile");
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) files += entry.exists();
  EXPECT_EQ(files, 2);  // no temporary file left behind

  EXPECT_FALSE(SaveProfileFile(r, dir.File("missing-folder/x.tnp")));
  ProfileRecord empty;
  EXPECT_FALSE(SaveProfileFile(empty, dir.File("empty.tnp")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("empty.tnp")));
}

}  // namespace
}  // namespace tintara
