#include "bench_support.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "engine/profile_engine.h"

namespace tintara::bench {

const ProfileRecord& BenchProfile() {
  static const ProfileRecord record = [] {
    uint16_t samples[90];
    ReferenceSet ref{"Bench", {}};
    for (int i = 0; i < 30; ++i) {
      const int v = 10 + 8 * i;
      samples[i] = uint16_t(v * 0.85 + 5);
      samples[30 + i] = uint16_t(v * 0.9);
      samples[60 + i] = uint16_t(v * 0.8 + 12);
      ref.entries.push_back({uint16_t(v), uint16_t(std::min(255, v + 3)), uint16_t(v), 100});
    }
    EngineContext ctx;
    RunProfileEngine(ctx, samples, 30, ref, {});
    ProfileRecord r;
    SetProfileBytes(r, ctx.profile.bytes.data(), int64_t(ctx.profile.bytes.size()));
    r.name = "Bench";
    return r;
  }();
  return record;
}

void QuietPresenter::ShowMessageBox(const std::string& caption, const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

}  // namespace tintara::bench
