#include "image/ui/tintara_doc.h"

#include <gtest/gtest.h>

#include "app/settings.h"
#include "base/result_codes.h"
#include "image/image_file_choosers.h"
#include "support/run_command.h"
#include "support/scripted_presenter.h"
#include "support/test_environment.h"
#include "support/test_images.h"

namespace tintara {
namespace {

class TintaraDocTest : public test::PrivateSettingsTest {
 protected:
  test::ScriptedPresenter presenter_;
  test::TempDir dir_;
  CTintaraDoc doc_;
};

// The desktop's document is the core with the settings store's values, the installed presenter's
// boxes and signals for its views.
TEST_F(TintaraDocTest, TheSettingsAndTheBoxesOfTheDesktopReachTheCore) {
  Settings().SetJPEGQuality(55);
  Settings().SetSaveImageFolder("/photos/out");
  std::vector<std::string> heard;
  QObject::connect(&doc_, &CTintaraDoc::opened, [&] { heard.push_back("opened"); });
  QObject::connect(&doc_, &CTintaraDoc::pixelsChanged, [&] { heard.push_back("pixels"); });
  QObject::connect(&doc_, &CTintaraDoc::imageTurned, [&](bool cw) { heard.push_back(cw ? "cw" : "ccw"); });
  QObject::connect(&doc_, &CTintaraDoc::stateChanged, [&] { heard.push_back("state"); });

  EXPECT_FALSE(doc_.OnOpenDocument(dir_.File("gone.tif")));
  ASSERT_EQ(presenter_.Of("box").size(), 1u);
  EXPECT_EQ(presenter_.Of("box")[0].text,
            "Failed to open the image file.\nNo such file or directory: " + dir_.File("gone.tif"));

  const std::string path = dir_.File("photo.tif");
  test::WritePatternImage(path, 8, 6);
  ASSERT_TRUE(doc_.OnOpenDocument(path));
  doc_.OnRotate(false);
  EXPECT_EQ(heard, (std::vector<std::string>{"opened", "state", "ccw", "pixels", "state"}));
  EXPECT_EQ(doc_.Undo(), CTintaraDoc::UndoKind::kNone);
  EXPECT_EQ(doc_.Title(0.5), "photo.tif @ 50% (RGB, 6 x 8)");

  // Save As starts in "SaveImagePath", stores the folder chosen, and asks the quality from the
  // "JPEGQuality" setting.
  presenter_.fileAnswers.push_back({true, {dir_.File("web")}, kSaveJpegFile});
  presenter_.jpegQualityAnswers = {80};
  EXPECT_TRUE(doc_.OnFileSaveAs());
  EXPECT_EQ(presenter_.fileRequests.back().folder, "/photos/out");
  EXPECT_EQ(Settings().SaveImageFolder(), dir_.path());
  ASSERT_EQ(presenter_.Of("jpeg").size(), 1u);
  EXPECT_EQ(presenter_.Of("jpeg")[0].initial, 55);
  EXPECT_EQ(doc_.jpegQuality(), 80);
  EXPECT_FALSE(doc_.IsModified());
  EXPECT_EQ(doc_.pathName(), dir_.File("web.jpg"));
}

}  // namespace
}  // namespace tintara
