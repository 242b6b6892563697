#include "image/jpeg_embed.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "base/result_codes.h"
#include "image/image_file.h"
#include "support/run_command.h"
#include "support/test_images.h"
#include "support/test_profiles.h"

namespace tintara {
namespace {

using test::PixelBytes;

class JpegEmbedTest : public ::testing::Test {
 protected:
  void SetUp() override { test::FillPattern(image_, 24, 16); }

  ImageBuffer image_;
  const std::vector<uint8_t> profile_ = test::TestProfileBytes(1.5, "embedded");
  test::TempDir dir_;
};

// Embedding into a JPEG does not decode and encode it again: the compressed data of a quality-98
// photograph (which a new encoding would change by up to 29 levels, more at every repeat) stays as
// it is, and so do the JFIF and EXIF segments before the profile and everything after it.
TEST_F(JpegEmbedTest, EmbeddingIntoAJpegKeepsItsCompressedData) {
  const std::string in = dir_.File("in.jpg");
  const std::vector<uint8_t> oldProfile = test::TestProfileBytes(2.0, "old");
  ASSERT_EQ(WriteImageFile(in, ImageFormat::kJpeg, image_, oldProfile, 98), kOk);
  // Segments up to the scan: marker and start of each, the scan's start last.
  auto segments = [](const std::string& f) {
    std::vector<std::pair<int, size_t>> out;
    for (size_t at = 2; at + 4 <= f.size(); at += 2 + (size_t(uint8_t(f[at + 2])) << 8 | uint8_t(f[at + 3]))) {
      out.emplace_back(uint8_t(f[at + 1]), at);
      if (uint8_t(f[at + 1]) == 0xDA) break;
    }
    return out;
  };
  std::string original = test::ReadFileText(in);
  const size_t afterJfif = segments(original).at(1).second;
  original.insert(afterJfif, std::string("\xFF\xE1\x00\x0A" "Exif\0\0II", 12));  // an EXIF segment without entries
  test::WriteFileText(in, original);

  // Read once, the file gives the profile it carries and can be written any number of times.
  CompressedJpeg jpeg;
  std::vector<uint8_t> carried;
  ASSERT_EQ(ReadCompressedJpeg(in, jpeg, &carried), kOk);
  EXPECT_EQ(carried, oldProfile);
  const std::string out = dir_.File("out.jpg");
  ASSERT_EQ(WriteCompressedJpeg(jpeg, out, profile_), kOk);
  const std::string embedded = test::ReadFileText(out);
  const auto inSegments = segments(original);
  const auto outSegments = segments(embedded);
  std::vector<int> markers;
  for (const auto& [marker, at] : outSegments) markers.push_back(marker);
  ASSERT_GE(markers.size(), 4u);
  EXPECT_EQ((std::vector<int>{markers[0], markers[1], markers[2]}), (std::vector<int>{0xE0, 0xE1, 0xE2}));
  EXPECT_EQ(std::count(markers.begin(), markers.end(), 0xE2), 1);  // the old profile's segment is gone
  // From the first segment after the old profile on, the files are the same to the last byte.
  const size_t inRest = inSegments.at(3).second;
  const size_t outRest = outSegments.at(3).second;
  EXPECT_EQ(embedded.substr(outRest), original.substr(inRest));
  EXPECT_EQ(embedded.substr(0, afterJfif + 12), original.substr(0, afterJfif + 12));

  ImageBuffer before, after;
  ImageReadInfo info;
  ASSERT_EQ(ReadImageFile(in, before), kOk);
  ASSERT_EQ(ReadImageFile(out, after, &info), kOk);
  EXPECT_EQ(PixelBytes(after), PixelBytes(before));
  EXPECT_EQ(info.iccProfile, profile_);
  // Again, into the file itself: nothing changes.
  ASSERT_EQ(EmbedProfileInJpeg(out, out, profile_), kOk);
  EXPECT_EQ(test::ReadFileText(out), embedded);
}

TEST_F(JpegEmbedTest, EmbeddingRefusesWhatIsNoSoundJpeg) {
  ASSERT_EQ(WriteImageFile(dir_.File("in.jpg"), ImageFormat::kJpeg, image_, profile_, 90), kOk);
  const std::string jpeg = test::ReadFileText(dir_.File("in.jpg"));
  const size_t scanEnd = jpeg.size() - 2;
  struct Case {
    const char* what;
    std::string bytes;
  };
  for (const Case& c : {Case{"no SOI", jpeg.substr(2)}, Case{"header cut short", jpeg.substr(0, 300)},
                        Case{"a segment longer than the file", jpeg.substr(0, 4) + "\xFF\xFF" + jpeg.substr(6)},
                        Case{"scan cut short", jpeg.substr(0, scanEnd - 200) + "\xFF\xD9"},
                        Case{"garbage", std::string(600, '\x5A')}}) {
    test::WriteFileText(dir_.File("bad.jpg"), c.bytes);
    EXPECT_EQ(EmbedProfileInJpeg(dir_.File("bad.jpg"), dir_.File("bad-out.jpg"), profile_), kImageCorrupt) << c.what;
    // A refused file leaves nothing of itself behind, however far it was read.
    CompressedJpeg read;
    ASSERT_EQ(ReadCompressedJpeg(dir_.File("in.jpg"), read), kOk);
    std::vector<uint8_t> carried = {1, 2, 3};
    EXPECT_EQ(ReadCompressedJpeg(dir_.File("bad.jpg"), read, &carried), kImageCorrupt) << c.what;
    EXPECT_TRUE(read.file.empty() && read.header.empty() && carried.empty()) << c.what;
    EXPECT_EQ(WriteCompressedJpeg(read, dir_.File("bad-out.jpg"), profile_), kImageWriteFailed) << c.what;
  }
  EXPECT_FALSE(std::filesystem::exists(dir_.File("bad-out.jpg")));
}

}  // namespace
}  // namespace tintara
