#include "image/image_file_choosers.h"

#include <gtest/gtest.h>

#include "support/run_command.h"
#include "support/scripted_presenter.h"

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

TEST(ImageFileChoosersTest, AskFromTheFolderHandedInAndHandBackTheChosenOne) {
  test::ScriptedPresenter presenter;
  std::string loadFolder = "/photos/in";
  std::string saveFolder = "/photos/out";
  presenter.fileAnswers = {{true, {"/photos/shoot/card.TIFF"}, kOpenTiffFiles},
                           {true, {"/photos/done/card.png"}, kSaveTiffFile},
                           {true, {"/photos/web/card"}, kSaveJpegFile}};
  EXPECT_EQ(AskOpenImagePath(presenter, loadFolder), std::optional<std::string>("/photos/shoot/card.TIFF"));
  // The entry chosen in the dialog, not the one preselected, decides the extension.
  EXPECT_EQ(AskSaveImagePath(presenter, "card.JPEG", saveFolder), std::optional<std::string>("/photos/done/card.png.tif"));
  EXPECT_EQ(AskSaveImagePath(presenter, "card.tif", saveFolder), std::optional<std::string>("/photos/web/card.jpg"));
  EXPECT_EQ(AskOpenImagePath(presenter, loadFolder), std::nullopt);  // Cancel keeps the folder
  EXPECT_EQ(loadFolder, "/photos/shoot");
  EXPECT_EQ(saveFolder, "/photos/web");

  ASSERT_EQ(presenter.fileRequests.size(), 4u);
  const FileDialogRequest& open = presenter.fileRequests[0];
  EXPECT_EQ(open.kind, FileDialogRequest::Kind::kOpen);
  EXPECT_EQ(open.title, "Open");
  EXPECT_EQ(open.folder, "/photos/in");
  ASSERT_EQ(open.filters.size(), 4u);
  EXPECT_EQ(open.filters[0].label, "Supported files (*.tif; *.tiff; *.jpg; *.jpeg)");
  EXPECT_EQ(open.filters[0].patterns, (std::vector<std::string>{"*.tif", "*.tiff", "*.jpg", "*.jpeg"}));
  EXPECT_EQ(open.filters[3].label, "All files (*.*)");
  const FileDialogRequest& save = presenter.fileRequests[1];
  EXPECT_EQ(save.kind, FileDialogRequest::Kind::kSave);
  EXPECT_EQ(save.title, "Save As");
  EXPECT_EQ(save.folder, "/photos/out");
  EXPECT_EQ(save.fileName, "card.JPEG");
  ASSERT_EQ(save.filters.size(), 2u);
  EXPECT_EQ(save.filters[0].label, "TIFF file (*.tif; *.tiff)");
  EXPECT_EQ(save.filters[1].label, "JPEG file (*.jpg; *.jpeg)");
  EXPECT_EQ(save.selectedFilter, kSaveJpegFile);
  EXPECT_EQ(presenter.fileRequests[2].selectedFilter, kSaveTiffFile);
  EXPECT_EQ(presenter.fileRequests[2].folder, "/photos/done");
}

// "photo" typed with the TIFF entry chosen means photo.tif; when that file exists, it is replaced
// only after a Yes.
TEST(ImageFileChoosersTest, AskBeforeReplacingAFileTheAddedExtensionNames) {
  test::ScriptedPresenter presenter;
  test::TempDir dir;
  std::string folder;
  const std::string typed = dir.path() + "/photo";
  test::WriteFileText(typed + ".tif", "old");
  presenter.fileAnswers = {{true, {typed}, kSaveTiffFile}, {true, {typed}, kSaveTiffFile},
                           {true, {typed}, kSaveJpegFile}};
  presenter.yesNoAnswers = {false, true};
  EXPECT_EQ(AskSaveImagePath(presenter, "card.tif", folder), std::nullopt);
  EXPECT_EQ(AskSaveImagePath(presenter, "card.tif", folder), std::optional<std::string>(typed + ".tif"));
  EXPECT_EQ(AskSaveImagePath(presenter, "card.tif", folder), std::optional<std::string>(typed + ".jpg"));
  ASSERT_EQ(presenter.Of("yesno").size(), 2u);
  EXPECT_EQ(presenter.Of("yesno")[0].text, "photo.tif already exists.\nDo you want to replace it?");
}

}  // namespace
}  // namespace tintara
