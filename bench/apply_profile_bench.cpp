// The pixel work on a 24-megapixel photograph: Tintara's ApplyProfile, the screen bitmap fill (with
// and without a profile's preview) and the quarter turns, beside memcpy of the same bytes (the memory
// bandwidth limit) and a colour-management library's 8-bit RGB transform built from the same profile
// (what a photographer would otherwise use). Each case runs on two images: random pixels, and a
// photograph-like one (smooth gradients, fine grain, a clipped highlight and a deep shadow).
//
// bench/run.sh runs this program pinned to one core, round after round, and prints the ratios.
#include <benchmark/benchmark.h>
#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "engine/apply_profile.h"
#include "engine/profile_engine.h"
#include "image/display_bitmap.h"
#include "image/image_buffer.h"
#include "profiles/profile_record.h"
#include "bench_support.h"

namespace {

using tintara::bench::BenchProfile;

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;  // 24 megapixels
constexpr size_t kBytes = size_t(kWidth) * kHeight * 3;

std::vector<uint8_t> RandomPixels() {
  std::vector<uint8_t> p(kBytes);
  std::mt19937 random(42);
  for (auto& b : p) b = uint8_t(random());
  return p;
}

std::vector<uint8_t> PhotographLikePixels() {
  std::vector<uint8_t> p(kBytes);
  std::mt19937 random(7);
  std::normal_distribution<double> grain(0.0, 2.0);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const double u = double(x) / kWidth, v = double(y) / kHeight;
      double rgb[3] = {40 + 170 * u + 30 * std::sin(9 * v), 60 + 120 * v + 25 * std::cos(7 * u + 3 * v),
                       90 + 80 * (1 - u) * v + 20 * std::sin(13 * u * v)};
      const bool highlight = (u - 0.75) * (u - 0.75) + (v - 0.3) * (v - 0.3) < 0.01;
      const bool shadow = u < 0.15 && v > 0.8;
      uint8_t* out = p.data() + (size_t(y) * kWidth + x) * 3;
      for (int c = 0; c < 3; ++c) {
        double value = highlight ? 255.0 : shadow ? 4.0 + rgb[c] * 0.02 : rgb[c];
        value += grain(random);
        out[c] = uint8_t(std::clamp(std::lround(value), 0L, 255L));
      }
    }
  }
  return p;
}

const std::vector<uint8_t>& Pixels(int64_t which) {
  static const std::vector<uint8_t> random = RandomPixels();
  static const std::vector<uint8_t> photo = PhotographLikePixels();
  return which == 0 ? random : photo;
}

void SetMegapixels(benchmark::State& state) {
  state.counters["MP/s"] = benchmark::Counter(double(kWidth) * kHeight / 1e6 * double(state.iterations()),
                                              benchmark::Counter::kIsRate);
  state.SetLabel(state.range(0) == 0 ? "random" : "photo");
}

// A destination whose pages are already mapped, as a reused buffer's would be.
std::vector<uint8_t> Destination(size_t bytes) { return std::vector<uint8_t>(bytes, 1); }

void BM_ApplyProfile(benchmark::State& state) {
  const auto& src = Pixels(state.range(0));
  std::vector<uint8_t> dst = Destination(src.size());
  const auto& transform = BenchProfile().transform;
  for (auto _ : state) {
    tintara::ApplyProfile(src.data(), kWidth, kHeight, dst.data(), kWidth * 3, false, transform);
    benchmark::DoNotOptimize(dst.data());
  }
  SetMegapixels(state);
}

void BM_Memcpy(benchmark::State& state) {
  const auto& src = Pixels(state.range(0));
  std::vector<uint8_t> dst = Destination(src.size());
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), src.size());
    benchmark::DoNotOptimize(dst.data());
  }
  SetMegapixels(state);
}

void BM_LcmsTransform(benchmark::State& state) {
  const auto& src = Pixels(state.range(0));
  std::vector<uint8_t> dst = Destination(src.size());
  const auto& bytes = BenchProfile().bytes;
  cmsHPROFILE input = cmsOpenProfileFromMem(bytes.data(), cmsUInt32Number(bytes.size()));
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsHTRANSFORM t = cmsCreateTransform(input, TYPE_RGB_8, srgb, TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
  if (!t) {
    state.SkipWithError("the colour-management library refused the profile");
    return;
  }
  for (auto _ : state) {
    cmsDoTransform(t, src.data(), dst.data(), cmsUInt32Number(kWidth) * kHeight);
    benchmark::DoNotOptimize(dst.data());
  }
  cmsDeleteTransform(t);
  cmsCloseProfile(srgb);
  cmsCloseProfile(input);
  SetMegapixels(state);
}

tintara::ImageBuffer Image(int64_t which) {
  const auto& src = Pixels(which);
  tintara::ImageBuffer image;
  if (image.Allocate(kWidth, kHeight) == 0) std::memcpy(image.pixels(), src.data(), src.size());
  return image;
}

// The screen bitmap of an open photograph, refilled: as it is, or through an embedded profile.
void DisplayFill(benchmark::State& state, bool preview) {
  const tintara::ImageBuffer image = Image(state.range(0));
  tintara::DisplayBitmap bitmap;
  const tintara::ColorTransform* transform = preview ? &BenchProfile().transform : nullptr;
  if (image.empty() || tintara::FillDisplayBitmap(bitmap, image, transform) != 0) {
    state.SkipWithError("no memory for the image or its bitmap");
    return;
  }
  for (auto _ : state) {
    tintara::FillDisplayBitmap(bitmap, image, transform);
    benchmark::DoNotOptimize(bitmap.bits());
  }
  SetMegapixels(state);
}

void BM_DisplayFill(benchmark::State& state) { DisplayFill(state, false); }
void BM_DisplayFillPreview(benchmark::State& state) { DisplayFill(state, true); }

// Image > Rotate on a photograph without an unconverted copy: the whole command, the working block
// it takes included.
void BM_RotateClockwise(benchmark::State& state) {
  tintara::ImageBuffer image = Image(state.range(0));
  if (image.empty()) {
    state.SkipWithError("no memory for the image");
    return;
  }
  for (auto _ : state) {
    if (image.RotateClockwise() != 0) state.SkipWithError("no memory for the turn");
    benchmark::DoNotOptimize(image.pixels());
  }
  SetMegapixels(state);
}

void Cases(benchmark::internal::Benchmark* b) {
  b->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);
}

}  // namespace

BENCHMARK(BM_ApplyProfile)->Apply(Cases);
BENCHMARK(BM_Memcpy)->Apply(Cases);
BENCHMARK(BM_LcmsTransform)->Apply(Cases);
BENCHMARK(BM_DisplayFill)->Apply(Cases);
BENCHMARK(BM_DisplayFillPreview)->Apply(Cases);
BENCHMARK(BM_RotateClockwise)->Apply(Cases);
BENCHMARK_MAIN();
