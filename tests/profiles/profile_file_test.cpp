#include "profiles/profile_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/result_codes.h"

#include "support/file_size_limit.h"
#include "support/run_command.h"
#include "support/test_profiles.h"

namespace tintara {
namespace {

using test::ReadFileText;
using test::TempDir;
using test::TestProfileRecord;
using test::WriteFileText;

TEST(ProfileFile, NamesAndProposals) {
  EXPECT_EQ(ProfileNameFromFile("/p/MyCard.TNP"), "MyCard");
  EXPECT_EQ(ProfileNameFromFile("/p/a.b.tnp"), "a.b");
  EXPECT_EQ(ProfileNameFromFile("/p/a\\b.tnp"), "a\\b");  // a backslash is part of the name here
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
  ProfileRecord r = TestProfileRecord("Saved", "desc");
  r.Unsaved = true;
  ASSERT_TRUE(SaveProfileFile(r, dir.File("saved.tnp")).ok());
  EXPECT_FALSE(r.Unsaved);
  EXPECT_EQ(ReadFileText(dir.File("saved.tnp")), std::string(r.bytes.begin(), r.bytes.end()));

  // A file-size limit makes the write fail part way, as a full disk would.
  WriteFileText(dir.File("old.tnp"), "the previous profile");
  r.Unsaved = true;
  Error saved;
  {
    const test::FileSizeLimit limit(1000);
    saved = SaveProfileFile(r, dir.File("old.tnp"));
  }

  EXPECT_EQ(saved, kProfileSaveFailed);
  EXPECT_EQ(saved.detail(), dir.File("old.tnp"));
  EXPECT_TRUE(r.Unsaved);
  EXPECT_EQ(ReadFileText(dir.File("old.tnp")), "the previous profile");
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) files += entry.exists();
  EXPECT_EQ(files, 2);  // no temporary file left behind

  EXPECT_EQ(SaveProfileFile(r, dir.File("missing-folder/x.tnp")), kProfileSaveFailed);
  ProfileRecord empty;
  EXPECT_EQ(SaveProfileFile(empty, dir.File("empty.tnp")), kProfileSaveFailed);
  EXPECT_FALSE(std::filesystem::exists(dir.File("empty.tnp")));
}

}  // namespace
}  // namespace tintara
