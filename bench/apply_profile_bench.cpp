// Converting a 24-megapixel photograph with a profile: Tintara's ApplyProfile beside memcpy of the same
// bytes (the memory bandwidth limit) and a colour-management library's 8-bit RGB transform built from
// the same profile (what a photographer would otherwise use).
#include <benchmark/benchmark.h>
#include <lcms2.h>

#include <cstring>
#include <random>
#include <vector>

#include "engine/apply_profile.h"
#include "engine/profile_engine.h"
#include "profiles/profile_record.h"

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;  // 24 megapixels

// A profile fitted to a plausible camera, so the curves and matrix are not trivial.
const tintara::ProfileRecord& BenchProfile() {
  static const tintara::ProfileRecord record = [] {
    uint16_t samples[90];
    tintara::ReferenceSet ref{"Bench", {}};
    for (int i = 0; i < 30; ++i) {
      const int v = 10 + 8 * i;
      samples[i] = uint16_t(v * 0.85 + 5);
      samples[30 + i] = uint16_t(v * 0.9);
      samples[60 + i] = uint16_t(v * 0.8 + 12);
      ref.entries.push_back({uint16_t(v), uint16_t(std::min(255, v + 3)), uint16_t(v), 100});
    }
    tintara::EngineContext ctx;
    tintara::RunProfileEngine(ctx, samples, 30, ref, {});
    tintara::ProfileRecord r;
    tintara::SetProfileBytes(r, ctx.profile.bytes.data(), int64_t(ctx.profile.bytes.size()));
    return r;
  }();
  return record;
}

const std::vector<uint8_t>& Photo() {
  static const std::vector<uint8_t> pixels = [] {
    std::vector<uint8_t> p(size_t(kWidth) * kHeight * 3);
    std::mt19937 random(42);
    for (auto& b : p) b = uint8_t(random());
    return p;
  }();
  return pixels;
}

void SetMegapixels(benchmark::State& state) {
  state.counters["MP/s"] = benchmark::Counter(double(kWidth) * kHeight / 1e6 * double(state.iterations()),
                                              benchmark::Counter::kIsRate);
}

void BM_ApplyProfile(benchmark::State& state) {
  const auto& src = Photo();
  std::vector<uint8_t> dst(src.size());
  const auto& transform = BenchProfile().transform;
  for (auto _ : state) {
    tintara::ApplyProfile(src.data(), kWidth, kHeight, dst.data(), kWidth * 3, false, transform);
    benchmark::DoNotOptimize(dst.data());
  }
  SetMegapixels(state);
}

void BM_Memcpy(benchmark::State& state) {
  const auto& src = Photo();
  std::vector<uint8_t> dst(src.size());
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), src.size());
    benchmark::DoNotOptimize(dst.data());
  }
  SetMegapixels(state);
}

void BM_LcmsTransform(benchmark::State& state) {
  const auto& src = Photo();
  std::vector<uint8_t> dst(src.size());
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

}  // namespace

BENCHMARK(BM_ApplyProfile)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_LcmsTransform)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK_MAIN();
