#include "profiles/profile_store.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/result_codes.h"
#include "engine/icc_profile.h"
#include "profiles/profile_file.h"
#include "support/run_command.h"
#include "support/test_profiles.h"

namespace tintara {
namespace {

using test::TempDir;
using test::TestProfileBytes;
using test::TestProfileRecord;
using test::WriteFileBytes;
using test::WriteFileText;

TEST(ProfileStore, SameNameAndDescriptionReplacesInPlaceAndIdentitiesOutliveMoves) {
  ProfileStore store;
  EXPECT_EQ(store.AddOrReplaceProfile(TestProfileRecord("A", "x", 1.1)), 0);
  EXPECT_EQ(store.AddOrReplaceProfile(TestProfileRecord("B", "x")), 1);
  EXPECT_EQ(store.AddOrReplaceProfile(TestProfileRecord("A", "y")), 2);  // another description: another profile
  EXPECT_EQ(store.AddOrReplaceProfile(TestProfileRecord("a", "x")), 3);  // names compare with case
  const ProfileId a = store.IdAt(0);
  const ProfileId b = store.IdAt(1);
  EXPECT_EQ(store.AddOrReplaceProfile(TestProfileRecord("A", "x", 1.9)), 0);
  ASSERT_EQ(store.Count(), 4);
  EXPECT_NEAR(store.At(0).transform.matrix[0][0], 1.9, 1.0 / 65535);
  EXPECT_EQ(store.IdAt(0), a) << "a replacement is the same profile";
  // Two records whose list texts read alike are two profiles.
  store.AddOrReplaceProfile(TestProfileRecord("cardB (x)", ""));
  store.AddOrReplaceProfile(TestProfileRecord("cardB", "x"));
  EXPECT_EQ(ProfileBoxText(store.At(4)), ProfileBoxText(store.At(5)));
  EXPECT_NE(store.IdAt(4), store.IdAt(5));
  EXPECT_EQ(store.Find(store.IdAt(5))->description, "x");

  store.RemoveProfile(0);
  ASSERT_EQ(store.Count(), 5);
  EXPECT_EQ(ProfileBoxText(store.At(0)), "B (x)");
  EXPECT_EQ(ProfileBoxText(store.At(1)), "A (y)");
  EXPECT_EQ(store.Find(a), nullptr);
  EXPECT_EQ(store.IndexOf(a), -1);
  EXPECT_EQ(store.IndexOf(b), 0) << "an identity follows its record to its new position";
  store.RemoveProfile(5);
  store.RemoveProfile(-1);
  EXPECT_EQ(store.Count(), 5);
  EXPECT_EQ(store.IdAt(5), kNoProfile);
  EXPECT_EQ(store.Find(kNoProfile), nullptr);

  // A copy (a batch run's) knows every profile by the same identity; identities are never reused.
  const ProfileStore copy = store;
  EXPECT_EQ(copy.Find(b)->name, "B");
  store.AddOrReplaceProfile(TestProfileRecord("C", ""));
  EXPECT_NE(store.IdAt(5), a);
}

TEST(ProfileStore, ScanReadsOnlyProfilesOfThisSystem) {
  TempDir dir;
  WriteFileBytes(dir.File("b.tnp"), TestProfileBytes(1.2, "Bee"));
  WriteFileBytes(dir.File("A.TNP"), TestProfileBytes(1.1, "Ay"));
  WriteFileBytes(dir.File("c.tnp.txt"), TestProfileBytes(1.1, "not a profile file name"));
  WriteFileText(dir.File("foreign.tnp"), std::string(6000, 'x'));
  WriteFileText(dir.File("empty.tnp"), "");
  std::filesystem::create_directory(dir.File("folder.tnp"));
  std::filesystem::create_symlink(dir.File("gone"), dir.File("dangling.tnp"));
  std::vector<uint8_t> cut = TestProfileBytes(1.3, "Cut");
  cut.resize(3000);
  WriteFileBytes(dir.File("cut.tnp"), cut);

  ProfileStore store;
  ASSERT_EQ(ScanProfileFolder(dir.path(), store), kOk);
  ASSERT_EQ(store.Count(), 2);
  EXPECT_EQ(ProfileBoxText(store.At(0)), "A (Ay)");
  EXPECT_EQ(ProfileBoxText(store.At(1)), "b (Bee)");
  EXPECT_TRUE(store.At(0).InFolder);
  EXPECT_FALSE(store.At(0).Unsaved);

  // A final separator names the same folder; a final "\" names another one here.
  ProfileStore again;
  EXPECT_EQ(ScanProfileFolder(dir.path() + "/", again), kOk);
  EXPECT_EQ(again.Count(), 2);
#ifndef _WIN32
  ProfileStore other;
  EXPECT_EQ(ScanProfileFolder(dir.path() + "\\", other), kProfileFolderInvalid);
  EXPECT_EQ(other.Count(), 0);
#endif
  EXPECT_EQ(ScanProfileFolder("", store), kProfileFolderInvalid);
  EXPECT_EQ(store.Count(), 2);  // an invalid folder leaves the store alone
  // A folder that is not there, or a file, is no profile folder: not one that happens to be empty.
  for (const std::string& unusable : {dir.File("no-such-folder"), dir.File("b.tnp")}) {
    ProfileStore listed = store;
    const Error error = ScanProfileFolder(unusable, listed);
    EXPECT_EQ(error, kProfileFolderInvalid) << unusable;
    EXPECT_EQ(error.detail(), unusable);
    EXPECT_EQ(listed.Count(), 0) << "the folder records of the last scan are gone";
  }
  EXPECT_TRUE(CheckProfileFolder(dir.path()).ok());
}

TEST(ProfileStore, RescanReplacesFolderRecordsAndKeepsThisRunsOnes) {
  TempDir dir;
  WriteFileBytes(dir.File("Portrait.tnp"), TestProfileBytes(1.4, "Studio"));
  WriteFileBytes(dir.File("Old.tnp"), TestProfileBytes(1.0, ""));

  ProfileStore store;
  ProfileRecord created = TestProfileRecord("Portrait", "Studio", 0.9);
  created.Unsaved = true;
  store.AddOrReplaceProfile(TestProfileRecord("Mine", ""));
  store.AddOrReplaceProfile(created);
  const ProfileId portrait = store.IdAt(1);
  ASSERT_EQ(ScanProfileFolder(dir.path(), store), kOk);
  ASSERT_EQ(store.Count(), 3);
  EXPECT_EQ(store.At(0).name, "Mine");
  EXPECT_EQ(store.IdAt(1), portrait);
  const ProfileId old = store.IdAt(2);
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
  // A profile the folder still holds stays the profile it was for whoever refers to it.
  EXPECT_EQ(store.IdAt(1), portrait);
  EXPECT_EQ(store.Find(old), nullptr);
}

}  // namespace
}  // namespace tintara
