#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "base/error.h"
#include "engine/reference_data.h"

namespace tintara {

inline constexpr int kMaxAreas = 30;
inline constexpr int kCoefficientCountExpected = 21;

// The fit's three tunable numbers as they stand until the user changes them (the stored settings
// "PenaltyFactor", "QualityControl" and "Gamma" start from these).
inline constexpr double kDefaultPenaltyFactor = 0.4;
inline constexpr double kDefaultQualityLimit = 0.5;
inline constexpr double kDefaultGamma = 2.2;

// The full scale of a list of colour values, read off its largest value: nothing above 255 means
// 8-bit values (full scale 255), anything larger 16-bit ones (65535).
inline constexpr double FullScaleOf(int largestValue) { return largestValue <= 255 ? 255.0 : 65535.0; }

// The measured colours of the card's colour areas, as handed to the engine: R[0..29], G[0..29],
// B[0..29]. Entries at the area count and above are ignored.
struct SampleSet {
  std::array<uint16_t, kMaxAreas> R{};
  std::array<uint16_t, kMaxAreas> G{};
  std::array<uint16_t, kMaxAreas> B{};

  // Fills the three arrays from one block of 90 values in the order R, G, B.
  static SampleSet FromBlock(const uint16_t (&values)[3 * kMaxAreas]);
};

// The reference set in the engine's own fixed-size form: the name cut to 63 characters and NUL
// terminated, the entries padded with zero entries (weight 0) to 30.
struct EngineReferenceSet {
  char name[64]{};
  std::array<uint16_t, kMaxAreas> R{};
  std::array<uint16_t, kMaxAreas> G{};
  std::array<uint16_t, kMaxAreas> B{};
  std::array<uint16_t, kMaxAreas> W{};

  static EngineReferenceSet FromReferenceSet(const ReferenceSet& set);
};

// The 21 coefficients of the colour model.
//   0..8   matrix M, row-major: M[r][k] = c[3r + k]
//   9..12  red curve: offset, gain, sin(pi x) term, sin(2 pi x) term
//   13..16 green curve, 17..20 blue curve, in the same order.
struct TransformCoefficients {
  std::array<double, kCoefficientCountExpected> c{};

  static TransformCoefficients Identity();
  friend bool operator==(const TransformCoefficients&, const TransformCoefficients&) = default;
};

// The exposure the fit takes out of the samples before it fits the colours: a brightness offset and
// a contrast gain common to the three channels, on the normalised 0..1 scale, so that a sample x
// becomes clamp(offset + gain x). A profile corrects colour, not the exposure of the one photograph
// it was made from, so these are reported but written into no profile.
struct FitExposure {
  double offset = 0.0;
  double gain = 1.0;
};

// The bytes of the last written profile and where its description text sits in them.
struct ProfileHolder {
  std::vector<uint8_t> bytes;
  int descriptionOffset = -1;

  bool Empty() const { return bytes.empty(); }
  void Release() {
    bytes.clear();
    bytes.shrink_to_fit();
    descriptionOffset = -1;
  }
};

// The engine's one working context, reused for every fit. The caller sets the inputs; opt_transform
// fills the outputs, decode_icc_220 fills the decoded part.
struct EngineContext {
  // Inputs.
  int count = 0;
  double penaltyFactor = kDefaultPenaltyFactor;
  double qualityLimit = kDefaultQualityLimit;
  double gamma = kDefaultGamma;

  // Outputs of the fit.
  TransformCoefficients coefficients = TransformCoefficients::Identity();
  // Final objective of the main fit (error plus weighted penalty); NaN when the last fit ended
  // without one.
  double objective = 0.0;
  double colourants[3][3]{};  // red, green, blue primary, each as (X, Y, Z)
  double baseCurves[3][256]{};
  double gammaCurves[3][256]{};
  double matrixA[9]{};  // c[0..8], row-major
  FitExposure exposure;  // found by the pre-normalisation; neutral when no fit ran

  // Position of the description text found by decode_icc_220, -1 when there was no 'desc' tag.
  int decodedDescriptionOffset = -1;

  // The engine's own copy of the inputs of the last CreateProfile, and the profile it wrote.
  SampleSet samples;
  EngineReferenceSet reference;
  ProfileHolder profile;
};

// Fixed colourants of the device primaries (rows X, Y, Z; columns red, green, blue).
extern const double kBaseColorantMatrix[3][3];

// Evaluates the transform for n colour areas of normalised inputs. Only the matrix outputs are clamped
// to 0..1. Returns 156 (kCoefficientCount; and writes nothing) unless coefficientCount is 21.
Error make_transform(const TransformCoefficients& coefficients, const double* inR, const double* inG,
                     const double* inB, double* outR, double* outG, double* outB, int n,
                     int coefficientCount, const EngineContext& context);

// The transform the pre-normalisation evaluates for an exposure: the identity but for the common
// offset and gain of the three curves. Through make_transform it turns normalised samples into the
// exposure-matched samples the main fit works on.
TransformCoefficients ExposureTransform(const FitExposure& exposure);

// Fits the coefficients for ctx.count colour areas and fills every output field of the context.
// Returns success, kPoorQuality (outputs filled all the same), kTooFewAreas when no area carries weight,
// kFitParametersInvalid for a penalty factor, quality limit or gamma that is not finite (or a
// negative penalty, a gamma of 0 or less), kFitNotFinite when the result holds a value that is not
// finite, or a code of make_transform. Only 0 and kPoorQuality leave outputs a profile may be
// written from.
Error opt_transform(EngineContext& context, const SampleSet& samples, const EngineReferenceSet& reference);

// The coefficient penalty: squared distance from the identity, the sine terms weighted up.
double CoefficientPenalty(const TransformCoefficients& coefficients);

}  // namespace tintara
