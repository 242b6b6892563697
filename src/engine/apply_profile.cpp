#include "engine/apply_profile.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

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
};

// v + 0.5 cut toward zero, then anything below 0 becomes 0 and anything above 255 becomes 255.
inline uint8_t ToByte(double sum) {
  const double v = sum + 0.5;
  if (!(v >= 0.0)) return 0;  // negative, and also a value that is not a number
  if (v >= 255.0) return 255;
  return static_cast<uint8_t>(static_cast<int>(v));
}

void ConvertRows(const ProductTables& t, const uint8_t* source, int width, int firstRow, int endRow,
                 uint8_t* destination, int64_t destinationStride, bool swap) {
  const int outFirst = swap ? 2 : 0;
  const int outLast = swap ? 0 : 2;
  for (int y = firstRow; y < endRow; ++y) {
    const uint8_t* in = source + static_cast<int64_t>(y) * width * 3;
    uint8_t* out = destination + static_cast<int64_t>(y) * destinationStride;
    for (int x = 0; x < width; ++x, in += 3, out += 3) {
      const int i0 = in[0], i1 = in[1], i2 = in[2];
      const double v0 = t.p[0][0][i0] + t.p[0][1][i1] + t.p[0][2][i2];
      const double v1 = t.p[1][0][i0] + t.p[1][1][i1] + t.p[1][2][i2];
      const double v2 = t.p[2][0][i0] + t.p[2][1][i1] + t.p[2][2][i2];
      out[outFirst] = ToByte(v0);
      out[1] = ToByte(v1);
      out[outLast] = ToByte(v2);
    }
  }
}

// Below this many pixels a second thread costs more than it saves.
constexpr int64_t kParallelThreshold = 1 << 18;

}  // namespace

void ApplyProfile(const uint8_t* source, int width, int height, uint8_t* destination, int64_t destinationStride,
                  bool swap, const ColorTransform& transform) {
  if (width <= 0 || height <= 0 || source == nullptr || destination == nullptr) return;
  const ProductTables tables(transform);
  const int64_t pixels = static_cast<int64_t>(width) * height;
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const int bands = pixels < kParallelThreshold ? 1 : static_cast<int>(std::min<int64_t>(cores, height));
  if (bands == 1) {
    ConvertRows(tables, source, width, 0, height, destination, destinationStride, swap);
    return;
  }
  // Each band reads and writes only its own rows, so a conversion in place stays correct.
  auto bandStart = [&](int b) { return static_cast<int>(static_cast<int64_t>(height) * b / bands); };
  std::vector<std::thread> workers;
  int serialFrom = bands;  // bands from here on run on this thread
  for (int b = 1; b < bands; ++b) {
    try {
      workers.emplace_back(ConvertRows, std::cref(tables), source, width, bandStart(b), bandStart(b + 1),
                           destination, destinationStride, swap);
    } catch (const std::system_error&) {
      serialFrom = b;  // no thread to be had: the work is done here instead, the result is the same
      break;
    }
  }
  ConvertRows(tables, source, width, 0, bandStart(1), destination, destinationStride, swap);
  if (serialFrom < bands) {
    ConvertRows(tables, source, width, bandStart(serialFrom), height, destination, destinationStride, swap);
  }
  for (std::thread& w : workers) w.join();
}

}  // namespace tintara
