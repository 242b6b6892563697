#include "app/settings_storage.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/settings.h"
#include "support/run_command.h"
#include "support/scripted_presenter.h"

namespace tintara {
namespace {

// The settings record on a real settings file: what the store keeps, and what it does with files it
// did not write or cannot write.
class SettingsFileTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir.File(name); }
  std::unique_ptr<CSettings> Open(const std::string& path) {
    return std::make_unique<CSettings>(MakeFileSettingsStorage(path), SettingsEnvironment{}, ShowSettingsWriteFailure);
  }
  test::TempDir dir;
  test::ScriptedPresenter presenter;
};

TEST_F(SettingsFileTest, ValuesSurviveInTheFile) {
  const std::string path = Path("settings.ini");
  Open(path)->SetLoadImageFolder("C:\\Bilder, neu/@x\nñ");
  auto s = Open(path);
  EXPECT_EQ(s->LoadImageFolder(), "C:\\Bilder, neu/@x\nñ");
  s->SilenceOnceMessage(40707);
  EXPECT_FALSE(Open(path)->OnceMessageShouldShow(40707));
  s->ResetOnceMessages();
  EXPECT_TRUE(Open(path)->OnceMessageShouldShow(40707));
  EXPECT_EQ(MakeFileSettingsStorage(path)->Read("", "PenaltyFactor"), "0.400000");
  EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(SettingsFileTest, HandEditedFileIsReadAndStillWritable) {
  // An unclosed section header makes the file unparseable in part; a comma splits a value.
  for (const char* name : {"edited.ini", "edited-again.ini"}) {
    std::ofstream(Path(name)) << "[General\nGamma=1,5\n";
  }
  // A write as the first access to such a file, and a whole record on one.
  EXPECT_TRUE(MakeFileSettingsStorage(Path("edited-again.ini"))->Write("", "Gamma", "2"));
  EXPECT_EQ(MakeFileSettingsStorage(Path("edited-again.ini"))->Read("", "Gamma"), "2");
  auto s = Open(Path("edited.ini"));
  EXPECT_EQ(s->Gamma(), 1.0);
  EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(SettingsFileTest, UnwritableFileReportsEveryFailedWrite) {
  std::ofstream(Path("blocker")) << "a file where a folder is needed";
  auto s = Open(Path("blocker") + "/settings.ini");
  EXPECT_EQ(presenter.Of("box").size(), 23u);
  EXPECT_EQ(s->PenaltyFactor(), 0.4);
  s->SetGamma(3.0);
  EXPECT_EQ(presenter.Of("box").size(), 24u);
  EXPECT_EQ(presenter.Of("box").back().text, "Unable to set key in registry.");
  EXPECT_EQ(s->Gamma(), 3.0);
}

TEST_F(SettingsFileTest, ReadOnlyFileMakesWritesFail) {
  if (geteuid() == 0) GTEST_SKIP() << "file permissions do not bind the superuser";
  const std::string path = Path("readonly.ini");
  auto s = Open(path);
  std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  s->SetJPEGQuality(10);
  ASSERT_EQ(presenter.Of("box").size(), 1u);
  EXPECT_EQ(presenter.Of("box")[0].caption, "Tintara Error");
  EXPECT_EQ(s->JPEGQuality(), 10);
}

}  // namespace
}  // namespace tintara
