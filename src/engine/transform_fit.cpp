#include "engine/transform_fit.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "base/result_codes.h"

namespace tintara {

// The curve terms use these decimal values of pi and 2 pi, not the library's constants, so that the
// fit and the curves tabulated from it are reproduced to the last bit wherever they are computed.
static constexpr double kPi = 3.14159265359;
static constexpr double kTwoPi = 6.28318530718;

// Search parameters of both stages of the fit.
static constexpr double kInitialStep = 0.08;
static constexpr double kFinalStep = 0.0024;
static constexpr int kMaxSweeps = 99;

const double kBaseColorantMatrix[3][3] = {
    {0.436066, 0.385147, 0.143066},
    {0.222488, 0.716873, 0.060608},
    {0.013916, 0.097076, 0.714096},
};

SampleSet SampleSet::FromBlock(const uint16_t (&values)[3 * kMaxAreas]) {
  SampleSet s;
  for (int i = 0; i < kMaxAreas; ++i) {
    s.R[i] = values[i];
    s.G[i] = values[kMaxAreas + i];
    s.B[i] = values[2 * kMaxAreas + i];
  }
  return s;
}

EngineReferenceSet EngineReferenceSet::FromReferenceSet(const ReferenceSet& set) {
  EngineReferenceSet r;
  const size_t nameLength = std::min<size_t>(set.name.size(), sizeof(r.name) - 1);
  std::memcpy(r.name, set.name.data(), nameLength);
  const int n = std::min(set.EntryCount(), kMaxAreas);
  for (int i = 0; i < n; ++i) {
    r.R[i] = set.entries[i].R;
    r.G[i] = set.entries[i].G;
    r.B[i] = set.entries[i].B;
    r.W[i] = set.entries[i].W;
  }
  return r;
}

TransformCoefficients TransformCoefficients::Identity() {
  TransformCoefficients t;
  t.c[0] = t.c[4] = t.c[8] = 1.0;
  t.c[10] = t.c[14] = t.c[18] = 1.0;
  return t;
}

TransformCoefficients ExposureTransform(const FitExposure& exposure) {
  TransformCoefficients t = TransformCoefficients::Identity();
  t.c[9] = t.c[13] = t.c[17] = exposure.offset;
  t.c[10] = t.c[14] = t.c[18] = exposure.gain;
  return t;
}

// One channel's tone curve at x: offset + gain x + s1 sin(pi x) + s2 sin(2 pi x), summed left to right.
static double CurveValue(const TransformCoefficients& t, int channel, double x) {
  const double* k = &t.c[9 + 4 * channel];
  return k[0] + k[1] * x + k[2] * std::sin(kPi * x) + k[3] * std::sin(kTwoPi * x);
}

static double Clamp01(double v) {
  if (v < 0.0) return 0.0;
  if (v > 1.0) return 1.0;
  return v;
}

Error make_transform(const TransformCoefficients& coefficients, const double* inR, const double* inG,
                     const double* inB, double* outR, double* outG, double* outB, int n,
                     int coefficientCount, const EngineContext& /*context*/) {
  if (coefficientCount != kCoefficientCountExpected) return kCoefficientCount;
  const auto& c = coefficients.c;
  for (int i = 0; i < n; ++i) {
    const double fR = CurveValue(coefficients, 0, inR[i]);
    const double fG = CurveValue(coefficients, 1, inG[i]);
    const double fB = CurveValue(coefficients, 2, inB[i]);
    outR[i] = Clamp01(c[0] * fR + c[1] * fG + c[2] * fB);
    outG[i] = Clamp01(c[3] * fR + c[4] * fG + c[5] * fB);
    outB[i] = Clamp01(c[6] * fR + c[7] * fG + c[8] * fB);
  }
  return kOk;
}

double CoefficientPenalty(const TransformCoefficients& coefficients) {
  static const TransformCoefficients identity = TransformCoefficients::Identity();
  double d[kCoefficientCountExpected];
  for (int k = 0; k < kCoefficientCountExpected; ++k) d[k] = coefficients.c[k] - identity.c[k];
  double sum = 0.0;
  for (int k = 0; k < kCoefficientCountExpected; ++k) sum += d[k] * d[k];
  const double sinPi = d[11] * d[11] + d[15] * d[15] + d[19] * d[19];
  const double sinTwoPi = d[12] * d[12] + d[16] * d[16] + d[20] * d[20];
  return (sum + 24.0 * sinPi + 99.0 * sinTwoPi) / 21.0;
}

namespace {

// The normalised fitting problem: samples and references on 0..1, weights as fractions.
struct FitProblem {
  int count = 0;
  double x[3][kMaxAreas]{};
  double ref[3][kMaxAreas]{};
  double weight[kMaxAreas]{};
};

class Objective {
 public:
  Objective(const FitProblem& problem, const EngineContext& context)
      : problem_(problem), context_(context) {}

  // E = fitting error + w * penalty, the transform evaluated afresh over every colour area.
  // `failure` receives a failure of the transform evaluation.
  double operator()(const TransformCoefficients& t, double penaltyWeight, Error& failure) const {
    double out[3][kMaxAreas];
    failure = make_transform(t, problem_.x[0], problem_.x[1], problem_.x[2], out[0], out[1], out[2],
                          problem_.count, kCoefficientCountExpected, context_);
    if (failure.failed()) return 0.0;
    double sum = 0.0;
    double weightSum = 0.0;
    for (int i = 0; i < problem_.count; ++i) {
      const double dR = out[0][i] - problem_.ref[0][i];
      const double dG = out[1][i] - problem_.ref[1][i];
      const double dB = out[2][i] - problem_.ref[2][i];
      sum += problem_.weight[i] * (dR * dR + dG * dG + dB * dB);
      weightSum += problem_.weight[i];
    }
    const double error = std::sqrt(sum / weightSum);
    return error + penaltyWeight * CoefficientPenalty(t);
  }

 private:
  const FitProblem& problem_;
  const EngineContext& context_;
};

FitProblem Normalise(int count, const SampleSet& samples, const EngineReferenceSet& reference) {
  FitProblem p;
  p.count = count;
  int refMax = 0;
  int sampleMax = 0;
  for (int i = 0; i < count; ++i) {
    refMax = std::max({refMax, int(reference.R[i]), int(reference.G[i]), int(reference.B[i])});
    sampleMax = std::max({sampleMax, int(samples.R[i]), int(samples.G[i]), int(samples.B[i])});
  }
  // The scale of each side is read off its own values.
  const double refScale = FullScaleOf(refMax);
  const double sampleScale = FullScaleOf(sampleMax);
  for (int i = 0; i < count; ++i) {
    p.ref[0][i] = reference.R[i] / refScale;
    p.ref[1][i] = reference.G[i] / refScale;
    p.ref[2][i] = reference.B[i] / refScale;
    p.x[0][i] = samples.R[i] / sampleScale;
    p.x[1][i] = samples.G[i] / sampleScale;
    p.x[2][i] = samples.B[i] / sampleScale;
    p.weight[i] = reference.W[i] * 0.01;
  }
  return p;
}

// A parameter of the coordinate search: one coefficient, or several moved together by the same amount.
struct SearchParameter {
  int indices[3];
  int size;
};

void Move(TransformCoefficients& t, const SearchParameter& p, const double (&base)[3], double delta) {
  for (int j = 0; j < p.size; ++j) t.c[p.indices[j]] = base[j] + delta;
}

// Pre-normalisation: fits a brightness offset and a contrast gain common to the three channels with
// the penalty switched off, then bakes them into the samples, so the main fit starts from samples
// whose overall level already matches the references. `exposure` receives the offset and gain
// found. Returns a failure of the transform, or success.
Error PreNormalise(FitProblem& problem, const EngineContext& context, FitExposure& exposure) {
  const Objective objective(problem, context);
  TransformCoefficients t = TransformCoefficients::Identity();
  const SearchParameter parameters[2] = {{{9, 13, 17}, 3}, {{10, 14, 18}, 3}};
  Error failure;
  double best = objective(t, 0.0, failure);
  if (failure.failed()) return failure;
  double step = kInitialStep;
  for (int sweep = 0; sweep < kMaxSweeps && step >= kFinalStep; ++sweep) {
    bool moved = false;
    for (const SearchParameter& p : parameters) {
      double base[3];
      for (int j = 0; j < p.size; ++j) base[j] = t.c[p.indices[j]];
      Move(t, p, base, -step);
      const double lowered = objective(t, 0.0, failure);
      if (failure.failed()) return failure;
      Move(t, p, base, +step);
      const double raised = objective(t, 0.0, failure);
      if (failure.failed()) return failure;
      // The lowered side wins a tie between the two sides.
      if (lowered < best) {
        Move(t, p, base, -step);
        best = lowered;
        moved = true;
      } else if (raised < best) {
        best = raised;  // t already holds the raised value
        moved = true;
      } else {
        for (int j = 0; j < p.size; ++j) t.c[p.indices[j]] = base[j];
      }
    }
    if (!moved) step *= 0.5;
  }
  // The three channels' offsets and gains moved together from equal values, so they are still equal.
  exposure.offset = t.c[9];
  exposure.gain = t.c[10];
  double adjusted[3][kMaxAreas];
  failure = make_transform(t, problem.x[0], problem.x[1], problem.x[2], adjusted[0], adjusted[1],
                        adjusted[2], problem.count, kCoefficientCountExpected, context);
  if (failure.failed()) return failure;
  std::memcpy(problem.x, adjusted, sizeof(adjusted));
  return kOk;
}

// Main fit: coordinate search over the matrix and the sine terms with the penalty switched on.
// A coefficient that improves by a full step counts as progress; otherwise a parabola through the
// three values may still place it better, but that alone does not keep the step from halving.
Error MainFit(const FitProblem& problem, const EngineContext& context, TransformCoefficients& t,
            double& best) {
  const Objective objective(problem, context);
  int active[15];
  int activeCount = 0;
  for (int k = 0; k <= 8; ++k) active[activeCount++] = k;
  for (int k : {11, 12, 15, 16, 19, 20}) {
    const bool twoPiTerm = (k == 12 || k == 16 || k == 20);
    // Fewer than five areas cannot support the sin(2 pi x) terms.
    if (twoPiTerm && problem.count < 5) continue;
    active[activeCount++] = k;
  }
  const double w = context.penaltyFactor;
  Error failure;
  best = objective(t, w, failure);
  if (failure.failed()) return failure;
  double step = kInitialStep;
  for (int sweep = 0; sweep < kMaxSweeps && step >= kFinalStep; ++sweep) {
    bool improved = false;
    for (int a = 0; a < activeCount; ++a) {
      const int k = active[a];
      const double original = t.c[k];
      t.c[k] = original - step;
      const double lowered = objective(t, w, failure);
      if (failure.failed()) return failure;
      t.c[k] = original + step;
      const double raised = objective(t, w, failure);
      if (failure.failed()) return failure;
      if (lowered < best) {
        t.c[k] = original - step;
        best = lowered;
        improved = true;
      } else if (raised < best) {
        best = raised;  // t.c[k] already holds the raised value
        improved = true;
      } else {
        const double tParabola = -0.5 * (raised - lowered) / (lowered + raised - 2.0 * best);
        t.c[k] = original;
        // A vertex that is not a finite number could never lower the objective.
        if (std::isfinite(tParabola)) {
          t.c[k] = original + tParabola * step;
          const double vertex = objective(t, w, failure);
          if (failure.failed()) return failure;
          if (vertex < best) {
            best = vertex;
          } else {
            t.c[k] = original;
          }
        }
      }
    }
    if (!improved) step *= 0.5;
  }
  return kOk;
}

void DeriveOutputs(EngineContext& context, const TransformCoefficients& t) {
  context.coefficients = t;
  // Colourants: C = S x M; the primaries are the columns of C.
  for (int col = 0; col < 3; ++col) {
    for (int row = 0; row < 3; ++row) {
      context.colourants[col][row] = kBaseColorantMatrix[row][0] * t.c[0 * 3 + col] +
                                     kBaseColorantMatrix[row][1] * t.c[1 * 3 + col] +
                                     kBaseColorantMatrix[row][2] * t.c[2 * 3 + col];
    }
  }
  for (int ch = 0; ch < 3; ++ch) {
    for (int j = 0; j < 256; ++j) {
      const double x = j * 0.00392156862745098;
      const double base = Clamp01(CurveValue(t, ch, x));
      context.baseCurves[ch][j] = base;
      context.gammaCurves[ch][j] = std::pow(base + 0.000000001, context.gamma);
    }
  }
  for (int k = 0; k < 9; ++k) context.matrixA[k] = t.c[k];
}

}  // namespace

// The parameters come from stored settings that are loaded without any range test. A NaN quality
// limit would pass every fit, an infinite or NaN penalty makes every objective NaN, a gamma of 0 or
// less flattens or inverts the profile's tone curves: none of them can give a profile worth having.
static bool ParametersUsable(const EngineContext& context) {
  return std::isfinite(context.penaltyFactor) && context.penaltyFactor >= 0.0 &&
         std::isfinite(context.qualityLimit) && std::isfinite(context.gamma) && context.gamma > 0.0;
}

// Whether everything the profile is written from is a finite number. An extreme gamma can still
// overflow a tone curve, and nothing that is not finite may reach the profile's bytes.
static bool OutputsFinite(const EngineContext& context) {
  auto finite = [](const double* values, size_t n) {
    return std::all_of(values, values + n, [](double v) { return std::isfinite(v); });
  };
  return std::isfinite(context.objective) && finite(context.coefficients.c.data(), kCoefficientCountExpected) &&
         finite(&context.colourants[0][0], 9) && finite(&context.baseCurves[0][0], 3 * 256) &&
         finite(&context.gammaCurves[0][0], 3 * 256) && finite(context.matrixA, 9);
}

Error opt_transform(EngineContext& context, const SampleSet& samples, const EngineReferenceSet& reference) {
  // A fit that stops early must not report the exposure or objective of an earlier one, nor an
  // objective of 0 that would read as a perfect fit.
  context.exposure = FitExposure{};
  context.objective = std::numeric_limits<double>::quiet_NaN();
  if (!ParametersUsable(context)) return kFitParametersInvalid;
  const int count = std::clamp(context.count, 0, kMaxAreas);
  FitProblem problem = Normalise(count, samples, reference);

  // With no weighted area the fitting error is 0/0: there is nothing to fit, so no transform can be
  // claimed to fit the card.
  double weightSum = 0.0;
  for (int i = 0; i < count; ++i) weightSum += problem.weight[i];
  if (!(weightSum > 0.0)) return kTooFewAreas;

  FitExposure exposure;
  Error failure = PreNormalise(problem, context, exposure);
  if (failure.failed()) return failure;

  TransformCoefficients t = TransformCoefficients::Identity();
  double best = 0.0;
  failure = MainFit(problem, context, t, best);
  if (failure.failed()) return failure;

  context.objective = best;
  context.exposure = exposure;
  DeriveOutputs(context, t);
  if (!OutputsFinite(context)) return kFitNotFinite;
  // Equality with the limit passes.
  return best > context.qualityLimit ? kPoorQuality : kOk;
}

}  // namespace tintara
