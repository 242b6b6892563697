#include "image/tiff_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/result_codes.h"
#include "support/file_size_limit.h"
#include "support/run_command.h"

namespace tintara {
namespace {

using test::FindTool;
using test::FolderEntries;
using test::RunCommand;
using test::TempDir;


std::vector<uint8_t> ReadBytes(const std::string& path) {
  const std::string text = test::ReadFileText(path);
  return {text.begin(), text.end()};
}

void WriteBytes(const std::string& path, const std::string& bytes) { test::WriteFileText(path, bytes); }

// R, G, B bytes in which neighbouring pixels and channels differ.
std::vector<uint8_t> Pattern(int width, int height) {
  std::vector<uint8_t> bytes;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < 3; ++c) bytes.push_back(static_cast<uint8_t>(x * 37 + y * 11 + c * 60));
    }
  }
  return bytes;
}

ImageBuffer MakeImage(int width, int height, const std::vector<uint8_t>& bytes) {
  ImageBuffer image;
  EXPECT_EQ(image.Allocate(width, height), kOk);
  std::memcpy(image.pixels(), bytes.data(), bytes.size());
  return image;
}

std::vector<uint8_t> Pixels(const ImageBuffer& image) {
  return image.empty() ? std::vector<uint8_t>{} : std::vector<uint8_t>(image.pixels(), image.pixels() + image.byteSize());
}

// A binary PPM (P6) or PGM (P5) for the conversion tools to start from, so every test knows the
// exact pixels its file holds.
void WritePnm(const std::string& path, bool colour, int width, int height, const std::vector<uint8_t>& bytes) {
  std::string text = std::string(colour ? "P6" : "P5") + "\n" + std::to_string(width) + " " +
                     std::to_string(height) + "\n255\n";
  text.append(bytes.begin(), bytes.end());
  WriteBytes(path, text);
}

// A little-endian TIFF of 8-bit samples laid out as header, directory, long field values, then the
// strips. Because the strips come last, cutting the file removes pixel data while the directory
// stays readable. The declared size and the pixel bytes given are independent, so a file may
// promise far more than it holds.
std::string HandMadeTiff(uint32_t width, uint32_t height, uint16_t samples, uint32_t rowsPerStrip,
                         const std::vector<uint8_t>& pixels) {
  struct Entry {
    uint16_t tag;
    uint16_t type;  // 3 SHORT, 4 LONG
    std::vector<uint32_t> values;
  };
  const uint32_t strips = height == 0 ? 1 : (height + rowsPerStrip - 1) / rowsPerStrip;
  std::vector<uint32_t> byteCounts;
  for (uint32_t s = 0; s < strips; ++s) {
    const uint64_t rows = std::min<uint64_t>(rowsPerStrip, height - static_cast<uint64_t>(s) * rowsPerStrip);
    byteCounts.push_back(static_cast<uint32_t>(std::min<uint64_t>(rows * width * samples, 0xFFFFFFFFu)));
  }
  std::vector<Entry> entries = {
      {256, 4, {width}},
      {257, 4, {height}},
      {258, 3, std::vector<uint32_t>(samples, 8)},
      {259, 3, {1}},
      {262, 3, {samples == 3 ? 2u : 1u}},
      {273, 4, std::vector<uint32_t>(strips, 0)},
      {277, 3, {samples}},
      {278, 4, {rowsPerStrip}},
      {279, 4, byteCounts},
      {284, 3, {1}},
  };
  const uint32_t directorySize = 2 + 12 * static_cast<uint32_t>(entries.size()) + 4;
  uint32_t valuesSize = 0;
  for (const Entry& e : entries) {
    const uint32_t size = static_cast<uint32_t>(e.values.size()) * (e.type == 3 ? 2 : 4);
    if (size > 4) valuesSize += size;
  }
  uint32_t stripOffset = 8 + directorySize + valuesSize;
  for (uint32_t s = 0; s < strips; ++s) {
    entries[5].values[s] = stripOffset;
    stripOffset += byteCounts[s];
  }

  std::string out;
  auto put16 = [](std::string& o, uint32_t v) { o += static_cast<char>(v & 0xFF), o += static_cast<char>(v >> 8 & 0xFF); };
  auto put32 = [&](std::string& o, uint32_t v) { put16(o, v & 0xFFFF), put16(o, v >> 16); };
  out += "II";
  put16(out, 42);
  put32(out, 8);
  put16(out, static_cast<uint32_t>(entries.size()));
  std::string values;
  const uint32_t valuesStart = 8 + directorySize;
  for (const Entry& e : entries) {
    put16(out, e.tag);
    put16(out, e.type);
    put32(out, static_cast<uint32_t>(e.values.size()));
    std::string data;
    for (uint32_t v : e.values) e.type == 3 ? put16(data, v) : put32(data, v);
    if (data.size() <= 4) {
      data.resize(4, '\0');
      out += data;
    } else {
      put32(out, valuesStart + static_cast<uint32_t>(values.size()));
      values += data;
    }
  }
  put32(out, 0);
  out += values;
  out.append(pixels.begin(), pixels.end());
  return out;
}

struct TagValues {
  bool opened = false;
  uint32_t rowsPerStrip = 0;
  uint16_t orientation = 0, compression = 0, photometric = 0, planar = 0, samples = 0, bits = 0;
  bool hasIcc = false;
  std::vector<uint8_t> icc;
};

TagValues ReadTags(const std::string& path) {
  TagValues t;
  TIFF* tif = TIFFOpen(path.c_str(), "rc");  // "c": RowsPerStrip as stored, not as the library re-chops it
  if (!tif) return t;
  t.opened = true;
  TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &t.rowsPerStrip);
  TIFFGetField(tif, TIFFTAG_ORIENTATION, &t.orientation);
  TIFFGetField(tif, TIFFTAG_COMPRESSION, &t.compression);
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &t.photometric);
  TIFFGetField(tif, TIFFTAG_PLANARCONFIG, &t.planar);
  TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &t.samples);
  TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &t.bits);
  uint32_t count = 0;
  void* data = nullptr;
  if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &count, &data)) {
    t.hasIcc = true;
    t.icc.assign(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + count);
  }
  TIFFClose(tif);
  return t;
}

class TiffTest : public ::testing::Test {
 protected:
  // Makes `name` from a PNM of the given pixels with `convert` and the extra arguments.
  std::string Convert(bool colour, int width, int height, const std::vector<uint8_t>& bytes,
                      const std::vector<std::string>& args, const std::string& name) {
    const std::string source = dir_.File(name + (colour ? ".ppm" : ".pgm"));
    WritePnm(source, colour, width, height, bytes);
    std::vector<std::string> all = {source};
    all.insert(all.end(), args.begin(), args.end());
    all.push_back(dir_.File(name));
    const test::CommandResult r = RunCommand(convert_, all);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return dir_.File(name);
  }
  std::string Tool(const std::string& tool, const std::vector<std::string>& args) {
    const test::CommandResult r = RunCommand(FindTool(tool), args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.out;
  }

  TempDir dir_;
  std::string convert_ = FindTool("convert");
};

#define REQUIRE_TOOL(name) \
  if (FindTool(name).empty()) GTEST_SKIP() << name " is not installed"

// ---------------------------------------------------------------------------------------------
// Writing

TEST_F(TiffTest, WrittenFileReadsBackIdenticalWithExactFields) {
  const std::vector<uint8_t> bytes = Pattern(5, 2);
  const ImageBuffer image = MakeImage(5, 2, bytes);
  const std::string path = dir_.File("out.tif");
  ASSERT_EQ(WriteTiff(path, image), kOk);

  const TagValues t = ReadTags(path);
  ASSERT_TRUE(t.opened);
  EXPECT_EQ(t.rowsPerStrip, 15u);  // 3 x width
  EXPECT_EQ(t.orientation, ORIENTATION_TOPLEFT);
  EXPECT_EQ(t.compression, COMPRESSION_NONE);
  EXPECT_EQ(t.photometric, PHOTOMETRIC_RGB);
  EXPECT_EQ(t.planar, PLANARCONFIG_CONTIG);
  EXPECT_EQ(t.samples, 3);
  EXPECT_EQ(t.bits, 8);
  EXPECT_FALSE(t.hasIcc);

  ImageBuffer back;
  TiffReadInfo info;
  info.iccProfile = {1, 2, 3};  // stale values must not survive a read
  info.paletteNotice = true;
  ASSERT_EQ(ReadTiff(path, back, &info), kOk);
  EXPECT_EQ(back.width(), 5);
  EXPECT_EQ(back.height(), 2);
  EXPECT_EQ(Pixels(back), bytes);
  EXPECT_FALSE(info.paletteNotice);
  EXPECT_TRUE(info.iccProfile.empty());
  EXPECT_EQ(back.unconvertedPixels(), nullptr);  // keeping the copy is the caller's step
}

TEST_F(TiffTest, ProfileIsStoredUnchangedAndReadBack) {
  std::vector<uint8_t> profile(5264);
  for (size_t i = 0; i < profile.size(); ++i) profile[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
  profile[10] = 0;  // embedded zero bytes must survive
  const std::vector<uint8_t> bytes = Pattern(4, 3);
  const std::string path = dir_.File("profiled.tif");
  ASSERT_EQ(WriteTiff(path, MakeImage(4, 3, bytes), profile), kOk);

  const TagValues t = ReadTags(path);
  ASSERT_TRUE(t.hasIcc);
  EXPECT_EQ(t.icc, profile);

  ImageBuffer back;
  TiffReadInfo info;
  ASSERT_EQ(ReadTiff(path, back, &info), kOk);
  EXPECT_EQ(info.iccProfile, profile);
  EXPECT_EQ(Pixels(back), bytes);
  // Without the document's extras the same file reads the same pixels.
  ASSERT_EQ(ReadTiff(path, back), kOk);
  EXPECT_EQ(Pixels(back), bytes);
}

TEST_F(TiffTest, WideAndTallImagesRoundTrip) {
  // 3 x width rows per strip: one strip for the wide image, strips of 12 rows for the tall one.
  const int sizes[][2] = {{700, 300}, {4, 50}, {1, 1}};
  for (const auto& s : sizes) {
    SCOPED_TRACE(testing::Message() << s[0] << " x " << s[1]);
    const std::vector<uint8_t> bytes = Pattern(s[0], s[1]);
    const std::string path = dir_.File("size.tif");
    ASSERT_EQ(WriteTiff(path, MakeImage(s[0], s[1], bytes)), kOk);
    EXPECT_EQ(ReadTags(path).rowsPerStrip, static_cast<uint32_t>(3 * s[0]));
    ImageBuffer back;
    ASSERT_EQ(ReadTiff(path, back), kOk);
    EXPECT_EQ(Pixels(back), bytes);
    ASSERT_EQ(tiff_internal::ReadTiffWith(path, back, nullptr, tiff_internal::Decoder::kRgbaOnly, nullptr), kOk);
    EXPECT_EQ(Pixels(back), bytes);
  }
}

TEST_F(TiffTest, WriteReplacesExistingFileKeepingItsPermissions) {
  const std::string path = dir_.File("photo.tif");
  test::WriteFileText(path, "old contents");
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  const std::vector<uint8_t> bytes = Pattern(6, 6);
  ASSERT_EQ(WriteTiff(path, MakeImage(6, 6, bytes)), kOk);
  EXPECT_EQ(FolderEntries(dir_.path()), std::vector<std::string>{"photo.tif"});
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  ImageBuffer back;
  ASSERT_EQ(ReadTiff(path, back), kOk);
  EXPECT_EQ(Pixels(back), bytes);
}

TEST_F(TiffTest, FailedWriteLeavesOldFileAndNoTemporary) {
  const std::string path = dir_.File("photo.tif");
  const std::vector<uint8_t> oldBytes = Pattern(3, 3);
  ASSERT_EQ(WriteTiff(path, MakeImage(3, 3, oldBytes)), kOk);
  const std::vector<uint8_t> oldFile = ReadBytes(path);

  // Writes beyond 16 KB fail with EFBIG instead of raising SIGXFSZ.
  Error large, smallProfiled;
  {
    const test::FileSizeLimit limit(16 * 1024);
    large = WriteTiff(path, MakeImage(200, 200, Pattern(200, 200)));
    smallProfiled = WriteTiff(path, MakeImage(2, 2, Pattern(2, 2)), std::vector<uint8_t>(64 * 1024, 5));
  }

  EXPECT_EQ(large, kImageWriteFailed);
  EXPECT_EQ(smallProfiled, kImageWriteFailed);  // fails only when the directory is written
  // The system's cause goes out with the failure, for the message to tell.
  EXPECT_EQ(large.detail(), "File too large");
  EXPECT_EQ(smallProfiled.detail(), "File too large");
  EXPECT_EQ(ReadBytes(path), oldFile);
  EXPECT_EQ(FolderEntries(dir_.path()), std::vector<std::string>{"photo.tif"});
}

TEST_F(TiffTest, WriteFailsForMissingFolderOrEmptyImage) {
  EXPECT_EQ(WriteTiff(dir_.File("missing/out.tif"), MakeImage(2, 2, Pattern(2, 2))), kImageWriteFailed);
  EXPECT_EQ(WriteTiff(dir_.File("empty.tif"), ImageBuffer()), kImageWriteFailed);
  // A folder in the way of the target: the rename fails and the temporary file goes.
  std::filesystem::create_directory(dir_.File("folder.tif"));
  EXPECT_EQ(WriteTiff(dir_.File("folder.tif"), MakeImage(2, 2, Pattern(2, 2))), kImageWriteFailed);
  EXPECT_EQ(FolderEntries(dir_.path()), std::vector<std::string>{"folder.tif"});
}

// ---------------------------------------------------------------------------------------------
// Reading files made by other tools

TEST_F(TiffTest, EightBitRgbOpensWithoutNotice) {
  REQUIRE_TOOL("convert");
  const std::vector<uint8_t> bytes = Pattern(7, 5);
  const std::string path = Convert(true, 7, 5, bytes, {"-compress", "none", "-type", "TrueColor", "-depth", "8"}, "rgb.tif");
  ImageBuffer image;
  TiffReadInfo info;
  ASSERT_EQ(ReadTiff(path, image, &info), kOk);
  EXPECT_FALSE(info.paletteNotice);
  EXPECT_EQ(Pixels(image), bytes);
}

TEST_F(TiffTest, GreyBilevelAndPaletteOpenAsRgbWithNotice) {
  REQUIRE_TOOL("convert");
  std::vector<uint8_t> grey;
  for (int i = 0; i < 9 * 4; ++i) grey.push_back(static_cast<uint8_t>(i * 7));
  std::vector<uint8_t> bilevel;
  for (int i = 0; i < 9 * 4; ++i) bilevel.push_back((i % 3 == 0) ? 255 : 0);
  std::vector<uint8_t> colours;  // 36 well-separated colours, which a palette holds exactly
  for (int i = 0; i < 9 * 4; ++i) {
    colours.insert(colours.end(), {static_cast<uint8_t>(i % 4 * 85), static_cast<uint8_t>(i / 4 % 3 * 127),
                                   static_cast<uint8_t>(i / 12 * 120)});
  }

  struct Case {
    const char* name;
    bool colour;
    std::vector<uint8_t> source;
    std::vector<std::string> args;
    uint16_t bits;
  };
  const std::vector<Case> cases = {
      {"grey.tif", false, grey, {"-compress", "none", "-depth", "8"}, 8},
      {"grey16.tif", false, grey, {"-compress", "none", "-depth", "16"}, 16},
      {"bilevel.tif", false, bilevel, {"-compress", "none", "-depth", "1"}, 1},
      {"palette.tif", true, colours, {"-compress", "none", "-type", "Palette"}, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Convert(c.colour, 9, 4, c.source, c.args, c.name);
    ASSERT_EQ(ReadTags(path).bits, c.bits);
    ImageBuffer image;
    TiffReadInfo info;
    ASSERT_EQ(ReadTiff(path, image, &info), kOk);
    EXPECT_TRUE(info.paletteNotice);
    std::vector<uint8_t> expected;
    if (c.colour) {
      expected = c.source;
    } else {
      for (uint8_t v : c.source) expected.insert(expected.end(), {v, v, v});
    }
    EXPECT_EQ(Pixels(image), expected);
  }
}

TEST_F(TiffTest, RgbaAndCmykAreAccepted) {
  REQUIRE_TOOL("convert");
  const std::vector<uint8_t> bytes = Pattern(6, 3);
  // Fully opaque alpha: the colours come through unchanged and the alpha byte is dropped.
  const std::string rgba = Convert(true, 6, 3, bytes, {"-compress", "none", "-alpha", "opaque", "-type", "TrueColorAlpha", "-depth", "8"}, "rgba.tif");
  ASSERT_EQ(ReadTags(rgba).samples, 4);
  ImageBuffer image;
  TiffReadInfo info;
  ASSERT_EQ(ReadTiff(rgba, image, &info), kOk);
  EXPECT_FALSE(info.paletteNotice);
  EXPECT_EQ(Pixels(image), bytes);

  // Half-transparent red 200: the colours come as stored, unassociated alpha or associated, contiguous
  // or in separate planes, never multiplied by the alpha (200 at alpha 128 must not become 100).
  const std::string unassociated = dir_.File("unassociated.tif");
  ASSERT_EQ(RunCommand(convert_, {"-size", "3x2", "xc:rgba(200,100,50,0.5)", "-compress", "none", "-depth", "8", unassociated}).exitCode, 0);
  const std::string separate = dir_.File("separate.tif");
  Tool("tiffcp", {"-p", "separate", unassociated, separate});
  const std::string associated = dir_.File("associated.tif");
  std::filesystem::copy_file(unassociated, associated);
  Tool("tiffset", {"-s", "338", "1", "1", associated});
  std::vector<uint8_t> stored;
  for (int i = 0; i < 6; ++i) stored.insert(stored.end(), {200, 100, 50});
  for (const std::string& path : {unassociated, separate, associated}) {
    SCOPED_TRACE(path);
    ASSERT_EQ(ReadTiff(path, image, &info), kOk);
    EXPECT_EQ(Pixels(image), stored);
  }

  // White and black survive the trip through ink values.
  std::vector<uint8_t> whiteBlack;
  for (int i = 0; i < 6; ++i) whiteBlack.insert(whiteBlack.end(), 3, i % 2 ? 0 : 255);
  const std::string cmyk = Convert(true, 3, 2, whiteBlack, {"-compress", "none", "-colorspace", "CMYK", "-depth", "8"}, "cmyk.tif");
  ASSERT_EQ(ReadTags(cmyk).photometric, PHOTOMETRIC_SEPARATED);
  ASSERT_EQ(ReadTiff(cmyk, image, &info), kOk);
  EXPECT_FALSE(info.paletteNotice);
  EXPECT_EQ(Pixels(image), whiteBlack);
}

TEST_F(TiffTest, RefusalsFollowTheirOrder) {
  REQUIRE_TOOL("convert");
  const std::vector<uint8_t> bytes = Pattern(4, 4);
  struct Case {
    const char* name;
    std::vector<std::string> args;
    int code;
  };
  const std::vector<Case> cases = {
      {"rgb16.tif", {"-compress", "none", "-depth", "16", "-type", "TrueColor"}, kUnsupportedColourDepth},
      // Too deep and compressed: the depth is named first.
      {"rgb16lzw.tif", {"-compress", "lzw", "-depth", "16", "-type", "TrueColor"}, kUnsupportedColourDepth},
      {"lzw.tif", {"-compress", "lzw", "-depth", "8", "-type", "TrueColor"}, kCompressedTiff},
      // Five samples of 8 bits: 40 bits per pixel.
      {"cmyka.tif", {"-compress", "none", "-colorspace", "CMYK", "-alpha", "on", "-depth", "8"}, kUnsupportedColourDepth},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Convert(true, 4, 4, bytes, c.args, c.name);
    ImageBuffer image;
    TiffReadInfo info;
    EXPECT_EQ(ReadTiff(path, image, &info), c.code);
    EXPECT_TRUE(image.empty());
    EXPECT_FALSE(info.paletteNotice);
  }
  ASSERT_EQ(ReadTags(dir_.File("cmyka.tif")).samples, 5);

  // 32 bits per pixel, but one floating-point sample: a sound file, of a depth this program does not
  // read (not a corrupt one).
  const std::string floating = dir_.File("float.tif");
  TIFF* tif = TIFFOpen(floating.c_str(), "w");
  ASSERT_NE(tif, nullptr);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 2);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 1);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 32);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 1);
  float row[2] = {0.25f, 0.75f};
  ASSERT_EQ(TIFFWriteScanline(tif, row, 0, 0), 1);
  TIFFClose(tif);
  ImageBuffer image;
  EXPECT_EQ(ReadTiff(floating, image), kUnsupportedColourDepth);
  EXPECT_TRUE(image.empty());
}

TEST_F(TiffTest, DirectStripReadMatchesRgbaInterface) {
  REQUIRE_TOOL("convert");
  REQUIRE_TOOL("tiffcp");
  const int width = 37;
  const int height = 23;
  const std::vector<uint8_t> bytes = Pattern(width, height);
  const std::string plain = Convert(true, width, height, bytes, {"-compress", "none", "-type", "TrueColor", "-depth", "8"}, "plain.tif");
  const std::string strips = dir_.File("strips.tif");
  Tool("tiffcp", {"-r", "4", plain, strips});  // six strips, the last one short
  const std::string ours = dir_.File("ours.tif");
  ASSERT_EQ(WriteTiff(ours, MakeImage(width, height, bytes)), kOk);
  const std::string separate = dir_.File("separate.tif");
  Tool("tiffcp", {"-p", "separate", plain, separate});
  const std::string tiled = dir_.File("tiled.tif");
  Tool("tiffcp", {"-t", "-w", "16", "-l", "16", plain, tiled});

  struct Case {
    std::string path;
    bool direct;
  };
  for (const Case& c : std::vector<Case>{{plain, true}, {strips, true}, {ours, true}, {separate, false}, {tiled, false}}) {
    SCOPED_TRACE(c.path);
    ImageBuffer fast;
    ImageBuffer general;
    bool direct = false;
    ASSERT_EQ(tiff_internal::ReadTiffWith(c.path, fast, nullptr, tiff_internal::Decoder::kAny, &direct), kOk);
    EXPECT_EQ(direct, c.direct);
    ASSERT_EQ(tiff_internal::ReadTiffWith(c.path, general, nullptr, tiff_internal::Decoder::kRgbaOnly, &direct), kOk);
    EXPECT_FALSE(direct);
    EXPECT_EQ(Pixels(fast), bytes);
    EXPECT_EQ(Pixels(general), bytes);
  }

}

// The stored rows and columns of each orientation put where the tag says they belong (written out
// from its definition, pixel by pixel), for every decoder: the direct strip read, the RGBA interface,
// and a tiled file. The image is not square, so a turn that is missing or wrong changes its size.
TEST_F(TiffTest, EveryOrientationIsReadUpright) {
  REQUIRE_TOOL("convert");
  REQUIRE_TOOL("tiffcp");
  REQUIRE_TOOL("tiffset");
  const int width = 5;
  const int height = 3;
  const std::vector<uint8_t> bytes = Pattern(width, height);
  const std::string plain = Convert(true, width, height, bytes, {"-compress", "none", "-type", "TrueColor", "-depth", "8"}, "plain.tif");
  const std::string tiled = dir_.File("tiled.tif");
  Tool("tiffcp", {"-t", "-w", "16", "-l", "16", plain, tiled});
  for (int orientation = 1; orientation <= 8; ++orientation) {
    const bool turned = orientation >= 5;  // the stored first row becomes a column
    const int w = turned ? height : width;
    const int h = turned ? width : height;
    std::vector<uint8_t> expected(bytes.size());
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const int fromRight = width - 1 - x;
        const int fromBottom = height - 1 - y;
        const int at[9][2] = {{}, {x, y}, {fromRight, y}, {fromRight, fromBottom}, {x, fromBottom},
                              {y, x}, {fromBottom, x}, {fromBottom, fromRight}, {y, fromRight}};
        std::memcpy(&expected[(at[orientation][1] * w + at[orientation][0]) * 3], &bytes[(y * width + x) * 3], 3);
      }
    }
    for (const std::string& source : {plain, tiled}) {
      const std::string path = dir_.File("oriented.tif");
      std::filesystem::copy_file(source, path, std::filesystem::copy_options::overwrite_existing);
      Tool("tiffset", {"-s", "274", std::to_string(orientation), path});
      for (const auto decoder : {tiff_internal::Decoder::kAny, tiff_internal::Decoder::kRgbaOnly}) {
        SCOPED_TRACE(testing::Message() << "orientation " << orientation << ", " << source << ", decoder "
                                        << static_cast<int>(decoder));
        ImageBuffer image;
        ASSERT_EQ(tiff_internal::ReadTiffWith(path, image, nullptr, decoder, nullptr), kOk);
        EXPECT_EQ(image.width(), w);
        EXPECT_EQ(image.height(), h);
        EXPECT_EQ(Pixels(image), expected);
      }
    }
  }
}

// A file may begin with a reduced-resolution preview; the photograph is its first full-resolution
// image, and a second one (a page) is reported, so that no conversion replaces the file by one page.
TEST_F(TiffTest, FirstFullResolutionImageIsReadAndFurtherPagesAreReported) {
  REQUIRE_TOOL("tiffcp");
  REQUIRE_TOOL("tiffset");
  const std::string preview = dir_.File("preview.tif");
  const std::string page1 = dir_.File("page1.tif");
  const std::string page2 = dir_.File("page2.tif");
  ASSERT_EQ(WriteTiff(preview, MakeImage(2, 1, Pattern(2, 1))), kOk);
  ASSERT_EQ(WriteTiff(page1, MakeImage(6, 4, Pattern(6, 4))), kOk);
  ASSERT_EQ(WriteTiff(page2, MakeImage(3, 3, Pattern(3, 3))), kOk);
  struct Case {
    std::vector<std::string> parts;
    bool firstIsPreview;
    int width;
    bool several;
  };
  for (const Case& c : {Case{{preview, page1}, true, 6, false}, Case{{page2, page1}, false, 3, true},
                        Case{{preview, page1, page2}, true, 6, true}}) {
    SCOPED_TRACE(testing::Message() << c.parts.size() << " images, preview first: " << c.firstIsPreview);
    const std::string path = dir_.File("multi.tif");
    std::vector<std::string> args = c.parts;
    args.push_back(path);
    std::filesystem::remove(path);
    Tool("tiffcp", args);
    if (c.firstIsPreview) Tool("tiffset", {"-d", "0", "-s", "254", "1", path});
    ImageBuffer image;
    TiffReadInfo info;
    ASSERT_EQ(ReadTiff(path, image, &info), kOk);
    EXPECT_EQ(image.width(), c.width);
    EXPECT_EQ(Pixels(image), Pattern(c.width, image.height()));
    EXPECT_EQ(info.severalImages, c.several);
  }
}

// ---------------------------------------------------------------------------------------------
// Damaged and hostile files

TEST_F(TiffTest, FilesThatAreNotTiffAreCorrupt) {
  const std::string empty = dir_.File("empty.tif");
  WriteBytes(empty, "");
  const std::string garbage = dir_.File("garbage.tif");
  std::string noise;
  for (int i = 0; i < 4096; ++i) noise += static_cast<char>((i * 131 + 7) & 0xFF);
  WriteBytes(garbage, noise);
  const std::string headerOnly = dir_.File("header.tif");
  WriteBytes(headerOnly, std::string("II*\0\x08\0\0\0", 8));
  const std::string directoryOutside = dir_.File("far.tif");
  WriteBytes(directoryOutside, std::string("MM\0*\x7f\xff\xff\xf0", 8));

  for (const std::string& path : {empty, garbage, headerOnly, directoryOutside, dir_.File("none.tif")}) {
    SCOPED_TRACE(path);
    ImageBuffer image;
    EXPECT_EQ(ReadTiff(path, image), kImageCorrupt);
    EXPECT_TRUE(image.empty());
  }
}

TEST_F(TiffTest, MissingStripDataIsCorruptNotSuccess) {
  const uint32_t width = 16;
  const uint32_t height = 12;
  for (const uint16_t samples : {uint16_t{3}, uint16_t{1}}) {
    std::vector<uint8_t> pixels(width * height * samples);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 5 + 1);
    const std::string whole = HandMadeTiff(width, height, samples, 2, pixels);
    const std::string path = dir_.File("cut.tif");
    WriteBytes(path, whole);
    ImageBuffer image;
    ASSERT_EQ(ReadTiff(path, image), kOk);  // the hand-made file itself is sound

    // Cut inside the last strip, at a strip boundary, and inside the first strip.
    const size_t stripBytes = 2 * width * samples;
    for (const size_t removed : {size_t{1}, stripBytes, pixels.size() - 5}) {
      SCOPED_TRACE(testing::Message() << "samples " << samples << ", removed " << removed);
      WriteBytes(path, whole.substr(0, whole.size() - removed));
      for (const auto decoder : {tiff_internal::Decoder::kAny, tiff_internal::Decoder::kRgbaOnly}) {
        EXPECT_EQ(tiff_internal::ReadTiffWith(path, image, nullptr, decoder, nullptr), kImageCorrupt);
        EXPECT_TRUE(image.empty());
      }
    }
  }
}

// Another program may cut the file short while it is read. A mapped file would then end the process
// with SIGBUS, and the rest of a batch with it; read, it is merely corrupt.
TEST_F(TiffTest, FileCutShortWhileReadIsCorrupt) {
  const std::string path = dir_.File("shrinking.tif");
  ASSERT_EQ(WriteTiff(path, MakeImage(300, 200, Pattern(300, 200))), kOk);
  const uintmax_t size = std::filesystem::file_size(path);
  for (const auto decoder : {tiff_internal::Decoder::kAny, tiff_internal::Decoder::kRgbaOnly}) {
    ImageBuffer image;
    const tiff_internal::BeforePixelsForTesting cut([&] { std::filesystem::resize_file(path, size / 2); });
    EXPECT_EQ(tiff_internal::ReadTiffWith(path, image, nullptr, decoder, nullptr), kImageCorrupt);
    EXPECT_TRUE(image.empty());
    ASSERT_EQ(WriteTiff(path, MakeImage(300, 200, Pattern(300, 200))), kOk);
  }
}

TEST_F(TiffTest, HugeDeclaredSizesAreRefusedWithoutAllocating) {
  // Sizes whose byte counts wrap in 32 bits, and plain huge ones, all in files of a few hundred bytes.
  // A wrapped count would allocate a small raster and then fail reading (8), not refuse with 7.
  const uint32_t sizes[][2] = {{100000, 100000}, {65536, 16385}, {65536, 65536}, {0x7FFFFFFFu, 1}, {1, 0x7FFFFFFFu}, {0x80000000u, 1}};
  for (const auto& s : sizes) {
    SCOPED_TRACE(testing::Message() << s[0] << " x " << s[1]);
    const std::string path = dir_.File("huge.tif");
    WriteBytes(path, HandMadeTiff(s[0], s[1], 3, s[1], Pattern(4, 4)));
    ImageBuffer image;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadTiff(path, image), kImageTooLarge);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_TRUE(image.empty());
  }
}

TEST_F(TiffTest, ZeroWidthOrHeightIsRefused) {
  // The library in use refuses such a directory outright (8); one that opened it would meet the
  // reader's own check (6). Either way nothing is read.
  for (const auto& s : {std::pair<uint32_t, uint32_t>{0, 4}, {4, 0}}) {
    SCOPED_TRACE(testing::Message() << s.first << " x " << s.second);
    const std::string path = dir_.File("zero.tif");
    WriteBytes(path, HandMadeTiff(s.first, s.second, 3, 1, {}));
    ImageBuffer image;
    const int code = ReadTiff(path, image).code();
    EXPECT_TRUE(code == kIllegalImageSize || code == kImageCorrupt) << code;
    EXPECT_TRUE(image.empty());
  }
}

TEST_F(TiffTest, OutOfMemoryForRasterIsImageTooLarge) {
  const std::string path = dir_.File("grey.tif");
  WriteBytes(path, HandMadeTiff(8, 8, 1, 8, std::vector<uint8_t>(64, 9)));
  ImageBuffer image;
  for (int allowed : {0, 1}) {  // the raster, then the pixel block
    PageAllocationFailureForTesting limit(allowed);
    EXPECT_EQ(ReadTiff(path, image), kImageTooLarge);
    EXPECT_TRUE(image.empty());
  }
  ASSERT_EQ(ReadTiff(path, image), kOk);
  EXPECT_EQ(Pixels(image), std::vector<uint8_t>(8 * 8 * 3, 9));
}

}  // namespace
}  // namespace tintara
