// The measurement engine on long blocks: a whole run with every type
// requested, the level stage alone in both histogram layouts, and the cost
// of a short run. Heap allocations during the timed runs are counted.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

#include "measure/engine.h"

namespace {

std::atomic<long> g_allocations{0};

}  // namespace

void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

using uzyv::AqMeasurement;
using uzyv::MeasInput;

// A square wave of `period` samples between -amplitude and +amplitude with
// slow edges and a little deterministic noise, shifted by `shift`.
std::vector<int16_t> signal(int32_t n, int32_t period, int32_t amplitude, int32_t shift) {
  std::vector<int16_t> s(static_cast<std::size_t>(n));
  uint32_t noise = 12345;
  for (int32_t i = 0; i < n; ++i) {
    const int32_t phase = (i + shift) % period;
    int32_t v = phase < period / 2 ? amplitude : -amplitude;
    if (phase < 8) v = -amplitude + 2 * amplitude * phase / 8;  // rising ramp
    noise = noise * 1664525u + 1013904223u;
    v += int32_t(noise >> 29) - 4;
    s[static_cast<std::size_t>(i)] = int16_t(v);
  }
  return s;
}

struct Setup {
  AqMeasurement engine;
  MeasInput in;
  std::vector<int16_t> ch0, ch1;

  Setup(int32_t n, int32_t amplitude, bool allTypes) {
    engine.Allocate(2);
    ch0 = signal(n, 1000, amplitude, 0);
    ch1 = signal(n, 1000, amplitude, 250);
    in.sampleRate = 100000000;
    for (int i = 0; i < 2; ++i) {
      in.channel[i].gain = 0.1;
      in.channel[i].multiplier = 1;
    }
    in.channel[0].samples = ch0.data();
    in.channel[1].samples = ch1.data();
    in.skipMask = ~3u;
    engine.ClearRequests();
    if (allTypes)
      for (int32_t k = 0; k < uzyv::kMeasSlots; ++k) engine.RequestType(k);
  }
};

void runBlocks(benchmark::State& state, int32_t amplitude, bool allTypes) {
  const auto n = static_cast<int32_t>(state.range(0));
  Setup setup(n, amplitude, allTypes);
  long allocations = 0;
  for (auto _ : state) {
    const long before = g_allocations.load();
    setup.engine.SetRange(-1, 0, n);
    benchmark::DoNotOptimize(setup.engine.Run(&setup.in));
    allocations += g_allocations.load() - before;
  }
  state.SetItemsProcessed(state.iterations() * int64_t(n));
  state.counters["allocs/run"] = benchmark::Counter(double(allocations) / double(state.iterations()));
}

// Every type on both channels, 65,536-bin histogram (levels beyond +-2048).
void BM_RunAllTypes(benchmark::State& state) { runBlocks(state, 20000, true); }
// Level stage only, 4096-bin histogram.
void BM_LevelsNarrowHistogram(benchmark::State& state) { runBlocks(state, 1000, false); }
// Level stage only, 65,536-bin histogram.
void BM_LevelsWideHistogram(benchmark::State& state) { runBlocks(state, 20000, false); }

}  // namespace

BENCHMARK(BM_RunAllTypes)->Arg(4096)->Arg(1 << 20)->Arg(1 << 23)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LevelsNarrowHistogram)->Arg(4096)->Arg(1 << 20)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LevelsWideHistogram)->Arg(4096)->Arg(1 << 20)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
