#include "image/image_conversion.h"

#include <gtest/gtest.h>

#include "base/result_codes.h"
#include "support/test_images.h"
#include "support/test_profiles.h"

namespace tintara {
namespace {

using test::PixelBytes;
using test::TestProfilePixels;

class ImageConversionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::FillPattern(image_, 24, 16);
    original_ = PixelBytes(image_);
  }

  ImageBuffer image_;
  std::vector<uint8_t> original_;
  const ProfileRecord doubled_ = test::TestProfileRecord("Double", "red x2", 2.0);
  const ProfileRecord tripled_ = test::TestProfileRecord("Triple", "red x3", 3.0);
};

TEST_F(ImageConversionTest, EveryConversionStartsFromTheOriginal) {
  ASSERT_EQ(ConvertWithProfile(image_, doubled_), kOk);
  EXPECT_EQ(PixelBytes(image_), TestProfilePixels(original_, 2.0));
  EXPECT_EQ(test::UnconvertedBytes(image_), original_);
  // The second profile's result alone, not the first one's converted again.
  ASSERT_EQ(ConvertWithProfile(image_, tripled_), kOk);
  EXPECT_EQ(PixelBytes(image_), TestProfilePixels(original_, 3.0));
  EXPECT_TRUE(image_.converted());
  EXPECT_EQ(image_.conversionProfileName(), "Triple");
  EXPECT_EQ(image_.conversionProfileDescription(), "red x3");

  // In place: the same pixels, without a copy to go back to.
  ImageBuffer batch;
  test::FillPattern(batch, 24, 16);
  ASSERT_EQ(ConvertPixelsInPlace(batch, tripled_), kOk);
  EXPECT_EQ(PixelBytes(batch), PixelBytes(image_));
  EXPECT_EQ(batch.unconvertedPixels(), nullptr);
  EXPECT_TRUE(batch.converted() && batch.conversionProfileName() == "Triple");
}

TEST_F(ImageConversionTest, RefusalsLeaveThePixelsAlone) {
  ProfileRecord foreign;
  SetProfileName(foreign, "Foreign");
  EXPECT_EQ(ConvertWithProfile(image_, foreign), kForeignProfileConvert);
  EXPECT_EQ(ConvertPixelsInPlace(image_, foreign), kForeignProfileConvert);
  {
    // No memory for the copy the conversion starts from.
    PageAllocationFailureForTesting noPages(0);
    EXPECT_EQ(ConvertWithProfile(image_, doubled_), kImageTooLarge);
  }
  EXPECT_EQ(PixelBytes(image_), original_);
  EXPECT_TRUE(!image_.converted() && image_.unconvertedPixels() == nullptr);

  ImageBuffer empty;
  EXPECT_EQ(ConvertWithProfile(empty, doubled_), kOk);
  EXPECT_EQ(ConvertPixelsInPlace(empty, doubled_), kOk);
  EXPECT_TRUE(empty.empty() && !empty.converted());
}

}  // namespace
}  // namespace tintara
