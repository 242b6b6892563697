// Writes the corpus seeds that come from the program's own writers, so the fuzzers start from files
// exactly as this program produces them:
//   make_seeds OUTPUT_FOLDER
// creates OUTPUT_FOLDER/<target>/own-*.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/settings.h"
#include "app/settings_storage.h"
#include "engine/icc_profile.h"
#include "engine/reference_csv.h"
#include "engine/reference_data.h"
#include "engine/transform_fit.h"
#include "image/image_buffer.h"
#include "image/jpeg_io.h"
#include "image/tiff_io.h"

namespace {

using namespace tintara;
namespace fs = std::filesystem;

bool WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

bool WriteText(const fs::path& path, const std::string& text) {
  return WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

// A profile as a fit would leave it: colourants near the device primaries, gamma-like curves and a
// matrix close to the identity, with a real description.
std::vector<uint8_t> MakeProfile() {
  auto context = std::make_unique<EngineContext>();
  for (int p = 0; p < 3; ++p) {
    for (int a = 0; a < 3; ++a) context->colourants[p][a] = kBaseColorantMatrix[a][p];
  }
  for (int c = 0; c < 3; ++c) {
    for (int j = 0; j < 256; ++j) {
      context->baseCurves[c][j] = std::pow(j / 255.0, 1.0 + 0.1 * c);
      context->gammaCurves[c][j] = std::pow(j / 255.0, 1.0 / 2.2);
    }
  }
  for (int i = 0; i < 9; ++i) context->matrixA[i] = i % 4 == 0 ? 0.98 : 0.01;
  std::vector<uint8_t> bytes = WriteProfileBytes(*context);
  SetDescriptionInBytes(bytes, kDescriptionOffset, "Studio daylight, K7");
  return bytes;
}

ReferenceSetList MakeReferenceSets() {
  ReferenceSet k7{"Card \"K7\", 8-bit", {}};
  for (int i = 0; i < kK7EntryCount; ++i) {
    k7.entries.push_back({static_cast<uint16_t>(8 * i), static_cast<uint16_t>(255 - 8 * i),
                          static_cast<uint16_t>(100 + i), static_cast<uint16_t>(i % 5 == 0 ? 50 : 100)});
  }
  ReferenceSet k3{"K3 16-bit", {{65535, 65535, 65535, 100}, {32768, 32768, 32768, 100}, {0, 0, 0, 100}}};
  return {k7, k3};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  const fs::path out = argv[1];
  for (const char* target : {"tiff", "jpeg", "icc", "profile_record", "profile_file", "reference_data",
                             "reference_csv", "settings", "settings_file"}) {
    fs::create_directories(out / target);
  }
  bool ok = true;

  const std::vector<uint8_t> profile = MakeProfile();
  for (const char* target : {"icc", "profile_record", "profile_file"}) {
    ok = WriteBytes(out / target / "own-profile.tnp", profile) && ok;
  }

  // A small image with a gradient, so every row and column differs.
  ImageBuffer image;
  ok = image.Allocate(7, 5) == 0 && ok;
  for (int i = 0; i < 7 * 5 * 3; ++i) image.pixels()[i] = static_cast<uint8_t>(i * 7);
  ok = WriteTiff((out / "tiff" / "own-rgb.tif").string(), image) == 0 && ok;
  ok = WriteTiff((out / "tiff" / "own-rgb-icc.tif").string(), image, profile) == 0 && ok;
  ok = WriteJpeg((out / "jpeg" / "own-rgb.jpg").string(), image.pixels(), 7, 5, {}, 90) == 0 && ok;
  // A short stand-in profile keeps the seed small; the reader only reassembles the bytes.
  const std::vector<uint8_t> shortProfile(profile.begin(), profile.begin() + 300);
  ok = WriteJpeg((out / "jpeg" / "own-rgb-icc.jpg").string(), image.pixels(), 7, 5, shortProfile, 75) == 0 && ok;

  const ReferenceSetList sets = MakeReferenceSets();
  std::vector<uint8_t> encoded;
  ok = EncodeReferenceData(sets, encoded).ok() && ok;
  ok = WriteBytes(out / "reference_data" / "own-two-sets.dat", encoded) && ok;
  ok = WriteText(out / "reference_csv" / "own-two-sets.csv", FormatReferenceCsv(sets)) && ok;

  // The settings as a first start leaves them: every value written with its default.
  SettingsEnvironment environment;
  environment.programFolder = "/opt/Tintara";
  environment.documentsFolder = "/home/user/Documents";
  const fs::path settingsFile = out / "settings_file" / "own-defaults.conf";
  fs::remove(settingsFile);
  {
    CSettings settings(MakeFileSettingsStorage(settingsFile.string()), environment);
    settings.SilenceOnceMessage(1001);
    std::string lines;
    for (const auto& [name, text] : settings.ValuesInLoadOrder()) lines += text + "\n";
    lines += "1001=-1\n";
    ok = WriteText(out / "settings" / "own-defaults.txt", lines) && ok;
  }
  if (!ok) {
    std::fprintf(stderr, "could not write every seed\n");
    return 1;
  }
  return 0;
}
