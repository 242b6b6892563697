#include "image/jpeg_io.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/file_size_limit.h"
#include "support/run_command.h"

namespace tintara {
namespace {

using test::ReadFileText;
using test::RunCommand;
using test::TempDir;
using test::WriteFileText;
using Bytes = std::vector<uint8_t>;

using test::FindTool;


#define REQUIRE_TOOL(var, name)                  \
  const std::string var = FindTool(name);        \
  if (var.empty()) GTEST_SKIP() << name << " is not installed"

// Smooth colour gradients, which JPEG keeps close at any reasonable quality.
Bytes Picture(int w, int h) {
  Bytes p(static_cast<size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* px = &p[(static_cast<size_t>(y) * w + x) * 3];
      px[0] = static_cast<uint8_t>(40 + 170 * x / w);
      px[1] = static_cast<uint8_t>(30 + 180 * y / h);
      px[2] = static_cast<uint8_t>(200 - 150 * (x + y) / (w + h));
    }
  }
  return p;
}

std::string Pnm(int w, int h, const Bytes& samples, bool grey) {
  return (grey ? "P5\n" : "P6\n") + std::to_string(w) + " " + std::to_string(h) + "\n255\n" +
         std::string(samples.begin(), samples.end());
}

// The samples of a binary PNM as djpeg writes it ("P5"/"P6", width, height, 255, one whitespace).
Bytes PnmSamples(const std::string& pnm) {
  std::istringstream in(pnm);
  std::string magic;
  int w = 0, h = 0, maxval = 0;
  in >> magic >> w >> h >> maxval;
  const size_t start = static_cast<size_t>(in.tellg()) + 1;
  return Bytes(pnm.begin() + static_cast<std::ptrdiff_t>(start), pnm.end());
}

int MaxDifference(const uint8_t* a, const uint8_t* b, size_t n) {
  int worst = 0;
  for (size_t i = 0; i < n; ++i) worst = std::max(worst, std::abs(int(a[i]) - int(b[i])));
  return worst;
}

// One marker segment of a JPEG file; for SOS the entropy-coded data that follows is included.
struct Segment {
  int marker;
  size_t start;
  size_t size;
};

std::vector<Segment> Segments(const std::string& f) {
  auto at = [&](size_t i) { return static_cast<uint8_t>(f[i]); };
  std::vector<Segment> out{{0xD8, 0, 2}};
  size_t i = 2;
  while (i + 2 <= f.size() && at(i) == 0xFF) {
    const int marker = at(i + 1);
    if (marker == 0xD9) {
      out.push_back({marker, i, 2});
      break;
    }
    if (i + 4 > f.size()) break;
    size_t end = i + 2 + (size_t(at(i + 2)) << 8 | at(i + 3));
    if (marker == 0xDA) {
      while (end + 1 < f.size() &&
             !(at(end) == 0xFF && at(end + 1) != 0 && (at(end + 1) < 0xD0 || at(end + 1) > 0xD7))) {
        ++end;
      }
    }
    out.push_back({marker, i, end - i});
    i = end;
  }
  return out;
}

std::string Segment16(int marker, const std::string& content) {
  const size_t n = content.size() + 2;
  return std::string{'\xFF', static_cast<char>(marker), static_cast<char>(n >> 8),
                     static_cast<char>(n & 0xFF)} +
         content;
}

std::string IccSegment(int sequence, int total, const std::string& chunk) {
  return Segment16(0xE2, std::string("ICC_PROFILE", 12) + char(sequence) + char(total) + chunk);
}

// `file` with `extra` placed right after its first segment following SOI (the JFIF header).
std::string InsertAfterHeader(const std::string& file, const std::string& extra) {
  const Segment app0 = Segments(file).at(1);
  std::string out = file;
  out.insert(app0.start + app0.size, extra);
  return out;
}

class JpegIoTest : public ::testing::Test {
 protected:
  // A small colour JPEG written by the code under test.
  std::string SmallJpeg(const char* name, int w = 24, int h = 20) {
    const Bytes pixels = Picture(w, h);
    const std::string path = dir_.File(name);
    EXPECT_TRUE(WriteJpeg(path, pixels.data(), w, h, nullptr, 0, 90));
    return ReadFileText(path);
  }

  // Reads `bytes` from a file and expects a failure with `code` and an empty record.
  void ExpectRefused(const std::string& bytes, ResultCode code, const std::string& what) {
    const std::string path = dir_.File("refused.jpg");
    WriteFileText(path, bytes);
    ExpectRefusedPath(path, code, what);
  }

  void ExpectRefusedPath(const std::string& path, ResultCode code, const std::string& what) {
    JpegImage image;
    image.width = 7;  // whatever the record held before is released
    image.profile.reset(new uint8_t[3]);
    image.profileSize = 3;
    ResultCode got = kOk;
    EXPECT_FALSE(ReadJpeg(path, image, &got)) << what;
    EXPECT_EQ(got, code) << what;
    EXPECT_FALSE(image.pixels || image.profile) << what;
    EXPECT_EQ(image.width + image.height + int(image.profileSize), 0) << what;
  }

  // Picture(w, h) (only its green channel when grey) encoded by cjpeg with `options`; its path.
  std::string Cjpeg(const std::string& name, int w, int h, bool grey,
                    std::vector<std::string> options) {
    Bytes samples = Picture(w, h);
    if (grey) {
      for (size_t i = 0; i < samples.size() / 3; ++i) samples[i] = samples[i * 3 + 1];
      samples.resize(samples.size() / 3);
    }
    const std::string source = dir_.File(name + ".pnm"), jpeg = dir_.File(name + ".jpg");
    WriteFileText(source, Pnm(w, h, samples, grey));
    options.insert(options.end(), {"-outfile", jpeg, source});
    EXPECT_EQ(RunCommand(FindTool("cjpeg"), options).exitCode, 0) << name;
    return jpeg;
  }

  TempDir dir_;
};

TEST_F(JpegIoTest, ReadsFilesOfOtherEncodersExactlyAsTheReferenceDecoder) {
  REQUIRE_TOOL(cjpeg, "cjpeg");
  REQUIRE_TOOL(djpeg, "djpeg");
  const int w = 61, h = 45;  // odd sizes: partial MCUs and a leftover batch of rows
  struct Case {
    const char* name;
    bool grey;
    std::vector<std::string> options;
  } cases[] = {{"baseline", false, {"-quality", "85"}},
               {"progressive", false, {"-progressive"}},
               {"unsubsampled", false, {"-sample", "1x1"}},
               {"grey", true, {}}};
  for (const Case& c : cases) {
    const std::string jpeg = Cjpeg(c.name, w, h, c.grey, c.options);
    const std::string reference = dir_.File(std::string(c.name) + ".ref");
    ASSERT_EQ(RunCommand(djpeg, {"-pnm", "-outfile", reference, jpeg}).exitCode, 0) << c.name;
    Bytes expected = PnmSamples(ReadFileText(reference));
    if (c.grey) {  // grey arrives as RGB with three equal channels
      Bytes rgb;
      for (uint8_t v : expected) rgb.insert(rgb.end(), {v, v, v});
      expected = rgb;
    }
    JpegImage image;
    ResultCode code = kImageCorrupt;
    ASSERT_TRUE(ReadJpeg(jpeg, image, &code)) << c.name;
    EXPECT_EQ(code, kOk);
    ASSERT_EQ(image.width, w);
    ASSERT_EQ(image.height, h);
    ASSERT_EQ(expected.size(), image.PixelByteCount()) << c.name;
    EXPECT_EQ(0, std::memcmp(expected.data(), image.pixels.get(), expected.size())) << c.name;
    EXPECT_FALSE(image.profile);
    EXPECT_EQ(image.profileSize, 0u);
  }
}

TEST_F(JpegIoTest, RoundTripsAtLowestAndHighestQuality) {
  const int w = 37, h = 41;
  const Bytes pixels = Picture(w, h);
  std::string written[2];
  for (int quality : {1, 100}) {
    const std::string path = dir_.File("q" + std::to_string(quality) + ".jpg");
    ASSERT_TRUE(WriteJpeg(path, pixels.data(), w, h, nullptr, 0, quality));
    JpegImage image;
    ASSERT_TRUE(ReadJpeg(path, image));
    ASSERT_EQ(image.width, w);
    ASSERT_EQ(image.height, h);
    const int worst = MaxDifference(pixels.data(), image.pixels.get(), pixels.size());
    EXPECT_LE(worst, quality == 100 ? 4 : 80) << "quality " << quality;
    const std::string file = ReadFileText(path);
    written[quality == 100] = file;
    bool baseline = false;
    for (const Segment& s : Segments(file)) {
      EXPECT_NE(s.marker, 0xE2) << "a file without a profile carries no APP2 segment";
      EXPECT_NE(s.marker, 0xC2) << "baseline is forced";
      baseline = baseline || s.marker == 0xC0;
    }
    EXPECT_TRUE(baseline);
  }
  EXPECT_LT(written[0].size(), written[1].size());
  // Out-of-range qualities are clamped rather than refused.
  EXPECT_TRUE(WriteJpeg(dir_.File("q0.jpg"), pixels.data(), w, h, nullptr, 0, 0));
  EXPECT_EQ(ReadFileText(dir_.File("q0.jpg")), written[0]);
  // Nothing but the written files is left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 3);
}

TEST_F(JpegIoTest, RefusesColourDepthsItCannotDeliver) {
  std::string twelveBit = SmallJpeg("eight.jpg");
  for (const Segment& s : Segments(twelveBit)) {
    if (s.marker == 0xC0) twelveBit[s.start + 4] = 12;  // sample precision
  }
  ExpectRefused(twelveBit, kUnsupportedColourDepth, "12-bit samples");

  REQUIRE_TOOL(convert, "convert");
  const std::string cmyk = dir_.File("cmyk.jpg");
  ASSERT_EQ(RunCommand(convert, {"-size", "32x24", "gradient:red-blue", "-colorspace", "CMYK", cmyk})
                .exitCode,
            0);
  ExpectRefusedPath(cmyk, kUnsupportedColourDepth, "CMYK");
}

TEST_F(JpegIoTest, DamagedFilesAreCorruptNeverSuccess) {
  const std::string good = SmallJpeg("good.jpg", 64, 64);
  std::string garbage(5000, '\0');
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = char((i * 2654435761u) >> 13);
  ExpectRefused("", kImageCorrupt, "zero-sized");
  ExpectRefused(garbage, kImageCorrupt, "garbage");
  ExpectRefused("\xFF\xD8" + garbage, kImageCorrupt, "SOI then garbage");
  ExpectRefused(good.substr(0, good.size() / 2), kImageCorrupt, "truncated halfway");
  ExpectRefused(good.substr(0, good.size() - 2), kImageCorrupt, "without its end marker");
  const Segment sos = Segments(good).rbegin()[1];  // the only scan, before the end marker
  ASSERT_EQ(sos.marker, 0xDA);
  ExpectRefused(good.substr(0, sos.start + 20), kImageCorrupt, "cut just after the scan header");
  ExpectRefusedPath(dir_.File("missing.jpg"), kImageCorrupt, "missing file");
  ExpectRefusedPath(dir_.path(), kImageCorrupt, "a folder");

  REQUIRE_TOOL(cjpeg, "cjpeg");
  const std::string p = ReadFileText(Cjpeg("p", 64, 64, false, {"-progressive"}));
  ExpectRefused(p.substr(0, p.size() / 2), kImageCorrupt, "progressive truncated halfway");
}

TEST_F(JpegIoTest, ImplausibleFilesAreRefusedQuickly) {
  // A header declaring 65500 x 65500 (12 GB of pixels) is refused before anything is allocated.
  std::string huge = SmallJpeg("small.jpg");
  for (const Segment& s : Segments(huge)) {
    if (s.marker == 0xC0) huge.replace(s.start + 5, 4, "\xFF\xDC\xFF\xDC");
  }
  ExpectRefused(huge, kImageTooLarge, "65500 x 65500");

  // A file flooded with repeated scans would keep the decoder busy without end.
  REQUIRE_TOOL(cjpeg, "cjpeg");
  const std::string progressive = ReadFileText(Cjpeg("scans", 16, 16, false, {"-progressive"}));
  const std::vector<Segment> segments = Segments(progressive);
  ASSERT_EQ(segments.back().marker, 0xD9);
  const Segment last = segments.rbegin()[1];
  ASSERT_EQ(last.marker, 0xDA);
  std::string flood = progressive.substr(0, last.start);
  for (int i = 0; i < 600; ++i) flood += progressive.substr(last.start, last.size);
  ExpectRefused(flood + "\xFF\xD9", kImageCorrupt, "600 scans");
}

TEST_F(JpegIoTest, HarmlessWarningKeepsTheImage) {
  const std::string clean = SmallJpeg("clean.jpg");
  const std::string path = dir_.File("stray.jpg");
  WriteFileText(path, InsertAfterHeader(clean, "\x12\x34\x56"));  // stray bytes before a marker
  JpegImage expected, image;
  ASSERT_TRUE(ReadJpeg(dir_.File("clean.jpg"), expected));
  ASSERT_TRUE(ReadJpeg(path, image));
  EXPECT_EQ(0, std::memcmp(expected.pixels.get(), image.pixels.get(), image.PixelByteCount()));
}

TEST_F(JpegIoTest, ProfilesAreWrittenInChunksAndReadBackIdentical) {
  const Bytes pixels = Picture(8, 8);
  const uint32_t maxSize = kJpegIccChunkBytes * kJpegIccMaxChunks;
  for (uint32_t size : {1u, 65519u, 65520u, maxSize}) {
    Bytes profile(size);
    for (uint32_t i = 0; i < size; ++i) profile[i] = uint8_t(i * 7 + i / 251);
    const std::string path = dir_.File("p.jpg");
    ASSERT_TRUE(WriteJpeg(path, pixels.data(), 8, 8, profile.data(), size, 75)) << size;
    const std::string file = ReadFileText(path);
    std::vector<Segment> app2;
    for (const Segment& s : Segments(file)) {
      if (s.marker == 0xE2) app2.push_back(s);
    }
    const size_t chunks = (size + 65518) / 65519;
    ASSERT_EQ(app2.size(), chunks) << size;
    EXPECT_EQ(Segments(file).at(1).marker, 0xE0) << "the JFIF header comes first";
    for (size_t i = 0; i < chunks; ++i) {
      const size_t chunk = std::min<size_t>(65519, size - i * 65519);
      EXPECT_EQ(app2[i].size, chunk + 18);  // marker, length, identifier, numbers
      EXPECT_EQ(file.substr(app2[i].start + 4, 12), std::string("ICC_PROFILE", 12));
      EXPECT_EQ(uint8_t(file[app2[i].start + 16]), i + 1);
      EXPECT_EQ(uint8_t(file[app2[i].start + 17]), chunks);
    }
    JpegImage image;
    ASSERT_TRUE(ReadJpeg(path, image));
    ASSERT_EQ(image.profileSize, size);
    EXPECT_EQ(0, std::memcmp(image.profile.get(), profile.data(), size)) << size;
  }
  // 256 chunks cannot be numbered in a byte: refused, not written with a wrapped count.
  const Bytes tooLarge(maxSize + 1, 1);
  EXPECT_FALSE(WriteJpeg(dir_.File("big.jpg"), pixels.data(), 8, 8, tooLarge.data(), maxSize + 1, 75));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("big.jpg")));
}

TEST_F(JpegIoTest, ProfileReassemblyFollowsChunkNumbersAndRejectsInconsistency) {
  const std::string base = SmallJpeg("base.jpg");
  const std::string a = "first chunk|", b = "second";
  const std::string notIcc = Segment16(0xE2, "OTHER_THING\0xx");
  const std::string tooShort = Segment16(0xE2, std::string("ICC_PROFILE\0\1", 13));
  struct Case {
    const char* what;
    std::string segments;
    std::string profile;  // empty: no profile expected
  } cases[] = {
      {"in order", IccSegment(1, 2, a) + IccSegment(2, 2, b), a + b},
      {"stored 2 then 1", IccSegment(2, 2, b) + IccSegment(1, 2, a), a + b},
      {"other APP2 segments ignored", notIcc + tooShort + IccSegment(1, 1, a), a},
      {"duplicate number", IccSegment(1, 2, a) + IccSegment(2, 2, b) + IccSegment(1, 2, a), ""},
      {"totals disagree", IccSegment(1, 2, a) + IccSegment(2, 3, b), ""},
      {"missing chunk", IccSegment(1, 3, a) + IccSegment(3, 3, b), ""},
      {"total of 0", IccSegment(1, 0, a), ""},
      {"number 0", IccSegment(0, 1, a), ""},
      {"number above total", IccSegment(2, 1, a), ""},
      {"no bytes", IccSegment(1, 1, ""), ""},
  };
  for (const Case& c : cases) {
    const std::string path = dir_.File("icc.jpg");
    WriteFileText(path, InsertAfterHeader(base, c.segments));
    JpegImage image;
    ASSERT_TRUE(ReadJpeg(path, image)) << c.what;  // a bad profile never costs the image
    EXPECT_EQ(image.width, 24) << c.what;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(image.profile.get()), image.profileSize),
              c.profile)
        << c.what;
  }
}

TEST_F(JpegIoTest, FailedWriteLeavesTheOldFileAndNoTemporary) {
  const std::string path = dir_.File("photo.jpg");
  WriteFileText(path, "the previous image");
  // Noise compresses badly, so the file is sure to outgrow the limit below.
  const int w = 256, h = 256;
  Bytes noise(size_t(w) * h * 3);
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = uint8_t((i * 2654435761u) >> 11);

  bool written = true;
  {
    const test::FileSizeLimit limit(8192);
    written = WriteJpeg(path, noise.data(), w, h, nullptr, 0, 95);
  }

  EXPECT_FALSE(written);
  EXPECT_EQ(ReadFileText(path), "the previous image");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1);
  // Without the limit the same write replaces the file.
  ASSERT_TRUE(WriteJpeg(path, noise.data(), w, h, nullptr, 0, 95));
  JpegImage image;
  EXPECT_TRUE(ReadJpeg(path, image));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1);
}

TEST_F(JpegIoTest, WriterRefusesWhatItCannotWrite) {
  const Bytes pixels = Picture(4, 4);
  const std::string path = dir_.File("out.jpg");
  EXPECT_FALSE(WriteJpeg(path, nullptr, 4, 4, nullptr, 0, 75));
  EXPECT_FALSE(WriteJpeg(path, pixels.data(), 0, 4, nullptr, 0, 75));
  EXPECT_FALSE(WriteJpeg(path, pixels.data(), 4, -1, nullptr, 0, 75));
  EXPECT_FALSE(WriteJpeg(path, pixels.data(), 65501, 1, nullptr, 0, 75));
  EXPECT_FALSE(WriteJpeg(path, pixels.data(), 4, 4, nullptr, 10, 75));  // size without bytes
  EXPECT_FALSE(WriteJpeg(dir_.File("no/such/folder.jpg"), pixels.data(), 4, 4, nullptr, 0, 75));
  EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));
  // A target that cannot be replaced (a folder) fails at the final rename and leaves nothing behind.
  std::filesystem::create_directory(path);
  WriteFileText(path + "/inside", "x");
  EXPECT_FALSE(WriteJpeg(path, pixels.data(), 4, 4, nullptr, 0, 75));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1);
}

// When the compressed data stops early at a marker, or cannot be decoded, the library only warns
// and fills the rest of the image with grey. Such an image is partly invented and must not be
// delivered. The fuzzer found the first case as a 360-byte file declaring 2304 x 65474 pixels,
// which was read "successfully" (and took seconds to fill).
TEST_F(JpegIoTest, ScanDataThatEndsEarlyOrCannotBeDecodedIsCorrupt) {
  const std::string good = SmallJpeg("good.jpg", 64, 64);
  const Segment sos = Segments(good).rbegin()[1];
  ASSERT_EQ(sos.marker, 0xDA);
  const size_t dataStart = sos.start + 2 + (size_t(uint8_t(good[sos.start + 2])) << 8 | uint8_t(good[sos.start + 3]));
  const size_t dataEnd = sos.start + sos.size;
  ASSERT_GT(dataEnd, dataStart + 40);

  ExpectRefused(good.substr(0, dataStart + (dataEnd - dataStart) / 2) + "\xFF\xD9", kImageCorrupt,
                "scan cut halfway, then the end marker");

  std::string tall = good;  // the same scan, for a frame declared 20000 rows high
  for (const Segment& s : Segments(tall)) {
    if (s.marker == 0xC0) tall.replace(s.start + 5, 2, "\x4E\x20");
  }
  ExpectRefused(tall, kImageCorrupt, "scan far shorter than the frame");

  std::string badCode = good;  // 80 one-bits in a row are no Huffman code
  for (int i = 0; i < 10; ++i) badCode.replace(dataStart + 10 + 2 * i, 2, "\xFF\x00");
  ExpectRefused(badCode, kImageCorrupt, "undecodable scan data");
}

}  // namespace
}  // namespace tintara
