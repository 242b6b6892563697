#include "image/ui/tintara_doc.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/file_io.h"
#include "base/result_codes.h"
#include "image/image_conversion.h"
#include "image/image_file.h"
#include "image/ui/image_file_dialogs.h"
#include "image/ui/tintara_view.h"
#include "support/run_command.h"
#include "support/scripted_presenter.h"
#include "support/test_environment.h"
#include "support/test_images.h"
#include "support/test_profiles.h"

namespace tintara {
namespace {

namespace fs = std::filesystem;

const std::string kUnsupported = "Tintara Warning: This image type is not supported by Tintara.";

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::vector<uint8_t> bytes;
  EXPECT_EQ(ReadWholeFile(path, bytes), ReadStatus::kOk) << path;
  return bytes;
}

std::vector<uint8_t> DisplayBytes(const DisplayBitmap& bitmap) {
  return {bitmap.bits(), bitmap.bits() + bitmap.stride() * bitmap.height()};
}

class TintaraDocTest : public test::PrivateSettingsTest {
 protected:
  // Writes an 8 x 6 pattern image (with `profile` embedded) and opens it in doc_.
  void Open(const std::string& name, std::span<const uint8_t> profile = {}) {
    path_ = dir_.File(name);
    ImageBuffer image;
    test::FillPattern(image, 8, 6, 7);
    ASSERT_EQ(WriteImageFile(path_, ImageFormatOf(path_), image, profile, 90), kOk);
    ASSERT_TRUE(doc_.OnOpenDocument(path_));
    presenter_.shown.clear();
  }
  // The file's pixels as the core reads them, turned clockwise `turns` times, or converted.
  std::vector<uint8_t> FilePixels(int turns = 0, const ProfileRecord* profile = nullptr) {
    ImageBuffer image;
    EXPECT_EQ(ReadImageFile(path_, image), kOk);
    for (int i = 0; i < turns; ++i) {
      EXPECT_EQ(image.RotateClockwise(), kOk);
    }
    if (profile) {
      EXPECT_EQ(ConvertWithProfile(image, *profile), kOk);
    }
    return test::PixelBytes(image);
  }
  std::vector<std::string> Boxes() const {
    std::vector<std::string> texts;
    for (const auto& s : presenter_.Of("box")) texts.push_back(s.caption + ": " + s.text);
    return texts;
  }

  test::ScriptedPresenter presenter_;
  test::TempDir dir_;
  CTintaraDoc doc_;
  std::string path_;
};

TEST_F(TintaraDocTest, OpensByExtensionInAnyCaseAndRefusesOtherNames) {
  Open("photo.JPEG");
  EXPECT_EQ(doc_.Title(), "photo.JPEG @ 100% (RGB, 8 x 6)");
  EXPECT_EQ(test::UnconvertedBytes(doc_.image()), FilePixels());
  EXPECT_EQ(doc_.Undo(), CTintaraDoc::UndoKind::kNone);
  for (const char* name : {"photo.tif.bak", "photo"}) {
    fs::copy_file(path_, dir_.File(name));
    CTintaraDoc doc;
    presenter_.shown.clear();
    EXPECT_FALSE(doc.OnOpenDocument(dir_.File(name)));
    EXPECT_EQ(Boxes(), std::vector<std::string>{kUnsupported}) << name;
  }
  presenter_.shown.clear();
  EXPECT_FALSE(CTintaraDoc().OnOpenDocument(dir_.File("gone.tif")));
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Tintara Warning: Failed to open the image file."});
}

TEST_F(TintaraDocTest, ConvertRotateAndUndoWorkFromTheUnconvertedPixels) {
  Open("photo.tif");
  CTintaraView view(&doc_);
  // The frame refreshes its title on the signal: it must come after the state has changed.
  int changes = 0;
  std::string notified;
  QObject::connect(&doc_, &CTintaraDoc::stateChanged, [&] {
    ++changes;
    notified = doc_.Title();
  });

  const ProfileRecord studio = test::TestProfileRecord("Studio", "Daylight", 2.0);
  const ProfileRecord flash = test::TestProfileRecord("Flash", "", 0.5);
  doc_.OnConvert(&studio);
  doc_.OnConvert(&flash);  // replaces the first conversion rather than adding to it
  EXPECT_EQ(test::PixelBytes(doc_.image()), FilePixels(0, &flash));
  EXPECT_EQ(notified, "photo.tif @ 100% (RGB, 8 x 6), converted with color profile 'Flash'");
  doc_.OnConvert(&studio);
  EXPECT_EQ(doc_.Title(), "photo.tif @ 100% (RGB, 8 x 6), converted with color profile 'Studio' (Daylight)");
  EXPECT_TRUE(doc_.IsModified());

  doc_.OnRotate(true);
  doc_.OnUndo();  // Ctrl+Z undoes the conversion, in the new orientation
  EXPECT_EQ(test::PixelBytes(doc_.image()), FilePixels(1));
  EXPECT_EQ(notified, "photo.tif @ 100% (RGB, 6 x 8)");
  DisplayBitmap expected;
  ASSERT_EQ(FillDisplayBitmap(expected, doc_.image(), nullptr), kOk);
  EXPECT_EQ(DisplayBytes(doc_.displayBitmap()), DisplayBytes(expected));

  ASSERT_TRUE(doc_.OnSaveDocument(path_));
  changes = 0;
  doc_.OnUndo();  // nothing left to undo
  EXPECT_FALSE(doc_.IsModified());
  EXPECT_EQ(changes, 0);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(TintaraDocTest, KeepsTheFilesProfileUntilUndoOrConversion) {
  const std::vector<uint8_t> bytes = test::TestProfileBytes(2.0, "Tungsten");
  Open("shot.tif", bytes);
  EXPECT_EQ(doc_.Title(), "shot.tif @ 100% (RGB, 8 x 6), with embedded color profile 'shot' (Tungsten)");
  EXPECT_EQ(doc_.Undo(), CTintaraDoc::UndoKind::kEmbedding);
  // The display previews the profile; the pixels stay as read.
  EXPECT_EQ(test::PixelBytes(doc_.image()), FilePixels());
  DisplayBitmap expected;
  ASSERT_EQ(FillDisplayBitmap(expected, doc_.image(), &doc_.embeddedProfile().transform), kOk);
  EXPECT_EQ(DisplayBytes(doc_.displayBitmap()), DisplayBytes(expected));

  const std::string copy = dir_.File("copy.tif");
  ASSERT_TRUE(doc_.OnSaveDocument(copy));
  ImageBuffer reread;
  ImageReadInfo info;
  ASSERT_EQ(ReadImageFile(copy, reread, &info), kOk);
  EXPECT_EQ(info.iccProfile, bytes);

  // A profile that cannot convert is refused before it costs the image its embedded profile.
  ProfileRecord foreign;
  doc_.OnConvert(&foreign);
  EXPECT_EQ(Boxes(), std::vector<std::string>{
                         "Tintara Error: Can not convert image with a color profile not created in Tintara."});
  EXPECT_TRUE(doc_.HasEmbeddedProfile());

  doc_.OnUndo();  // removes the embedding
  EXPECT_EQ(doc_.Title(), "copy.tif @ 100% (RGB, 8 x 6)");
  ASSERT_EQ(FillDisplayBitmap(expected, doc_.image(), nullptr), kOk);
  EXPECT_EQ(DisplayBytes(doc_.displayBitmap()), DisplayBytes(expected));
  ASSERT_TRUE(doc_.OnFileSave());
  ASSERT_EQ(ReadImageFile(copy, reread, &info), kOk);
  EXPECT_TRUE(info.iccProfile.empty());

  // Converting removes it too; a profile this system cannot decode shows as incompatible.
  ASSERT_TRUE(doc_.OnOpenDocument(path_));
  const ProfileRecord studio = test::TestProfileRecord("Studio", "", 2.0);
  doc_.OnConvert(&studio);
  EXPECT_EQ(doc_.Undo(), CTintaraDoc::UndoKind::kConversion);
  EXPECT_FALSE(doc_.HasEmbeddedProfile());
  Open("foreign.jpg", std::vector<uint8_t>(bytes.begin(), bytes.begin() + 600));
  EXPECT_EQ(doc_.Title(), "foreign.jpg @ 100% (RGB, 8 x 6), with embedded incompatible color profile 'foreign'");
}

TEST_F(TintaraDocTest, JpegQualityIsAskedAtTheFirstJpegSaveAndAfterSaveAs) {
  Open("photo.tif");
  const std::string out = dir_.File("out.jpg");
  const auto written = [&](int quality) {
    EXPECT_EQ(WriteImageFile(dir_.File("q.jpg"), ImageFormat::kJpeg, doc_.image(), {}, quality), kOk);
    return FileBytes(dir_.File("q.jpg"));
  };
  presenter_.jpegQualityAnswers = {std::nullopt, 40};
  EXPECT_FALSE(doc_.OnSaveDocument(out));  // Cancel
  EXPECT_FALSE(fs::exists(out));
  EXPECT_EQ(doc_.pathName(), path_);
  EXPECT_TRUE(doc_.OnSaveDocument(out));  // not asked again: the setting
  EXPECT_EQ(FileBytes(out), written(90));
  ASSERT_EQ(presenter_.Of("jpeg").size(), 1u);
  EXPECT_EQ(presenter_.Of("jpeg")[0].initial, 90);

  // Save As asks again; the quality chosen then serves the plain saves after it.
  presenter_.fileAnswers.push_back({true, {dir_.File("web")}, kSaveJpegFile});
  EXPECT_TRUE(doc_.OnFileSaveAs());
  EXPECT_EQ(presenter_.fileRequests.back().selectedFilter, kSaveJpegFile);
  EXPECT_EQ(doc_.pathName(), dir_.File("web.jpg"));
  doc_.OnRotate(true);
  EXPECT_TRUE(doc_.OnFileSave());
  EXPECT_EQ(presenter_.Of("jpeg").size(), 2u);
  EXPECT_EQ(FileBytes(dir_.File("web.jpg")), written(40));
}

TEST_F(TintaraDocTest, AReadOnlyFileIsReplacedOnlyWhenTheUserAgrees) {
  Open("photo.tif");
  const std::string target = dir_.File("locked.tif");
  test::WriteFileText(target, "old");
  fs::permissions(target, fs::perms::owner_write, fs::perm_options::remove);
  presenter_.yesNoAnswers = {false, true};
  EXPECT_FALSE(doc_.OnSaveDocument(target));
  EXPECT_EQ(test::ReadFileText(target), "old");
  EXPECT_TRUE(IsReadOnlyFile(target));
  EXPECT_EQ(doc_.pathName(), path_);
  // An unsupported name is refused before the question.
  EXPECT_FALSE(doc_.OnSaveDocument(dir_.File("photo.png")));
  EXPECT_EQ(Boxes(), std::vector<std::string>{kUnsupported});

  EXPECT_TRUE(doc_.OnSaveDocument(target));
  EXPECT_EQ(presenter_.Of("yesno").size(), 2u);
  EXPECT_EQ(FileBytes(target), FileBytes(path_));
  EXPECT_FALSE(IsReadOnlyFile(target));
  // The Save command on a read-only file asks for another name instead.
  fs::permissions(target, fs::perms::owner_write, fs::perm_options::remove);
  EXPECT_FALSE(doc_.OnFileSave());
  EXPECT_EQ(presenter_.Of("files").size(), 1u);
}

TEST_F(TintaraDocTest, SaveModifiedAsksOnlyForAModifiedDocument) {
  Open("photo.tif");
  EXPECT_TRUE(doc_.SaveModified());
  doc_.OnRotate(true);
  const std::vector<uint8_t> before = FileBytes(path_);
  presenter_.yesNoCancelAnswers = {YesNoCancel::kCancel, YesNoCancel::kNo, YesNoCancel::kYes};
  EXPECT_FALSE(doc_.SaveModified());
  EXPECT_TRUE(doc_.SaveModified());
  EXPECT_EQ(FileBytes(path_), before);
  EXPECT_TRUE(doc_.SaveModified());  // Yes saves over the file
  EXPECT_FALSE(doc_.IsModified());
  EXPECT_EQ(FilePixels(), test::PixelBytes(doc_.image()));
  ASSERT_EQ(presenter_.Of("yesnocancel").size(), 3u);
  EXPECT_EQ(presenter_.Of("yesnocancel")[0].caption, "Tintara");
  EXPECT_EQ(presenter_.Of("yesnocancel")[0].text, "Save changes to photo.tif?");
}

TEST_F(TintaraDocTest, TitleShowsTheZoomOfTheFirstView) {
  path_ = dir_.File("wide.tif");
  test::WritePatternImage(path_, 200, 100);
  ASSERT_TRUE(doc_.OnOpenDocument(path_));
  CTintaraView view(&doc_);
  CTintaraView second(&doc_);
  presenter_.zoomAnswers = {4, 5, 50};
  view.OnEnterZoom();
  EXPECT_EQ(doc_.Title(), "wide.tif @ 4.0% (RGB, 200 x 100)");
  view.OnEnterZoom();
  second.OnEnterZoom();
  EXPECT_EQ(doc_.Title(), "wide.tif @ 5% (RGB, 200 x 100)");
}

// Only the first page of a file of several is read, so writing over that file is refused.
TEST_F(TintaraDocTest, SavingOverAFileOfSeveralPagesIsRefused) {
  const std::string tiffcp = test::FindTool("tiffcp");
  if (tiffcp.empty()) GTEST_SKIP() << "tiffcp is not installed";
  test::WritePatternImage(dir_.File("a.tif"), 4, 3, 1);
  test::WritePatternImage(dir_.File("b.tif"), 5, 2, 2);
  path_ = dir_.File("pages.tif");
  ASSERT_EQ(test::RunCommand(tiffcp, {dir_.File("a.tif"), dir_.File("b.tif"), path_}).exitCode, 0);
  ASSERT_TRUE(doc_.OnOpenDocument(path_));
  doc_.OnRotate(true);
  const std::vector<uint8_t> before = FileBytes(path_);
  presenter_.shown.clear();
  EXPECT_FALSE(doc_.OnFileSave());
  EXPECT_EQ(FileBytes(path_), before);
  EXPECT_EQ(Boxes().size(), 1u);
  EXPECT_TRUE(doc_.OnSaveDocument(dir_.File("first.tif")));
}

}  // namespace
}  // namespace tintara
