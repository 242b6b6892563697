#include "image/image_document.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/file_io.h"
#include "base/result_codes.h"
#include "image/image_conversion.h"
#include "image/image_file.h"
#include "image/image_file_choosers.h"
#include "image/jpeg_embed.h"
#include "support/file_size_limit.h"
#include "support/run_command.h"
#include "support/scripted_presenter.h"
#include "support/test_images.h"
#include "support/test_profiles.h"

namespace tintara {

// Stands for a display bitmap that could not be made earlier, which the next step must make again.
class ImageDocumentTestAccess {
 public:
  static void DropDisplay(ImageDocument& document) { document.displayBitmap_.Release(); }
};

namespace {

namespace fs = std::filesystem;

const std::string kUnsupported = "Tintara Warning: This image type is not supported by Tintara.";

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(ReadWholeFile(path, bytes).ok()) << path;
  return bytes;
}

std::vector<uint8_t> DisplayBytes(const DisplayBitmap& bitmap) {
  return {bitmap.bits(), bitmap.bits() + bitmap.stride() * bitmap.height()};
}

// One-time messages always shown, so a test sees every one.
class ShowEveryOnce : public OnceMessageFlags {
 public:
  bool OnceMessageShouldShow(int) override { return true; }
  void SilenceOnceMessage(int) override {}
};

// What the document told its observer, in order.
class RecordingObserver : public ImageDocumentObserver {
 public:
  explicit RecordingObserver(const ImageDocument& document) : document_(document) {}
  void DocumentOpened() override { events.push_back("opened"); }
  void PixelsChanged() override { events.push_back("pixels"); }
  void ImageTurned(bool clockwise) override { events.push_back(clockwise ? "turned cw" : "turned ccw"); }
  void StateChanged() override {
    events.push_back("state");
    title = document_.Title(1.0);
  }
  std::vector<std::string> events;
  std::string title;  // as it was when the state changed

 private:
  const ImageDocument& document_;
};

// A hand-made uncompressed grey TIFF of 2 x 2 pixels with `bits` bits per sample.
std::string GreyTiff(uint16_t bits) {
  std::string file("II*\0\x08\0\0\0", 8);
  const auto put = [&file](uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) file.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  };
  const uint32_t rowBytes = (2u * bits + 7) / 8;
  const uint16_t entries = 9;
  const uint32_t dataOffset = 8 + 2 + entries * 12 + 4;
  put(entries, 2);
  const auto entry = [&](uint16_t tag, uint16_t type, uint32_t value) {
    put(tag, 2);
    put(type, 2);
    put(1, 4);
    put(value, 4);
  };
  entry(256, 3, 2);                // ImageWidth
  entry(257, 3, 2);                // ImageLength
  entry(258, 3, bits);             // BitsPerSample
  entry(259, 3, 1);                // Compression: none
  entry(262, 3, 1);                // Photometric: black is zero
  entry(273, 4, dataOffset);       // StripOffsets
  entry(277, 3, 1);                // SamplesPerPixel
  entry(278, 3, 2);                // RowsPerStrip
  entry(279, 4, rowBytes * 2);     // StripByteCounts
  put(0, 4);
  file.append(rowBytes * 2, '\x55');
  return file;
}

class ImageDocumentTest : public ::testing::Test {
 protected:
  ImageDocumentTest() { doc_.SetObserver(&observer_); }

  // Writes an 8 x 6 pattern image (with `profile` embedded) and opens it in doc_.
  void Open(const std::string& name, std::span<const uint8_t> profile = {}) {
    path_ = dir_.File(name);
    ImageBuffer image;
    test::FillPattern(image, 8, 6, 7);
    ASSERT_EQ(WriteImageFile(path_, ImageFormatOf(path_), image, profile, 90), kOk);
    ASSERT_EQ(doc_.Open(path_, messages_), kOk);
    presenter_.shown.clear();
    observer_.events.clear();
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
  ShowEveryOnce once_;
  Messages messages_{presenter_, once_};
  test::TempDir dir_;
  ImageDocument doc_;
  RecordingObserver observer_{doc_};
  std::string path_;
  std::string saveFolder_;
};

TEST_F(ImageDocumentTest, OpensByExtensionInAnyCaseAndRefusesOtherNamesNamingTheFile) {
  Open("photo.JPEG");
  EXPECT_EQ(doc_.Title(1.0), "photo.JPEG @ 100% (RGB, 8 x 6)");
  EXPECT_EQ(test::UnconvertedBytes(doc_.image()), FilePixels());
  EXPECT_EQ(doc_.undoKind(), ImageDocument::UndoKind::kNone);
  for (const char* name : {"photo.tif.bak", "photo"}) {
    fs::copy_file(path_, dir_.File(name));
    ImageDocument doc;
    presenter_.shown.clear();
    EXPECT_EQ(doc.Open(dir_.File(name), messages_), kUnsupportedImageType);
    EXPECT_EQ(Boxes(), std::vector<std::string>{kUnsupported + "\n" + dir_.File(name)}) << name;
  }
  presenter_.shown.clear();
  const Error gone = ImageDocument().Open(dir_.File("gone.tif"), messages_);
  EXPECT_EQ(gone.detail(), "No such file or directory: " + dir_.File("gone.tif"));
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Tintara Warning: Failed to open the image file.\n" + gone.detail()});
  // A file the readers refuse is named too, and the document keeps the image it had.
  test::WriteFileText(dir_.File("broken.jpg"), "not a jpeg");
  presenter_.shown.clear();
  EXPECT_EQ(doc_.Open(dir_.File("broken.jpg"), messages_), kImageCorrupt);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Tintara Error: This image file is corrupt.\n" + dir_.File("broken.jpg")});
  EXPECT_EQ(doc_.pathName(), path_);
  EXPECT_TRUE(observer_.events.empty());
}

// A file that is refused gets no notice about how it would have been read: the refusal comes first.
TEST_F(ImageDocumentTest, ThePaletteNoticeFollowsOnlyAFileThatOpens) {
  test::WriteFileText(dir_.File("grey12.tif"), GreyTiff(12));
  test::WriteFileText(dir_.File("grey8.tif"), GreyTiff(8));
  EXPECT_EQ(doc_.Open(dir_.File("grey12.tif"), messages_), kUnsupportedColourDepth);
  EXPECT_TRUE(presenter_.Of("once").empty());
  EXPECT_EQ(Boxes().size(), 1u);

  presenter_.shown.clear();
  ASSERT_EQ(doc_.Open(dir_.File("grey8.tif"), messages_), kOk);
  ASSERT_EQ(presenter_.Of("once").size(), 2u);
  EXPECT_EQ(presenter_.Of("once")[0].text.rfind("This image is palettized", 0), 0u);
  EXPECT_EQ(presenter_.Of("once")[1].text.rfind("When opening an image containing a Lumeno", 0), 0u);
  EXPECT_EQ(observer_.events, (std::vector<std::string>{"opened", "state"}));
}

TEST_F(ImageDocumentTest, ConvertRotateAndUndoWorkFromTheUnconvertedPixels) {
  Open("photo.tif");
  const ProfileRecord studio = test::TestProfileRecord("Studio", "Daylight", 2.0);
  const ProfileRecord flash = test::TestProfileRecord("Flash", "", 0.5);
  doc_.Convert(&studio, messages_);
  doc_.Convert(&flash, messages_);  // replaces the first conversion rather than adding to it
  EXPECT_EQ(test::PixelBytes(doc_.image()), FilePixels(0, &flash));
  // The observer hears of a change once its state is complete.
  EXPECT_EQ(observer_.title, "photo.tif @ 100% (RGB, 8 x 6), converted with color profile 'Flash'");
  doc_.Convert(&studio, messages_);
  EXPECT_EQ(doc_.Title(0.25), "photo.tif @ 25% (RGB, 8 x 6), converted with color profile 'Studio' (Daylight)");
  EXPECT_TRUE(doc_.modified());

  observer_.events.clear();
  doc_.Rotate(true, messages_);
  EXPECT_EQ(observer_.events, (std::vector<std::string>{"turned cw", "pixels", "state"}));
  doc_.Undo(messages_);  // Ctrl+Z undoes the conversion, in the new orientation
  EXPECT_EQ(test::PixelBytes(doc_.image()), FilePixels(1));
  EXPECT_EQ(observer_.title, "photo.tif @ 100% (RGB, 6 x 8)");
  DisplayBitmap expected;
  ASSERT_EQ(FillDisplayBitmap(expected, doc_.image(), nullptr), kOk);
  EXPECT_EQ(DisplayBytes(doc_.displayBitmap()), DisplayBytes(expected));

  ASSERT_EQ(doc_.SaveTo(path_, messages_), kOk);
  observer_.events.clear();
  doc_.Undo(messages_);  // nothing left to undo
  EXPECT_FALSE(doc_.modified());
  EXPECT_TRUE(observer_.events.empty());
  EXPECT_TRUE(Boxes().empty());
  // At a zoom below 5 % the title keeps one decimal.
  EXPECT_EQ(doc_.Title(0.04), "photo.tif @ 4.0% (RGB, 6 x 8)");
  EXPECT_EQ(doc_.Title(0.05), "photo.tif @ 5% (RGB, 6 x 8)");
}

// Exhausted memory fails the one step, which says so; the document stays whole and goes on.
TEST_F(ImageDocumentTest, AStepThatRunsOutOfMemoryLeavesAConsistentDocument) {
  Open("photo.tif");
  const std::vector<uint8_t> before = test::PixelBytes(doc_.image());
  {
    PageAllocationFailureForTesting noPages(0);
    EXPECT_EQ(doc_.Rotate(true, messages_), kImageTooLarge);  // no working block: nothing turned
  }
  EXPECT_EQ(test::PixelBytes(doc_.image()), before);
  EXPECT_FALSE(doc_.modified());
  EXPECT_TRUE(observer_.events.empty());

  // The turn succeeds but its screen copy cannot be made: the turn stands, the view shows no
  // image, and the next step makes the screen copy again.
  presenter_.shown.clear();
  ImageDocumentTestAccess::DropDisplay(doc_);
  {
    PageAllocationFailureForTesting onlyTheTurn(1);
    EXPECT_EQ(doc_.Rotate(true, messages_), kOutOfMemory);
  }
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Tintara Error: Out of memory."});
  EXPECT_EQ(test::PixelBytes(doc_.image()), FilePixels(1));
  EXPECT_TRUE(doc_.displayBitmap().empty());
  EXPECT_TRUE(doc_.modified());
  EXPECT_EQ(observer_.events, (std::vector<std::string>{"turned cw", "pixels", "state"}));
  EXPECT_EQ(observer_.title, "photo.tif @ 100% (RGB, 6 x 8)");
  const ProfileRecord studio = test::TestProfileRecord("Studio", "", 2.0);
  EXPECT_EQ(doc_.Convert(&studio, messages_), kOk);
  DisplayBitmap expected;
  ASSERT_EQ(FillDisplayBitmap(expected, doc_.image(), nullptr), kOk);
  EXPECT_EQ(DisplayBytes(doc_.displayBitmap()), DisplayBytes(expected));
}

TEST_F(ImageDocumentTest, KeepsTheFilesProfileUntilUndoOrConversion) {
  const std::vector<uint8_t> bytes = test::TestProfileBytes(2.0, "Tungsten");
  Open("shot.tif", bytes);
  EXPECT_EQ(doc_.Title(1.0), "shot.tif @ 100% (RGB, 8 x 6), with embedded color profile 'shot' (Tungsten)");
  EXPECT_EQ(doc_.undoKind(), ImageDocument::UndoKind::kEmbedding);
  // The display previews the profile; the pixels stay as read.
  EXPECT_EQ(test::PixelBytes(doc_.image()), FilePixels());
  DisplayBitmap expected;
  ASSERT_EQ(FillDisplayBitmap(expected, doc_.image(), &doc_.embeddedProfile().transform), kOk);
  EXPECT_EQ(DisplayBytes(doc_.displayBitmap()), DisplayBytes(expected));

  const std::string copy = dir_.File("copy.tif");
  ASSERT_EQ(doc_.SaveTo(copy, messages_), kOk);
  ImageBuffer reread;
  ImageReadInfo info;
  ASSERT_EQ(ReadImageFile(copy, reread, &info), kOk);
  EXPECT_EQ(info.iccProfile, bytes);

  // A profile that cannot convert is refused before it costs the image its embedded profile.
  ProfileRecord foreign;
  EXPECT_EQ(doc_.Convert(&foreign, messages_), kForeignProfileConvert);
  EXPECT_EQ(Boxes(), std::vector<std::string>{
                         "Tintara Error: Can not convert image with a color profile not created in Tintara."});
  EXPECT_TRUE(doc_.HasEmbeddedProfile());

  doc_.Undo(messages_);  // removes the embedding
  EXPECT_EQ(doc_.Title(1.0), "copy.tif @ 100% (RGB, 8 x 6)");
  ASSERT_EQ(FillDisplayBitmap(expected, doc_.image(), nullptr), kOk);
  EXPECT_EQ(DisplayBytes(doc_.displayBitmap()), DisplayBytes(expected));
  ASSERT_EQ(doc_.Save(messages_, saveFolder_), kOk);
  ASSERT_EQ(ReadImageFile(copy, reread, &info), kOk);
  EXPECT_TRUE(info.iccProfile.empty());

  // Converting removes it too; a profile this system cannot decode shows as incompatible.
  ASSERT_EQ(doc_.Open(path_, messages_), kOk);
  const ProfileRecord studio = test::TestProfileRecord("Studio", "", 2.0);
  doc_.Convert(&studio, messages_);
  EXPECT_EQ(doc_.undoKind(), ImageDocument::UndoKind::kConversion);
  EXPECT_FALSE(doc_.HasEmbeddedProfile());
  Open("foreign.jpg", std::vector<uint8_t>(bytes.begin(), bytes.begin() + 600));
  EXPECT_EQ(doc_.Title(1.0), "foreign.jpg @ 100% (RGB, 8 x 6), with embedded incompatible color profile 'foreign'");
}

TEST_F(ImageDocumentTest, JpegQualityIsAskedAtTheFirstJpegSaveAndAfterSaveAs) {
  ImageDocumentSettings settings;
  settings.defaultJpegQuality = [] { return 70; };
  doc_ = ImageDocument({}, settings);
  Open("photo.tif");
  const std::string out = dir_.File("out.jpg");
  const auto written = [&](int quality) {
    EXPECT_EQ(WriteImageFile(dir_.File("q.jpg"), ImageFormat::kJpeg, doc_.image(), {}, quality), kOk);
    return FileBytes(dir_.File("q.jpg"));
  };
  presenter_.jpegQualityAnswers = {std::nullopt, 40};
  EXPECT_EQ(doc_.SaveTo(out, messages_), kCancelledByUser);
  EXPECT_FALSE(fs::exists(out));
  EXPECT_EQ(doc_.pathName(), path_);
  EXPECT_EQ(doc_.SaveTo(out, messages_), kOk);  // not asked again: the setting
  EXPECT_EQ(FileBytes(out), written(70));
  ASSERT_EQ(presenter_.Of("jpeg").size(), 1u);
  EXPECT_EQ(presenter_.Of("jpeg")[0].initial, 70);

  // Save As asks again; the quality chosen then serves the plain saves after it. The chooser starts
  // in the folder handed in and hands back the one chosen.
  saveFolder_ = "/photos/out";
  presenter_.fileAnswers.push_back({true, {dir_.File("web")}, kSaveJpegFile});
  EXPECT_EQ(doc_.SaveAs(messages_, saveFolder_), kOk);
  EXPECT_EQ(presenter_.fileRequests.back().folder, "/photos/out");
  EXPECT_EQ(presenter_.fileRequests.back().selectedFilter, kSaveJpegFile);
  EXPECT_EQ(saveFolder_, dir_.path());
  EXPECT_EQ(doc_.pathName(), dir_.File("web.jpg"));
  doc_.Rotate(true, messages_);
  EXPECT_EQ(doc_.Save(messages_, saveFolder_), kOk);
  EXPECT_EQ(presenter_.Of("jpeg").size(), 2u);
  EXPECT_EQ(FileBytes(dir_.File("web.jpg")), written(40));
}

TEST_F(ImageDocumentTest, AReadOnlyFileIsReplacedOnlyWhenTheUserAgrees) {
  Open("photo.tif");
  const std::string target = dir_.File("locked.tif");
  test::WriteFileText(target, "old");
  fs::permissions(target, fs::perms::owner_write, fs::perm_options::remove);
  presenter_.yesNoAnswers = {false, true, true};
  EXPECT_EQ(doc_.SaveTo(target, messages_), kCancelledByUser);
  EXPECT_EQ(test::ReadFileText(target), "old");
  EXPECT_TRUE(IsReadOnlyFile(target));
  EXPECT_EQ(doc_.pathName(), path_);
  // An unsupported name is refused before the question.
  EXPECT_EQ(doc_.SaveTo(dir_.File("photo.png"), messages_), kUnsupportedImageType);
  EXPECT_EQ(Boxes(), std::vector<std::string>{kUnsupported + "\n" + dir_.File("photo.png")});
  // A write that fails after Yes gives the file its permissions back.
  {
    const test::FileSizeLimit limit(100);
    EXPECT_EQ(doc_.SaveTo(target, messages_), kImageWriteFailed);
  }
  EXPECT_TRUE(IsReadOnlyFile(target));
  EXPECT_EQ(test::ReadFileText(target), "old");

  EXPECT_EQ(doc_.SaveTo(target, messages_), kOk);
  EXPECT_EQ(presenter_.Of("yesno").size(), 3u);
  EXPECT_EQ(FileBytes(target), FileBytes(path_));
  EXPECT_FALSE(IsReadOnlyFile(target));
  // The Save command on a read-only file asks for another name instead.
  fs::permissions(target, fs::perms::owner_write, fs::perm_options::remove);
  EXPECT_EQ(doc_.Save(messages_, saveFolder_), kCancelledByUser);
  EXPECT_EQ(presenter_.Of("files").size(), 1u);
}

// Every failed save says why and which file, under the one text all failed saves have had.
TEST_F(ImageDocumentTest, AFailedSaveNamesTheCauseAndTheFile) {
  Open("photo.tif");
  presenter_.jpegQualityAnswers = {90};
  const std::string full = dir_.File("full.tif");
  {
    const test::FileSizeLimit limit(100);
    EXPECT_EQ(doc_.SaveTo(full, messages_), kImageWriteFailed);
    EXPECT_EQ(doc_.SaveTo(dir_.File("full.jpg"), messages_), kImageWriteFailed);
  }
  fs::create_directory(dir_.File("folder.tif"));
  EXPECT_EQ(doc_.SaveTo(dir_.File("folder.tif"), messages_), kImageWriteFailed);
  EXPECT_EQ(doc_.SaveTo(dir_.File("missing/x.tif"), messages_), kImageWriteFailed);
  const std::string lead = "Tintara Error: There were errors while writing the image to storage.\n";
  EXPECT_EQ(Boxes(), (std::vector<std::string>{lead + "File too large: " + full,
                                               lead + "File too large: " + dir_.File("full.jpg"),
                                               lead + "Is a directory: " + dir_.File("folder.tif"),
                                               lead + "No such file or directory: " + dir_.File("missing/x.tif")}));
  EXPECT_FALSE(fs::exists(full));
  EXPECT_EQ(doc_.pathName(), path_);
}

TEST_F(ImageDocumentTest, SaveModifiedAsksOnlyForAModifiedDocument) {
  Open("photo.tif");
  EXPECT_TRUE(doc_.SaveModified(messages_, saveFolder_));
  doc_.Rotate(true, messages_);
  const std::vector<uint8_t> before = FileBytes(path_);
  presenter_.yesNoCancelAnswers = {YesNoCancel::kCancel, YesNoCancel::kNo, YesNoCancel::kYes};
  EXPECT_FALSE(doc_.SaveModified(messages_, saveFolder_));
  EXPECT_TRUE(doc_.SaveModified(messages_, saveFolder_));
  EXPECT_EQ(FileBytes(path_), before);
  EXPECT_TRUE(doc_.SaveModified(messages_, saveFolder_));  // Yes saves over the file
  EXPECT_FALSE(doc_.modified());
  EXPECT_EQ(FilePixels(), test::PixelBytes(doc_.image()));
  ASSERT_EQ(presenter_.Of("yesnocancel").size(), 3u);
  EXPECT_EQ(presenter_.Of("yesnocancel")[0].caption, "Tintara");
  EXPECT_EQ(presenter_.Of("yesnocancel")[0].text, "Save changes to photo.tif?");
}

// Only the first image of a file of several is read, so writing over that file is refused: as the
// file is when saving, whatever it held when it was opened.
TEST_F(ImageDocumentTest, SavingOverAFileOfSeveralImagesIsRefused) {
  const std::string tiffcp = test::FindTool("tiffcp");
  if (tiffcp.empty()) GTEST_SKIP() << "tiffcp is not installed";
  test::WritePatternImage(dir_.File("a.tif"), 4, 3, 1);
  test::WritePatternImage(dir_.File("b.tif"), 5, 2, 2);
  const std::string pages = dir_.File("pages.tif");
  ASSERT_EQ(test::RunCommand(tiffcp, {dir_.File("a.tif"), dir_.File("b.tif"), pages}).exitCode, 0);

  Open("photo.tif");  // one image; then another program puts two in its place
  fs::copy_file(pages, path_, fs::copy_options::overwrite_existing);
  doc_.Rotate(true, messages_);
  presenter_.shown.clear();
  const std::vector<uint8_t> before = FileBytes(path_);
  EXPECT_EQ(doc_.Save(messages_, saveFolder_), kSeveralImagesInFile);
  EXPECT_EQ(FileBytes(path_), before);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].find("\n" + path_), std::string::npos);
  EXPECT_TRUE(doc_.modified());

  ASSERT_EQ(doc_.Open(pages, messages_), kOk);
  EXPECT_EQ(doc_.SaveTo(pages, messages_), kSeveralImagesInFile);
  EXPECT_EQ(doc_.SaveTo(dir_.File("first.tif"), messages_), kOk);
}

// The command line's convert: one copy of the image, converted in place, no screen copy.
TEST_F(ImageDocumentTest, ADocumentWithoutUnconvertedCopyOrDisplay) {
  ImageDocumentOptions options;
  options.keepUnconverted = false;
  options.keepDisplay = false;
  doc_ = ImageDocument(options);
  Open("photo.jpg");
  EXPECT_EQ(doc_.image().unconvertedPixels(), nullptr);
  EXPECT_TRUE(doc_.displayBitmap().empty());
  const ProfileRecord studio = test::TestProfileRecord("Studio", "", 2.0);
  ASSERT_EQ(doc_.Convert(&studio, messages_), kOk);
  EXPECT_EQ(test::PixelBytes(doc_.image()), FilePixels(0, &studio));
  EXPECT_EQ(doc_.undoKind(), ImageDocument::UndoKind::kNone);  // nothing to go back to
}

// The command line's embed into a JPEG: the file is checked and its compressed data kept, its pixels
// never held (here no pixel block can be had at all). The profile it carries stays with it until
// another takes its place.
TEST_F(ImageDocumentTest, AJpegKeptCompressedHoldsNoPixels) {
  const std::vector<uint8_t> camera = test::TestProfileBytes(1.5, "camera");
  const std::vector<uint8_t> tungsten = test::TestProfileBytes(2.0, "Tungsten");
  Open("photo.jpg", camera);
  ImageDocumentOptions options;
  options.keepUnconverted = false;
  options.keepDisplay = false;
  options.keepCompressedJpeg = true;
  doc_ = ImageDocument(options);
  doc_.SetJpegQuality(90);  // chosen by the caller: no dialog
  {
    PageAllocationFailureForTesting noPixelBlock(0);
    ASSERT_EQ(doc_.Open(path_, messages_), kOk);
    EXPECT_EQ(doc_.embeddedProfile().bytes, camera);
    ASSERT_EQ(doc_.SaveTo(dir_.File("kept.jpg"), messages_), kOk);
    doc_.EmbedProfile(tungsten, "camera");
    ASSERT_EQ(doc_.SaveTo(dir_.File("embedded.jpg"), messages_), kOk);
  }
  EXPECT_TRUE(doc_.image().empty());
  ASSERT_EQ(EmbedProfileInJpeg(path_, dir_.File("expected.jpg"), tungsten), kOk);
  EXPECT_EQ(FileBytes(dir_.File("embedded.jpg")), FileBytes(dir_.File("expected.jpg")));
  ImageBuffer kept;
  ImageReadInfo info;
  ASSERT_EQ(ReadImageFile(dir_.File("kept.jpg"), kept, &info), kOk);
  EXPECT_EQ(info.iccProfile, camera);
  EXPECT_EQ(test::PixelBytes(kept), FilePixels());

  // Without pixels there is nothing to convert, and nothing to write in another format.
  const ProfileRecord studio = test::TestProfileRecord("Studio", "", 2.0);
  EXPECT_EQ(doc_.Convert(&studio, messages_), kOk);
  EXPECT_TRUE(doc_.image().empty());
  EXPECT_EQ(doc_.SaveTo(dir_.File("photo.tif"), messages_), kImageWriteFailed);
  EXPECT_FALSE(fs::exists(dir_.File("photo.tif")));

  // A file whose header cannot be kept as it is (a stray byte pair the decoder passes over) is
  // refused at the opening, named as the file it is, not as the file it was to be saved to.
  std::string broken = test::ReadFileText(path_);
  broken.insert(2, std::string("\xFF\x00", 2));
  test::WriteFileText(dir_.File("broken.jpg"), broken);
  presenter_.shown.clear();
  EXPECT_EQ(doc_.Open(dir_.File("broken.jpg"), messages_), kImageCorrupt);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Tintara Error: This image file is corrupt.\n" + dir_.File("broken.jpg")});
}

}  // namespace
}  // namespace tintara
