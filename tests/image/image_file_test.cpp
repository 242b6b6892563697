#include "image/image_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/result_codes.h"
#include "support/run_command.h"
#include "support/test_images.h"
#include "support/test_profiles.h"

namespace tintara {
namespace {

using test::PixelBytes;

TEST(ImageFileTest, TheFormatIsToldByTheExtensionAlone) {
  for (const char* path : {"a.tif", "a.tiff", "A.TIF", "a.TiFf", "C:\\x.jpg\\photo.tif", "/x.jpeg/.tif"}) {
    EXPECT_EQ(ImageFormatOf(path), ImageFormat::kTiff) << path;
  }
  for (const char* path : {"a.jpg", "a.jpeg", "A.JPG", "a.JpEg", "/x.tif/photo.jpg"}) {
    EXPECT_EQ(ImageFormatOf(path), ImageFormat::kJpeg) << path;
  }
  for (const char* path : {"a.png", "a", "a.tif.bak", "a.tiff/", "a.jpe", "a.tif ", "atif", ""}) {
    EXPECT_EQ(ImageFormatOf(path), ImageFormat::kUnknown) << path;
  }
}

class ImageFileIoTest : public ::testing::Test {
 protected:
  void SetUp() override { test::FillPattern(image_, 24, 16); }

  // A buffer and a record that hold something from before, which a read must not keep.
  void Stale(ImageBuffer& buffer, ImageReadInfo& info) {
    test::FillPattern(buffer, 3, 3);
    info.paletteNotice = true;
    info.iccProfile = {1, 2, 3};
  }

  ImageBuffer image_;
  const std::vector<uint8_t> profile_ = test::TestProfileBytes(1.5, "embedded");
  test::TempDir dir_;
};

TEST_F(ImageFileIoTest, BothFormatsReadBackWithTheirProfile) {
  ASSERT_EQ(WriteImageFile(dir_.File("a.TIFF"), ImageFormat::kTiff, image_, profile_, 90), kOk);
  ASSERT_EQ(WriteImageFile(dir_.File("a.jpeg"), ImageFormat::kJpeg, image_, profile_, 95), kOk);
  ASSERT_EQ(WriteImageFile(dir_.File("plain.jpg"), ImageFormat::kJpeg, image_, {}, 95), kOk);
  ImageBuffer back;
  ImageReadInfo info;
  for (const char* name : {"a.TIFF", "a.jpeg"}) {
    Stale(back, info);
    ASSERT_EQ(ReadImageFile(dir_.File(name), back, &info), kOk) << name;
    EXPECT_TRUE(back.width() == 24 && back.height() == 16) << name;
    EXPECT_EQ(info.iccProfile, profile_) << name;
    EXPECT_FALSE(info.paletteNotice) << name;
    EXPECT_EQ(back.unconvertedPixels(), nullptr);  // keeping the copy is the caller's step
  }
  ASSERT_EQ(ReadImageFile(dir_.File("a.TIFF"), back), kOk);
  EXPECT_EQ(PixelBytes(back), PixelBytes(image_));
  Stale(back, info);
  ASSERT_EQ(ReadImageFile(dir_.File("plain.jpg"), back, &info), kOk);
  EXPECT_TRUE(info.iccProfile.empty() && !info.paletteNotice);

  // The JPEG decoded, but its pixel block cannot be had.
  {
    PageAllocationFailureForTesting noPages(0);
    EXPECT_EQ(ReadImageFile(dir_.File("a.jpeg"), back, &info), kImageTooLarge);
  }
  EXPECT_TRUE(back.empty() && info.iccProfile.empty());
}

TEST_F(ImageFileIoTest, RefusalsLeaveTheBufferEmpty) {
  test::WriteFileText(dir_.File("photo.png"), "png");
  ASSERT_EQ(WriteImageFile(dir_.File("jpeg.tif"), ImageFormat::kJpeg, image_, {}, 90), kOk);
  struct Case {
    const char* name;
    int code;
  };
  for (const Case& c : {Case{"photo.png", kUnsupportedImageType}, Case{"none.bmp", kUnsupportedImageType},
                        Case{"none.tif", kImageCorrupt}, Case{"none.jpg", kImageCorrupt},
                        Case{"jpeg.tif", kImageCorrupt}}) {
    ImageBuffer back;
    ImageReadInfo info;
    Stale(back, info);
    EXPECT_EQ(ReadImageFile(dir_.File(c.name), back, &info), c.code) << c.name;
    EXPECT_TRUE(back.empty() && info.iccProfile.empty() && !info.paletteNotice) << c.name;
  }
}

TEST_F(ImageFileIoTest, TheWriterFollowsTheFormatNotThePath) {
  ASSERT_EQ(WriteImageFile(dir_.File("tiff.jpg"), ImageFormat::kTiff, image_, {}, 90), kOk);
  std::filesystem::rename(dir_.File("tiff.jpg"), dir_.File("tiff.tif"));
  ImageBuffer back;
  ASSERT_EQ(ReadImageFile(dir_.File("tiff.tif"), back), kOk);
  EXPECT_EQ(PixelBytes(back), PixelBytes(image_));

  EXPECT_EQ(WriteImageFile(dir_.File("a.tif"), ImageFormat::kUnknown, image_, {}, 90), kImageWriteFailed);
  EXPECT_EQ(WriteImageFile(dir_.File("empty.jpg"), ImageFormat::kJpeg, ImageBuffer(), {}, 90), kImageWriteFailed);
  EXPECT_EQ(test::FolderEntries(dir_.path()), std::vector<std::string>{"tiff.tif"});
}

}  // namespace
}  // namespace tintara
