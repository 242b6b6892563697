#include "image/ui/image_file_dialogs.h"

#include <gtest/gtest.h>

#include "app/settings.h"
#include "support/run_command.h"
#include "support/scripted_presenter.h"
#include "support/test_environment.h"

namespace tintara {
namespace {

TEST(FitImageFileExtensionTest, KeepsTheTypesOwnExtensionsInAnyCaseAndAppendsOtherwise) {
  EXPECT_EQ(FitImageFileExtension("/p/photo.png", false), "/p/photo.png.tif");
  EXPECT_EQ(FitImageFileExtension("/p/photo.TIF", false), "/p/photo.TIF");
  EXPECT_EQ(FitImageFileExtension("/p/photo.jpg", false), "/p/photo.jpg.tif");
  EXPECT_EQ(FitImageFileExtension("/p/photo", true), "/p/photo.jpg");
  EXPECT_EQ(FitImageFileExtension("/p/photo.JPEG", true), "/p/photo.JPEG");
  EXPECT_EQ(FitImageFileExtension("/p.jpg/photo", true), "/p.jpg/photo.jpg");
}

class ImageFileDialogsTest : public test::PrivateSettingsTest {
 protected:
  test::ScriptedPresenter presenter_;
};

TEST_F(ImageFileDialogsTest, AskFromTheStoredFolderAndStoreTheChosenOne) {
  Settings().SetLoadImageFolder("/photos/in");
  Settings().SetSaveImageFolder("/photos/out");
  presenter_.fileAnswers = {{true, {"/photos/shoot/card.TIFF"}, kOpenTiffFiles},
                            {true, {"/photos/done/card.png"}, kSaveTiffFile},
                            {true, {"/photos/web/card"}, kSaveJpegFile}};
  EXPECT_EQ(AskOpenImagePath(), std::optional<std::string>("/photos/shoot/card.TIFF"));
  // The entry chosen in the dialog, not the one preselected, decides the extension.
  EXPECT_EQ(AskSaveImagePath("card.JPEG"), std::optional<std::string>("/photos/done/card.png.tif"));
  EXPECT_EQ(AskSaveImagePath("card.tif"), std::optional<std::string>("/photos/web/card.jpg"));
  EXPECT_EQ(AskOpenImagePath(), std::nullopt);  // Cancel keeps the folder
  EXPECT_EQ(Settings().LoadImageFolder(), "/photos/shoot");
  EXPECT_EQ(Settings().SaveImageFolder(), "/photos/web");

  ASSERT_EQ(presenter_.fileRequests.size(), 4u);
  const FileDialogRequest& open = presenter_.fileRequests[0];
  EXPECT_EQ(open.kind, FileDialogRequest::Kind::kOpen);
  EXPECT_EQ(open.title, "Open");
  EXPECT_EQ(open.folder, "/photos/in");
  ASSERT_EQ(open.filters.size(), 4u);
  EXPECT_EQ(open.filters[0].label, "Supported files (*.tif; *.tiff; *.jpg; *.jpeg)");
  EXPECT_EQ(open.filters[0].patterns, (std::vector<std::string>{"*.tif", "*.tiff", "*.jpg", "*.jpeg"}));
  EXPECT_EQ(open.filters[3].label, "All files (*.*)");
  const FileDialogRequest& save = presenter_.fileRequests[1];
  EXPECT_EQ(save.kind, FileDialogRequest::Kind::kSave);
  EXPECT_EQ(save.title, "Save As");
  EXPECT_EQ(save.folder, "/photos/out");
  EXPECT_EQ(save.fileName, "card.JPEG");
  ASSERT_EQ(save.filters.size(), 2u);
  EXPECT_EQ(save.filters[0].label, "TIFF file (*.tif; *.tiff)");
  EXPECT_EQ(save.filters[1].label, "JPEG file (*.jpg; *.jpeg)");
  EXPECT_EQ(save.selectedFilter, kSaveJpegFile);
  EXPECT_EQ(presenter_.fileRequests[2].selectedFilter, kSaveTiffFile);
}

// "photo" typed with the TIFF entry chosen means photo.tif; when that file exists, it is replaced
// only after a Yes.
TEST_F(ImageFileDialogsTest, AskBeforeReplacingAFileTheAddedExtensionNames) {
  test::TempDir dir;
  const std::string typed = dir.path() + "/photo";
  test::WriteFileText(typed + ".tif", "old");
  presenter_.fileAnswers = {{true, {typed}, kSaveTiffFile}, {true, {typed}, kSaveTiffFile},
                            {true, {typed}, kSaveJpegFile}};
  presenter_.yesNoAnswers = {false, true};
  EXPECT_EQ(AskSaveImagePath("card.tif"), std::nullopt);
  EXPECT_EQ(AskSaveImagePath("card.tif"), std::optional<std::string>(typed + ".tif"));
  EXPECT_EQ(AskSaveImagePath("card.tif"), std::optional<std::string>(typed + ".jpg"));  // nothing to replace
  ASSERT_EQ(presenter_.Of("yesno").size(), 2u);
  EXPECT_EQ(presenter_.Of("yesno")[0].text, "photo.tif already exists.\nDo you want to replace it?");
}

}  // namespace
}  // namespace tintara
