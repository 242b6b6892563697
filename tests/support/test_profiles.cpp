#include "support/test_profiles.h"

#include <algorithm>

#include "engine/icc_profile.h"
#include "support/run_command.h"

namespace tintara::test {

std::vector<uint8_t> TestProfileBytes(double m00, const std::string& description) {
  EngineContext ctx;
  for (int ch = 0; ch < 3; ++ch) {
    for (int j = 0; j < 256; ++j) ctx.baseCurves[ch][j] = ctx.gammaCurves[ch][j] = j / 255.0;
  }
  ctx.matrixA[0] = m00;
  ctx.matrixA[4] = ctx.matrixA[8] = 1.0;
  std::vector<uint8_t> bytes = WriteProfileBytes(ctx);
  SetDescriptionInBytes(bytes, kDescriptionOffset, description);
  return bytes;
}

ProfileRecord TestProfileRecord(const std::string& name, const std::string& description, double m00) {
  ProfileRecord r;
  const std::vector<uint8_t> bytes = TestProfileBytes(m00, description);
  SetProfileBytes(r, bytes.data(), static_cast<int64_t>(bytes.size()));
  SetProfileName(r, name);
  return r;
}

std::vector<uint8_t> TestProfilePixels(std::vector<uint8_t> rgb, double m00) {
  for (size_t i = 0; i < rgb.size(); i += 3) rgb[i] = static_cast<uint8_t>(std::clamp(m00 * rgb[i] + 0.5, 0.0, 255.0));
  return rgb;
}

ColorTransform IdentityTransform() {
  ColorTransform t;
  for (int ch = 0; ch < 3; ++ch) {
    for (int j = 0; j < 256; ++j) t.baseCurves[ch][j] = j / 255.0;
    t.matrix[ch][ch] = 1.0;
  }
  return t;
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  WriteFileText(path, std::string(bytes.begin(), bytes.end()));
}

}  // namespace tintara::test
