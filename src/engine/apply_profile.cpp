#include "engine/apply_profile.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <vector>

#include "base/row_bands.h"

#if defined(__SSE2__) && defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define TINTARA_FIXED_POINT_PIXELS 1
#endif

namespace tintara {

namespace {

// The nine products A[r][k] x 255 x B_k[code] for every 8-bit code, computed once per call. Each
// table entry is exactly the product the per-pixel formula would compute, and the three are summed
// in the same order, so the tables change speed, not results.
struct ProductTables {
  double p[3][3][256];  // [output channel][input channel][code]

  explicit ProductTables(const ColorTransform& t) {
    for (int k = 0; k < 3; ++k) {
      for (int code = 0; code < 256; ++code) {
        const double scaled = 255.0 * t.baseCurves[k][code];
        for (int r = 0; r < 3; ++r) p[r][k][code] = t.matrix[r][k] * scaled;
      }
    }
  }

  double Sum(int r, int i0, int i1, int i2) const { return p[r][0][i0] + p[r][1][i1] + p[r][2][i2]; }
};

// v + 0.5 cut toward zero, then anything below 0 becomes 0 and anything above 255 becomes 255.
inline uint8_t ToByte(double sum) {
  const double v = sum + 0.5;
  if (!(v >= 0.0)) return 0;  // negative, and also a value that is not a number
  if (v >= 255.0) return 255;
  return static_cast<uint8_t>(static_cast<int>(v));
}

// One pixel by the formula. All three inputs are read before anything is written, so `out` may be
// `in`.
inline void ExactPixel(const ProductTables& t, const uint8_t* in, bool swap, uint8_t* out) {
  const int i0 = in[0], i1 = in[1], i2 = in[2];
  const uint8_t v0 = ToByte(t.Sum(0, i0, i1, i2));
  const uint8_t v1 = ToByte(t.Sum(1, i0, i1, i2));
  const uint8_t v2 = ToByte(t.Sum(2, i0, i1, i2));
  out[0] = swap ? v2 : v0;
  out[1] = v1;
  out[2] = swap ? v0 : v2;
}

// The products again, as integers in 1/65536 steps, laid out so one 16-byte load per input channel
// gives that channel's share of all three outputs (lanes in output byte order, the fourth lane
// spare) and two additions give the whole pixel. The 0.5 of the rounding and the guard band's
// kGuardSteps are folded into the first channel's entries, so a sum's fraction is near a whole
// number exactly when it is below 2 x kGuardSteps.
//
// Each entry is within half a step of its product, so a sum is within 1.5 steps of what the formula
// adds up (the double additions themselves are off by far less than a step at these magnitudes).
// The integer result can differ from the formula's only when the true value lies within those 1.5
// steps of a whole number; every sum whose fraction is within kGuardSteps of a whole number is
// therefore handed back to the formula (with the other pixels of its group). The whole part
// taken from a sum raised by the guard steps differs from the true one only there, too. For sums
// spread evenly that is 8 fractions in 65536 per channel, one group in about 700, so the output is
// the formula's, byte for byte, at nearly the speed of integers.
constexpr int kFractionBits = 16;
constexpr int32_t kUnit = 1 << kFractionBits;
constexpr int32_t kGuardSteps = 4;
// The sums must stay inside 32 bits with room to spare; a transform whose products could add up
// beyond this (no fitted profile comes near) is converted by the formula throughout.
constexpr double kLargestSum = 30000.0;

struct alignas(16) FixedTables {
  int32_t lanes[3][256][4];  // [input channel][code][output byte]
};

// Fills `out` for the transform whose products are `t`; false when some product is not finite or
// the sums could leave the integers' range. `fourthByte` is what the spare lane yields after the
// shift (0xFF for a screen word).
bool BuildFixedTables(const ProductTables& t, bool swap, int32_t fourthByte, FixedTables& out) {
  for (int r = 0; r < 3; ++r) {
    double bound = 0.0;
    for (int k = 0; k < 3; ++k) {
      double largest = 0.0;
      for (int code = 0; code < 256; ++code) {
        const double p = t.p[r][k][code];
        if (!std::isfinite(p)) return false;
        largest = std::max(largest, std::fabs(p));
      }
      bound += largest;
    }
    if (!(bound <= kLargestSum)) return false;
  }
  for (int k = 0; k < 3; ++k) {
    for (int code = 0; code < 256; ++code) {
      int32_t* lane = out.lanes[k][code];
      for (int r = 0; r < 3; ++r) {
        // Scaling by a power of two is exact; lround rounds half away from zero whatever the
        // floating-point rounding mode, which keeps every entry within half a step.
        lane[swap ? 2 - r : r] = static_cast<int32_t>(std::lround(t.p[r][k][code] * kUnit));
      }
      lane[3] = 0;
      if (k == 0) {
        for (int r = 0; r < 3; ++r) lane[r] += kUnit / 2 + kGuardSteps;
        // The spare lane sits mid-step, far from any whole number, so it never asks for the formula.
        lane[3] = fourthByte * kUnit + kUnit / 2;
      }
    }
  }
  return true;
}

#ifdef TINTARA_FIXED_POINT_PIXELS

inline __m128i PixelSum(const FixedTables& t, const uint8_t* in) {
  const __m128i a = _mm_load_si128(reinterpret_cast<const __m128i*>(t.lanes[0][in[0]]));
  const __m128i b = _mm_load_si128(reinterpret_cast<const __m128i*>(t.lanes[1][in[1]]));
  const __m128i c = _mm_load_si128(reinterpret_cast<const __m128i*>(t.lanes[2][in[2]]));
  return _mm_add_epi32(_mm_add_epi32(a, b), c);
}

// Negative lanes where a sum's fraction is within kGuardSteps of a whole number (the tables raise
// every sum by kGuardSteps, so those fractions lie below 2 x kGuardSteps).
inline __m128i NearAWholeNumber(__m128i sum) {
  return _mm_sub_epi32(_mm_and_si128(sum, _mm_set1_epi32(kUnit - 1)), _mm_set1_epi32(2 * kGuardSteps));
}

// Four pixels' sums to 16 bytes: the arithmetic shift takes the whole part (rounded down, which is
// the formula's cut toward zero wherever the result is not clamped), and the two saturating packs
// clamp it to 0..255.
inline __m128i FourPixelBytes(__m128i s0, __m128i s1, __m128i s2, __m128i s3) {
  const __m128i lo = _mm_packs_epi32(_mm_srai_epi32(s0, kFractionBits), _mm_srai_epi32(s1, kFractionBits));
  const __m128i hi = _mm_packs_epi32(_mm_srai_epi32(s2, kFractionBits), _mm_srai_epi32(s3, kFractionBits));
  return _mm_packus_epi16(lo, hi);
}

// Eight pixels at a time with 256-bit integers, on processors that have them: pixel j's sums in
// the low half of a register and pixel j + 4's in the high half, so the packs that follow leave the
// eight results in order. Tables, guard and bytes are those of the four-pixel loop below; each
// group is read whole before it is written, so a conversion in place stays safe. Streamed words
// need `out` on a 16-byte boundary. Returns how many of the `count` pixels it converted.
#define TINTARA_WIDE __attribute__((target("avx2")))

TINTARA_WIDE inline __m256i WideLanes(const FixedTables& fixed, int channel, const uint8_t* pixel) {
  const __m128i low = _mm_load_si128(reinterpret_cast<const __m128i*>(fixed.lanes[channel][pixel[channel]]));
  const __m128i high = _mm_load_si128(reinterpret_cast<const __m128i*>(fixed.lanes[channel][pixel[channel + 12]]));
  return _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
}

TINTARA_WIDE inline __m256i WideSum(const FixedTables& fixed, const uint8_t* pixel) {
  return _mm256_add_epi32(_mm256_add_epi32(WideLanes(fixed, 0, pixel), WideLanes(fixed, 1, pixel)),
                          WideLanes(fixed, 2, pixel));
}

TINTARA_WIDE inline __m256i WideNearAWholeNumber(__m256i sum) {
  return _mm256_sub_epi32(_mm256_and_si256(sum, _mm256_set1_epi32(kUnit - 1)), _mm256_set1_epi32(2 * kGuardSteps));
}

template <int wordBytes>
TINTARA_WIDE int ConvertWide(const FixedTables& fixed, const ProductTables& exact, bool swap, const uint8_t* in,
                             int count, uint8_t* out, bool stream) {
  int x = 0;
  for (; x + 8 <= count; x += 8, in += 24, out += 8 * wordBytes) {
    const __m256i s0 = WideSum(fixed, in), s1 = WideSum(fixed, in + 3);
    const __m256i s2 = WideSum(fixed, in + 6), s3 = WideSum(fixed, in + 9);
    const __m256i near = _mm256_or_si256(_mm256_or_si256(WideNearAWholeNumber(s0), WideNearAWholeNumber(s1)),
                                         _mm256_or_si256(WideNearAWholeNumber(s2), WideNearAWholeNumber(s3)));
    const __m256i lo = _mm256_packs_epi32(_mm256_srai_epi32(s0, kFractionBits), _mm256_srai_epi32(s1, kFractionBits));
    const __m256i hi = _mm256_packs_epi32(_mm256_srai_epi32(s2, kFractionBits), _mm256_srai_epi32(s3, kFractionBits));
    __m256i bytes = _mm256_packus_epi16(lo, hi);
    if (_mm256_movemask_ps(_mm256_castsi256_ps(near)) != 0) {
      alignas(32) uint8_t block[32];
      _mm256_store_si256(reinterpret_cast<__m256i*>(block), bytes);
      for (int j = 0; j < 8; ++j) ExactPixel(exact, in + 3 * j, swap, block + 4 * j);
      bytes = _mm256_load_si256(reinterpret_cast<const __m256i*>(block));
    }
    if constexpr (wordBytes == 4) {
      if (stream) {
        _mm_stream_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(bytes));
        _mm_stream_si128(reinterpret_cast<__m128i*>(out + 16), _mm256_extracti128_si256(bytes, 1));
      } else {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), bytes);
      }
    } else {
      // Each half drops its every fourth byte: 12 bytes of pixels from each.
      const __m256i drop = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, 0, 1, 2, 4, 5,
                                            6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
      bytes = _mm256_shuffle_epi8(bytes, drop);
      const __m128i first = _mm256_castsi256_si128(bytes), second = _mm256_extracti128_si256(bytes, 1);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(out), first);
      const int32_t firstRest = _mm_cvtsi128_si32(_mm_srli_si128(first, 8));
      std::memcpy(out + 8, &firstRest, 4);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 12), second);
      const int32_t secondRest = _mm_cvtsi128_si32(_mm_srli_si128(second, 8));
      std::memcpy(out + 20, &secondRest, 4);
    }
  }
  return x;
}

// Whether ConvertWide may run: the processor has the instructions, and no test has asked for the
// four-pixel loop alone.
std::atomic<bool> widePixelsAllowed{true};

bool UseWidePixels() {
  static const bool supported = __builtin_cpu_supports("avx2");
  return supported && widePixelsAllowed.load(std::memory_order_relaxed);
}

// Converts rows four pixels at a time, after the eight-pixel loop where it runs; `wordBytes` is 3
// for packed output and 4 for screen words. Four pixels are read before any of them is written, so
// a conversion in place is safe. With `stream`, the eight-pixel loop sends screen words to memory
// past the caches: a bitmap of a photograph is far larger than they are, and otherwise every line
// of it would first be read only to be overwritten.
template <int wordBytes>
void ConvertRowsFixed(const FixedTables& fixed, const ProductTables& exact, bool swap, const uint8_t* source,
                      int width, int firstRow, int endRow, uint8_t* destination, int64_t destinationStride,
                      bool stream) {
  const bool wide = UseWidePixels();
  stream = stream && wide;
  for (int y = firstRow; y < endRow; ++y) {
    const uint8_t* in = source + static_cast<int64_t>(y) * width * 3;
    uint8_t* out = destination + static_cast<int64_t>(y) * destinationStride;
    int x = 0;
    if constexpr (wordBytes == 4) {
      // Streamed words go in 16-byte groups: the few pixels before the row's first boundary are
      // converted one by one.
      for (; stream && x < width && (reinterpret_cast<uintptr_t>(out) & 15) != 0; ++x, in += 3, out += 4) {
        ExactPixel(exact, in, swap, out);
        out[3] = 0xFF;
      }
    }
    if (wide) {
      const int done = ConvertWide<wordBytes>(fixed, exact, swap, in, width - x, out, stream);
      x += done;
      in += 3 * done;
      out += wordBytes * done;
    }
    for (; x + 4 <= width; x += 4, in += 12, out += 4 * wordBytes) {
      const __m128i s0 = PixelSum(fixed, in);
      const __m128i s1 = PixelSum(fixed, in + 3);
      const __m128i s2 = PixelSum(fixed, in + 6);
      const __m128i s3 = PixelSum(fixed, in + 9);
      const __m128i near = _mm_or_si128(_mm_or_si128(NearAWholeNumber(s0), NearAWholeNumber(s1)),
                                        _mm_or_si128(NearAWholeNumber(s2), NearAWholeNumber(s3)));
      const __m128i bytes = FourPixelBytes(s0, s1, s2, s3);
      alignas(16) uint8_t block[16];
      if constexpr (wordBytes == 4) {
        _mm_store_si128(reinterpret_cast<__m128i*>(block), bytes);
      } else {
        // Drop every fourth byte: pixels p0..p3 of three bytes each, in one 8-byte and one 4-byte word.
        const uint64_t first = static_cast<uint64_t>(_mm_cvtsi128_si64(bytes));
        const uint64_t second = static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(bytes, bytes)));
        const uint64_t packed = (first & 0xFFFFFFu) | ((first >> 8) & 0xFFFFFF000000u) | (second << 48);
        const uint32_t rest = static_cast<uint32_t>(((second >> 16) & 0xFFu) | ((second >> 24) & 0xFFFFFF00u));
        std::memcpy(block, &packed, 8);
        std::memcpy(block + 8, &rest, 4);
      }
      if (_mm_movemask_ps(_mm_castsi128_ps(near)) != 0) {
        for (int j = 0; j < 4; ++j) ExactPixel(exact, in + 3 * j, swap, block + wordBytes * j);
      }
      std::memcpy(out, block, 4 * wordBytes);
    }
    for (; x < width; ++x, in += 3, out += wordBytes) {
      ExactPixel(exact, in, swap, out);
      if constexpr (wordBytes == 4) out[3] = 0xFF;
    }
  }
}

#endif  // TINTARA_FIXED_POINT_PIXELS

// Screen words are streamed past the caches from this many bytes on: a smaller bitmap may still be
// in the cache when it is painted.
constexpr int64_t kStreamedBytes = int64_t{4} << 20;

// Everything one call needs, built once and shared by the threads of a banded conversion.
class Conversion {
 public:
  Conversion(const ColorTransform& transform, bool swap, bool screenWords)
      : exact_(transform), swap_(swap), screenWords_(screenWords) {
#ifdef TINTARA_FIXED_POINT_PIXELS
    fixedUsable_ = BuildFixedTables(exact_, swap, 0xFF, fixed_);
#endif
  }

  void Rows(const uint8_t* source, int width, int firstRow, int endRow, uint8_t* destination,
            int64_t destinationStride) const {
#ifdef TINTARA_FIXED_POINT_PIXELS
    if (fixedUsable_) {
      if (screenWords_) {
        const bool stream = static_cast<int64_t>(width) * (endRow - firstRow) * 4 >= kStreamedBytes;
        ConvertRowsFixed<4>(fixed_, exact_, swap_, source, width, firstRow, endRow, destination, destinationStride,
                            stream);
        if (stream) _mm_sfence();  // streamed words are seen by whoever is told the rows are done
      } else {
        ConvertRowsFixed<3>(fixed_, exact_, swap_, source, width, firstRow, endRow, destination, destinationStride,
                            false);
      }
      return;
    }
#endif
    const int wordBytes = screenWords_ ? 4 : 3;
    for (int y = firstRow; y < endRow; ++y) {
      const uint8_t* in = source + static_cast<int64_t>(y) * width * 3;
      uint8_t* out = destination + static_cast<int64_t>(y) * destinationStride;
      for (int x = 0; x < width; ++x, in += 3, out += wordBytes) {
        ExactPixel(exact_, in, swap_, out);
        if (screenWords_) out[3] = 0xFF;
      }
    }
  }

 private:
  ProductTables exact_;
#ifdef TINTARA_FIXED_POINT_PIXELS
  FixedTables fixed_;
  bool fixedUsable_ = false;
#endif
  bool swap_;
  bool screenWords_;
};

bool NothingToDo(const uint8_t* source, int width, int height, const uint8_t* destination) {
  return width <= 0 || height <= 0 || source == nullptr || destination == nullptr;
}

}  // namespace

#ifdef TINTARA_FIXED_POINT_PIXELS
WidePixelsOffForTesting::WidePixelsOffForTesting() : previous_(widePixelsAllowed.exchange(false)) {}
WidePixelsOffForTesting::~WidePixelsOffForTesting() { widePixelsAllowed.store(previous_); }
#else
WidePixelsOffForTesting::WidePixelsOffForTesting() : previous_(false) {}
WidePixelsOffForTesting::~WidePixelsOffForTesting() = default;
#endif

void ApplyProfile(const uint8_t* source, int width, int height, uint8_t* destination, int64_t destinationStride,
                  bool swap, const ColorTransform& transform) {
  if (NothingToDo(source, width, height, destination)) return;
  const Conversion conversion(transform, swap, false);
  // Each band reads and writes only its own rows, so a conversion in place stays correct.
  ForEachRowBand(height, static_cast<int64_t>(width) * height, kParallelPixels, [&](int first, int end) {
    conversion.Rows(source, width, first, end, destination, destinationStride);
  });
}

void ApplyProfileToScreenWords(const uint8_t* source, int width, int height, uint8_t* destination,
                               int64_t destinationStride, const ColorTransform& transform) {
  if (NothingToDo(source, width, height, destination)) return;
  Conversion(transform, true, true).Rows(source, width, 0, height, destination, destinationStride);
}

}  // namespace tintara
