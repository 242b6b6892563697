#include "engine/transform_fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/result_codes.h"
#include "engine/icc_profile.h"

namespace tintara {
namespace {

// Greys and colours spread over the 8-bit range: enough areas to pin down a matrix.
constexpr uint16_t kColours[30][3] = {
    {118, 118, 118}, {115, 82, 68},   {194, 150, 130}, {52, 52, 52},    {98, 122, 157},
    {87, 108, 67},   {133, 128, 177}, {103, 189, 170}, {243, 243, 242}, {118, 118, 118},
    {214, 126, 44},  {80, 91, 166},   {193, 90, 99},   {94, 60, 108},   {157, 188, 64},
    {224, 163, 46},  {56, 61, 150},   {70, 148, 73},   {175, 54, 60},   {231, 199, 31},
    {118, 118, 118}, {187, 86, 149},  {8, 133, 161},   {200, 200, 200}, {160, 160, 160},
    {122, 122, 121}, {85, 85, 85},    {166, 118, 96},  {68, 68, 68},    {118, 118, 118},
};

EngineReferenceSet Reference(int count) {
  EngineReferenceSet r;
  std::strcpy(r.name, "test");
  for (int i = 0; i < count; ++i) {
    r.R[i] = kColours[i][0];
    r.G[i] = kColours[i][1];
    r.B[i] = kColours[i][2];
    r.W[i] = 100;
  }
  return r;
}

SampleSet SamplesFrom(const EngineReferenceSet& r) {
  SampleSet s;
  s.R = r.R;
  s.G = r.G;
  s.B = r.B;
  return s;
}

// What a camera might record: the reference colours through a function of the normalised value.
template <typename F>
SampleSet Camera(const EngineReferenceSet& r, int count, F f) {
  SampleSet s;
  for (int i = 0; i < count; ++i) {
    double in[3] = {r.R[i] / 255.0, r.G[i] / 255.0, r.B[i] / 255.0};
    double out[3];
    f(in, out);
    auto code = [](double v) { return uint16_t(std::lround(255.0 * std::clamp(v, 0.0, 1.0))); };
    s.R[i] = code(out[0]);
    s.G[i] = code(out[1]);
    s.B[i] = code(out[2]);
  }
  return s;
}

EngineContext Context(int count) {
  EngineContext ctx;
  ctx.count = count;
  return ctx;
}

TEST(TransformFit, SamplesEqualToReferencesGiveIdentityAndNoError) {
  for (int count : {3, 30}) {
    const EngineReferenceSet ref = Reference(count);
    EngineContext ctx = Context(count);
    ASSERT_EQ(opt_transform(ctx, SamplesFrom(ref), ref).code(), kOk);
    EXPECT_EQ(ctx.objective, 0.0);
    EXPECT_EQ(ctx.coefficients, TransformCoefficients::Identity()) << "count " << count;
  }
}

TEST(TransformFit, ScaleOfEachSideIsReadFromItsLargestValue) {
  EngineReferenceSet ref = Reference(30);
  ref.R[8] = 255;
  SampleSet samples = SamplesFrom(ref);
  EngineContext ctx = Context(30);
  ASSERT_EQ(opt_transform(ctx, samples, ref).code(), kOk);
  EXPECT_EQ(ctx.objective, 0.0);

  // One reference value of 256 puts the whole reference set on the 16-bit scale: the targets become
  // nearly black, and only a drastic gain in the pre-normalisation comes near them.
  ref.R[8] = 256;
  ASSERT_EQ(opt_transform(ctx, samples, ref).code(), kOk);
  EXPECT_GT(ctx.objective, 0.0);
  ref.R[8] = 255;

  // One sample of 256 does the same to the samples: far too dark for any gain the search can reach,
  // so all that is left is a common offset and the colours are lost.
  SampleSet bright = samples;
  bright.G[8] = 256;
  opt_transform(ctx, bright, ref);
  EXPECT_GT(ctx.objective, 0.1);

  // The same colours on the 16-bit scale on the sample side match again.
  ref.R[8] = 255;
  SampleSet wide;
  for (int i = 0; i < 30; ++i) {
    wide.R[i] = uint16_t(ref.R[i] * 257);
    wide.G[i] = uint16_t(ref.G[i] * 257);
    wide.B[i] = uint16_t(ref.B[i] * 257);
  }
  ASSERT_EQ(opt_transform(ctx, wide, ref).code(), kOk);
  EXPECT_EQ(ctx.objective, 0.0);

  // Areas beyond the count do not take part in the scale decision.
  ref.R[29] = 60000;
  ctx.count = 29;
  ASSERT_EQ(opt_transform(ctx, samples, ref).code(), kOk);
  EXPECT_EQ(ctx.objective, 0.0);
}

TEST(TransformFit, ExposureIsTakenOutBeforeTheMainFit) {
  // A uniformly darker photograph: the common gain absorbs it, so the matrix stays near identity
  // instead of carrying the exposure.
  const EngineReferenceSet ref = Reference(30);
  const SampleSet dark = Camera(ref, 30, [](const double* in, double* out) {
    for (int c = 0; c < 3; ++c) out[c] = in[c] * 0.8;
  });
  EngineContext ctx = Context(30);
  ASSERT_EQ(opt_transform(ctx, dark, ref).code(), kOk);
  EXPECT_LT(ctx.objective, 0.02);
  for (int r = 0; r < 3; ++r) {
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(ctx.matrixA[3 * r + k], r == k ? 1.0 : 0.0, 0.03);
  }
}

TEST(TransformFit, ReportsTheExposureItTookOutAndWritesItNowhere) {
  const EngineReferenceSet ref = Reference(30);
  EngineContext ctx = Context(30);
  ASSERT_EQ(opt_transform(ctx, SamplesFrom(ref), ref).code(), kOk);
  EXPECT_EQ(ctx.exposure.offset, 0.0);
  EXPECT_EQ(ctx.exposure.gain, 1.0);

  // Shot flat and dark: x = 0.1 + 0.7 ref. The exposure that undoes it is gain 1 / 0.7, offset
  // -0.1 / 0.7 (the search, moving one parameter at a time on a grid, ends near rather than on it);
  // through the fit's own transform it brings every sample to within two levels of its reference.
  const SampleSet flat = Camera(ref, 30, [](const double* in, double* out) {
    for (int c = 0; c < 3; ++c) out[c] = 0.1 + 0.7 * in[c];
  });
  ASSERT_EQ(opt_transform(ctx, flat, ref).code(), kOk);
  const FitExposure found = ctx.exposure;
  EXPECT_NEAR(found.gain, 1 / 0.7, 0.03);
  EXPECT_NEAR(found.offset, -0.1 / 0.7, 0.015);
  double x[3][kMaxAreas], adjusted[3][kMaxAreas];
  for (int i = 0; i < 30; ++i) {
    x[0][i] = flat.R[i] / 255.0;
    x[1][i] = flat.G[i] / 255.0;
    x[2][i] = flat.B[i] / 255.0;
  }
  ASSERT_EQ(make_transform(ExposureTransform(found), x[0], x[1], x[2], adjusted[0], adjusted[1], adjusted[2], 30,
                           kCoefficientCountExpected, ctx).code(),
            kOk);
  for (int i = 0; i < 30; ++i) {
    EXPECT_NEAR(adjusted[0][i], ref.R[i] / 255.0, 2.0 / 255) << i;
    EXPECT_NEAR(adjusted[1][i], ref.G[i] / 255.0, 2.0 / 255) << i;
    EXPECT_NEAR(adjusted[2][i], ref.B[i] / 255.0, 2.0 / 255) << i;
  }

  // A poor fit reports its exposure too; a fit with nothing to fit reports none, not the last one.
  ctx.qualityLimit = 0.0;
  ASSERT_EQ(opt_transform(ctx, flat, ref).code(), kPoorQuality);
  EXPECT_EQ(ctx.exposure.gain, found.gain);
  EXPECT_EQ(ctx.exposure.offset, found.offset);
  EngineReferenceSet unweighted = ref;
  for (auto& w : unweighted.W) w = 0;
  ASSERT_EQ(opt_transform(ctx, flat, unweighted).code(), kTooFewAreas);
  EXPECT_EQ(ctx.exposure.offset, 0.0);
  EXPECT_EQ(ctx.exposure.gain, 1.0);

  // The profile corrects colour only: its bytes do not depend on the exposure.
  ctx.qualityLimit = kDefaultQualityLimit;
  ASSERT_EQ(opt_transform(ctx, flat, ref).code(), kOk);
  const std::vector<uint8_t> bytes = WriteProfileBytes(ctx);
  ctx.exposure = FitExposure{};
  EXPECT_EQ(WriteProfileBytes(ctx), bytes);
}

TEST(TransformFit, CrossTalkIsUndoneByTheMatrix) {
  const EngineReferenceSet ref = Reference(30);
  const double mix[3][3] = {{0.80, 0.15, 0.05}, {0.10, 0.80, 0.10}, {0.05, 0.15, 0.80}};
  const SampleSet samples = Camera(ref, 30, [&](const double* in, double* out) {
    for (int r = 0; r < 3; ++r) out[r] = mix[r][0] * in[0] + mix[r][1] * in[1] + mix[r][2] * in[2];
  });
  EngineContext ctx = Context(30);
  ctx.penaltyFactor = 0.0;
  ASSERT_EQ(opt_transform(ctx, samples, ref).code(), kOk);
  EXPECT_LT(ctx.objective, 0.02);
  // The fitted matrix times the camera's mixing comes out close to identity.
  for (int r = 0; r < 3; ++r) {
    for (int k = 0; k < 3; ++k) {
      double product = 0.0;
      for (int j = 0; j < 3; ++j) product += ctx.matrixA[3 * r + j] * mix[j][k];
      EXPECT_NEAR(product, r == k ? 1.0 : 0.0, 0.08) << r << "," << k;
    }
  }
}

TEST(TransformFit, SecondHarmonicNeedsFiveAreas) {
  // A camera whose tone curve bends in an S: the sin(2 pi x) terms are the ones that can follow it.
  const auto sCurve = [](const double* in, double* out) {
    for (int c = 0; c < 3; ++c) out[c] = in[c] - 0.06 * std::sin(2.0 * M_PI * in[c]);
  };
  EngineReferenceSet ref;
  const uint16_t greys[5] = {30, 80, 128, 180, 230};
  for (int i = 0; i < 5; ++i) ref.R[i] = ref.G[i] = ref.B[i] = greys[i], ref.W[i] = 100;

  for (int count : {3, 4}) {
    EngineContext ctx = Context(count);
    ctx.penaltyFactor = 0.0;
    ASSERT_EQ(opt_transform(ctx, Camera(ref, count, sCurve), ref).code(), kOk);
    EXPECT_EQ(ctx.coefficients.c[12], 0.0) << count;
    EXPECT_EQ(ctx.coefficients.c[16], 0.0) << count;
    EXPECT_EQ(ctx.coefficients.c[20], 0.0) << count;
  }
  EngineContext ctx = Context(5);
  ctx.penaltyFactor = 0.0;
  ASSERT_EQ(opt_transform(ctx, Camera(ref, 5, sCurve), ref).code(), kOk);
  EXPECT_TRUE(ctx.coefficients.c[12] != 0.0 || ctx.coefficients.c[16] != 0.0 || ctx.coefficients.c[20] != 0.0);
}

TEST(TransformFit, AreaWithoutWeightHasNoInfluence) {
  EngineReferenceSet ref = Reference(30);
  const SampleSet base = Camera(ref, 30, [](const double* in, double* out) {
    out[0] = in[0] * 0.9 + 0.05 * in[1];
    out[1] = in[1] * 0.85;
    out[2] = in[2] * 0.95 - 0.03;
  });
  ref.W[14] = 0;
  EngineContext first = Context(30);
  ASSERT_EQ(opt_transform(first, base, ref).code(), kOk);

  // Whatever the excluded area measured (within the same 8-bit scale), the fit is bit for bit the same.
  SampleSet other = base;
  other.R[14] = 3;
  other.G[14] = 250;
  other.B[14] = 17;
  EngineContext second = Context(30);
  ASSERT_EQ(opt_transform(second, other, ref).code(), kOk);
  EXPECT_EQ(first.coefficients, second.coefficients);
  EXPECT_EQ(first.objective, second.objective);
}

TEST(TransformFit, QualityLimitEqualToTheObjectivePasses) {
  const EngineReferenceSet ref = Reference(30);
  const SampleSet samples = Camera(ref, 30, [](const double* in, double* out) {
    out[0] = std::pow(in[0], 1.3);
    out[1] = in[1] * 0.7 + 0.2 * in[2];
    out[2] = 0.1 + 0.8 * in[2];
  });
  EngineContext ctx = Context(30);
  ASSERT_EQ(opt_transform(ctx, samples, ref).code(), kOk);
  const double objective = ctx.objective;
  ASSERT_GT(objective, 0.0);

  ctx.qualityLimit = objective;
  EXPECT_EQ(opt_transform(ctx, samples, ref).code(), kOk);

  ctx.qualityLimit = std::nextafter(objective, 0.0);
  EXPECT_EQ(opt_transform(ctx, samples, ref).code(), kPoorQuality);
  // A poor fit still delivers every output.
  EXPECT_EQ(ctx.objective, objective);
  EXPECT_NE(ctx.matrixA[0], 0.0);
  EXPECT_GT(ctx.gammaCurves[0][255], 0.9);
}

TEST(TransformFit, NothingToFitWithoutAWeightedArea) {
  EngineReferenceSet ref = Reference(30);
  for (auto& w : ref.W) w = 0;
  EngineContext ctx = Context(30);
  EXPECT_EQ(opt_transform(ctx, SamplesFrom(ref), ref).code(), kTooFewAreas);
  EngineContext none = Context(0);
  EXPECT_EQ(opt_transform(none, SamplesFrom(Reference(30)), Reference(30)).code(), kTooFewAreas);
}

// Stored settings are loaded without a range test, so the fit itself must refuse what cannot give a
// profile instead of reporting a NaN objective as a good fit.
TEST(TransformFit, NoFiniteResultIsNeverReportedAsAFit) {
  const EngineReferenceSet ref = Reference(30);
  const SampleSet samples = Camera(ref, 30, [](const double* in, double* out) {
    for (int c = 0; c < 3; ++c) out[c] = 0.9 * in[c];
  });
  struct Case {
    double penalty, limit, gamma;
    int code;
  };
  const Case cases[] = {
      {NAN, 0.5, 2.2, kFitParametersInvalid},      {INFINITY, 0.5, 2.2, kFitParametersInvalid},
      {-0.4, 0.5, 2.2, kFitParametersInvalid},     {0.4, NAN, 2.2, kFitParametersInvalid},
      {0.4, 0.5, 0.0, kFitParametersInvalid},      {0.4, 0.5, -2.2, kFitParametersInvalid},
      {0.4, 0.5, NAN, kFitParametersInvalid},      {0.4, 0.5, 1e300, kFitNotFinite},  // white overflows
  };
  for (const Case& c : cases) {
    EngineContext ctx = Context(30);
    ctx.penaltyFactor = c.penalty;
    ctx.qualityLimit = c.limit;
    ctx.gamma = c.gamma;
    EXPECT_EQ(opt_transform(ctx, samples, ref).code(), c.code) << c.penalty << " " << c.limit << " " << c.gamma;
  }
  // The edges that stay usable: no penalty, a limit of 0, a large but finite gamma.
  EngineContext edge = Context(30);
  edge.penaltyFactor = 0.0;
  edge.qualityLimit = 0.0;
  edge.gamma = 10.0;
  EXPECT_EQ(opt_transform(edge, samples, ref).code(), kPoorQuality);
  EXPECT_TRUE(std::isfinite(edge.objective));
}

TEST(TransformFit, RepeatedFitsAreIdentical) {
  const EngineReferenceSet ref = Reference(30);
  const SampleSet samples = Camera(ref, 30, [](const double* in, double* out) {
    for (int c = 0; c < 3; ++c) out[c] = std::sqrt(in[c]) * 0.9;
  });
  EngineContext a = Context(30);
  EngineContext b = Context(30);
  opt_transform(a, samples, ref);
  opt_transform(b, samples, ref);
  opt_transform(b, samples, ref);  // a reused context carries nothing over
  EXPECT_EQ(a.coefficients, b.coefficients);
  EXPECT_EQ(std::memcmp(a.gammaCurves, b.gammaCurves, sizeof(a.gammaCurves)), 0);
}

TEST(TransformFit, DerivedCurvesAreClampedAndRaisedToTheGamma) {
  const EngineReferenceSet ref = Reference(30);
  const SampleSet samples = Camera(ref, 30, [](const double* in, double* out) {
    for (int c = 0; c < 3; ++c) out[c] = std::pow(in[c], 1.6);
  });
  EngineContext ctx = Context(30);
  ctx.gamma = 1.8;
  opt_transform(ctx, samples, ref);
  ASSERT_NE(ctx.coefficients.c[11], 0.0);  // the sin(pi x) term took up the tone curve
  for (int ch = 0; ch < 3; ++ch) {
    for (int j = 0; j < 256; ++j) {
      ASSERT_GE(ctx.baseCurves[ch][j], 0.0);
      ASSERT_LE(ctx.baseCurves[ch][j], 1.0);
      ASSERT_EQ(ctx.gammaCurves[ch][j], std::pow(ctx.baseCurves[ch][j] + 0.000000001, 1.8));
    }
  }
  // Colourants are the base primaries through the fitted matrix.
  for (int p = 0; p < 3; ++p) {
    for (int axis = 0; axis < 3; ++axis) {
      double expected = 0.0;
      for (int k = 0; k < 3; ++k) expected += kBaseColorantMatrix[axis][k] * ctx.matrixA[3 * k + p];
      EXPECT_NEAR(ctx.colourants[p][axis], expected, 1e-15);
    }
  }
}

TEST(MakeTransform, OnlyMatrixOutputsAreClamped) {
  TransformCoefficients t = TransformCoefficients::Identity();
  t.c[9] = 0.6;                  // red curve offset: f_R = 1.2 at x = 0.6
  t.c[3] = 0.5, t.c[4] = 0.0;   // green output = 0.5 f_R
  const double in[1] = {0.6};
  double r[1], g[1], b[1];
  EngineContext ctx;
  ASSERT_EQ(make_transform(t, in, in, in, r, g, b, 1, 21, ctx).code(), kOk);
  EXPECT_EQ(r[0], 1.0);
  EXPECT_DOUBLE_EQ(g[0], 0.6);  // from the unclamped 1.2; a clamped curve would give 0.5
  EXPECT_DOUBLE_EQ(b[0], 0.6);
}

TEST(MakeTransform, WrongCoefficientCountTouchesNothing) {
  const TransformCoefficients t = TransformCoefficients::Identity();
  const double in[2] = {0.1, 0.2};
  double r[2] = {-7, -7}, g[2] = {-7, -7}, b[2] = {-7, -7};
  EngineContext ctx;
  for (int n : {0, 20, 22}) {
    EXPECT_EQ(make_transform(t, in, in, in, r, g, b, 2, n, ctx).code(), kCoefficientCount);
  }
  EXPECT_EQ(r[0], -7);
  EXPECT_EQ(g[1], -7);
  EXPECT_EQ(b[0], -7);
}

TEST(CoefficientPenalty, SineTermsWeighMore) {
  TransformCoefficients t = TransformCoefficients::Identity();
  EXPECT_EQ(CoefficientPenalty(t), 0.0);
  t.c[0] = 1.1;
  const double plain = CoefficientPenalty(t);
  EXPECT_NEAR(plain, 0.01 / 21, 1e-15);
  t = TransformCoefficients::Identity();
  t.c[15] = 0.1;
  EXPECT_NEAR(CoefficientPenalty(t), 25 * plain, 1e-15);
  t = TransformCoefficients::Identity();
  t.c[20] = 0.1;
  EXPECT_NEAR(CoefficientPenalty(t), 100 * plain, 1e-15);
}

}  // namespace
}  // namespace tintara
