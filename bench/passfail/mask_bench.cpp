// The mask build through uZyvSDKPassFailInit for a reference of a million
// samples, with time windows from 1 to 10,000 samples: the time per build
// should not grow with the window.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "uZyvSDK.h"

namespace {

void BM_MaskBuild(benchmark::State& state) {
  const int32_t count = int32_t(state.range(0));
  const int64_t window = state.range(1);  // samples back + samples ahead + 1
  std::mt19937 rng(2);
  std::uniform_int_distribution<int> noise(-40, 40);
  std::vector<int16_t> ref(static_cast<std::size_t>(count));
  for (int32_t i = 0; i < count; ++i)
    ref[std::size_t(i)] = int16_t(1500.0 * std::sin(i * 0.001) + noise(rng));
  const int64_t rate = 1000000000;  // 1000 ps per sample
  const int64_t before = (window - 1) / 2 * 1000, after = (window - 1 - (window - 1) / 2) * 1000;
  const double divisor = 1.0;
  for (auto _ : state) {
    if (!uZyvSDKPassFailInit(ref.data(), count, rate, before, after, 5000000, 5000000, 1, &divisor, 0))
      state.SkipWithError("build refused");
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * count);
}
BENCHMARK(BM_MaskBuild)
    ->Args({1000000, 1})
    ->Args({1000000, 100})
    ->Args({1000000, 10000})
    ->Args({1000000, 1000001})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
