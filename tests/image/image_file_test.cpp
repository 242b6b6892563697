#include "image/image_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>

#include "base/result_codes.h"
#include "image/jpeg_io.h"
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

// Nothing but a regular file is opened: a FIFO would wait for a writer, a device may do anything.
TEST_F(ImageFileIoTest, WhatIsNoFileIsRefusedUnopenedAndAFolderSaysSo) {
  struct Case {
    std::string name;
    int code;
  };
  const std::vector<Case> cases = {{"folder.tif", kImageFileIsFolder}, {"folder.jpeg", kImageFileIsFolder},
                                   {"fifo.tiff", kCannotOpenImage},    {"fifo.jpg", kCannotOpenImage},
                                   {"null.tif", kCannotOpenImage},     {"null.jpg", kCannotOpenImage}};
  for (const Case& c : cases) {
    const std::string path = dir_.File(c.name);
    if (c.name.starts_with("folder")) std::filesystem::create_directory(path);
    if (c.name.starts_with("fifo")) {
      ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    }
    if (c.name.starts_with("null")) std::filesystem::create_symlink("/dev/null", path);
    ImageBuffer back;
    ImageReadInfo info;
    Stale(back, info);
    EXPECT_EQ(ReadImageFile(path, back, &info), c.code) << c.name;
    EXPECT_TRUE(back.empty() && info.iccProfile.empty()) << c.name;
    EXPECT_EQ(EmbedProfileInImageFile(path, dir_.File("out.jpg"), ImageFormat::kJpeg, profile_, 90), c.code) << c.name;
  }
  EXPECT_FALSE(std::filesystem::exists(dir_.File("out.jpg")));
}

// Any ICC profile may be embedded, not only one of this program, but it must be one.
TEST_F(ImageFileIoTest, EmbeddingTakesNothingButAnIccProfile) {
  ASSERT_EQ(WriteImageFile(dir_.File("in.jpg"), ImageFormat::kJpeg, image_, {}, 90), kOk);
  const std::string jpeg = test::ReadFileText(dir_.File("in.jpg"));
  for (const ImageFormat format : {ImageFormat::kJpeg, ImageFormat::kTiff}) {
    EXPECT_EQ(EmbedProfileInImageFile(dir_.File("in.jpg"), dir_.File("out.jpg"), format,
                                      std::vector<uint8_t>(jpeg.begin(), jpeg.end()), 90),
              kNotAnIccProfile);
  }
  EXPECT_FALSE(std::filesystem::exists(dir_.File("out.jpg")));
}

// The decoder writes straight into the image's block: a JPEG is held once while it is read, not
// once by the decoder and again by the image.
TEST(ImageFileMemory, AJpegIsHeldOnceWhileItIsRead) {
  test::TempDir dir;
  const std::string path = dir.File("large.jpg");
  const int width = 4000, height = 3000;
  {
    ImageBuffer image;
    ASSERT_EQ(image.Allocate(width, height), kOk);
    for (uint32_t i = 0; i < image.byteSize(); ++i) image.pixels()[i] = static_cast<uint8_t>(i / 3 % width / 16);
    ASSERT_EQ(WriteImageFile(path, ImageFormat::kJpeg, image, {}, 75), kOk);
  }
  rusage usage{};
  ASSERT_EQ(getrusage(RUSAGE_SELF, &usage), 0);
  const long peakBefore = usage.ru_maxrss;  // kB, with the image above held once already
  ImageBuffer image;
  ASSERT_EQ(ReadImageFile(path, image), kOk);
  ASSERT_EQ(getrusage(RUSAGE_SELF, &usage), 0);
  EXPECT_LT(usage.ru_maxrss - peakBefore, static_cast<long>(image.byteSize() / 1024 / 2));
}

TEST_F(ImageFileIoTest, TheWriterFollowsTheFormatNotThePath) {
  ASSERT_EQ(WriteImageFile(dir_.File("tiff.jpg"), ImageFormat::kTiff, image_, {}, 90), kOk);
  std::filesystem::rename(dir_.File("tiff.jpg"), dir_.File("tiff.tif"));
  ImageBuffer back;
  ASSERT_EQ(ReadImageFile(dir_.File("tiff.tif"), back), kOk);
  EXPECT_EQ(PixelBytes(back), PixelBytes(image_));

  EXPECT_EQ(WriteImageFile(dir_.File("a.tif"), ImageFormat::kUnknown, image_, {}, 90), kImageWriteFailed);
  EXPECT_EQ(WriteImageFile(dir_.File("empty.jpg"), ImageFormat::kJpeg, ImageBuffer(), {}, 90), kImageWriteFailed);
  const std::vector<uint8_t> tooLarge(kJpegIccChunkBytes * kJpegIccMaxChunks + 1, 7);
  EXPECT_EQ(WriteImageFile(dir_.File("big.jpg"), ImageFormat::kJpeg, image_, tooLarge, 90), kProfileTooLargeForJpeg);
  EXPECT_EQ(test::FolderEntries(dir_.path()), std::vector<std::string>{"tiff.tif"});
}

}  // namespace
}  // namespace tintara
