// A profile written here must be usable by a real colour-management library, since the same bytes
// are embedded into images that other programs will open.
#include <gtest/gtest.h>
#include <lcms2.h>

#include "base/result_codes.h"
#include "engine/icc_profile.h"
#include "engine/profile_engine.h"

namespace tintara {
namespace {

std::vector<uint8_t> FittedProfile() {
  uint16_t samples[90];
  ReferenceSet ref{"Acceptance", {}};
  for (int i = 0; i < 30; ++i) {
    const int v = 15 + 8 * i;
    samples[i] = uint16_t(v * 0.9);
    samples[30 + i] = uint16_t(v * 0.85 + 10);
    samples[60 + i] = uint16_t(v * 0.8);
    ref.entries.push_back({uint16_t(v), uint16_t(v), uint16_t(v), 100});
  }
  EngineContext ctx;
  EXPECT_EQ(RunProfileEngine(ctx, samples, 30, ref, {}).code(), kOk);
  SetDescriptionInBytes(ctx.profile.bytes, ctx.profile.descriptionOffset, "Acceptance profile");
  return ctx.profile.bytes;
}

TEST(LcmsAcceptance, OpensTheProfileAndTransformsToSrgb) {
  const std::vector<uint8_t> bytes = FittedProfile();
  cmsHPROFILE input = cmsOpenProfileFromMem(bytes.data(), cmsUInt32Number(bytes.size()));
  ASSERT_NE(input, nullptr);
  EXPECT_EQ(cmsGetDeviceClass(input), cmsSigInputClass);
  EXPECT_EQ(cmsGetColorSpace(input), cmsSigRgbData);
  EXPECT_EQ(cmsGetPCS(input), cmsSigXYZData);
  EXPECT_TRUE(cmsIsMatrixShaper(input));
  char description[128] = {};
  cmsGetProfileInfoASCII(input, cmsInfoDescription, "en", "US", description, sizeof(description));
  EXPECT_STREQ(description, "Acceptance profile");

  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsHTRANSFORM transform =
      cmsCreateTransform(input, TYPE_RGB_8, srgb, TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
  ASSERT_NE(transform, nullptr);
  const uint8_t in[4][3] = {{0, 0, 0}, {64, 64, 64}, {128, 128, 128}, {255, 255, 255}};
  uint8_t out[4][3];
  cmsDoTransform(transform, in, out, 4);
  // Greys stay ordered from dark to light in every channel.
  for (int i = 1; i < 4; ++i) {
    for (int c = 0; c < 3; ++c) EXPECT_GT(out[i][c], out[i - 1][c]) << i << "," << c;
  }
  cmsDeleteTransform(transform);
  cmsCloseProfile(srgb);
  cmsCloseProfile(input);
}

TEST(LcmsAcceptance, ForeignProfilesFromTheLibraryAreRefused) {
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsUInt32Number size = 0;
  ASSERT_TRUE(cmsSaveProfileToMem(srgb, nullptr, &size));
  std::vector<uint8_t> bytes(size);
  ASSERT_TRUE(cmsSaveProfileToMem(srgb, bytes.data(), &size));
  cmsCloseProfile(srgb);
  EngineContext ctx;
  EXPECT_EQ(decode_icc_220(bytes.data(), bytes.size(), ctx).code(), kForeignProfile);
}

}  // namespace
}  // namespace tintara
