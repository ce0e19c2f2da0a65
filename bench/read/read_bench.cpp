// Waveform reads of long records against the simulated runtime: the raw
// read on both paths, the millivolt read, and the conversion alone. The
// "library only" variants use a data source that writes nothing, so that
// the runtime's filling of the blocks is not counted.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "uZyvSDK.h"
#include "zyvsim.h"

namespace {

std::string runtimeFolder() {
  char path[4096] = {};
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  std::string p(path, n > 0 ? std::size_t(n) : 0);
  return p.substr(0, p.find_last_of('/') + 1) + "../sim/default/";
}

int32_t silentSource(void*, int32_t, ZyvSimRead*, int32_t*) { return 1; }

// One open group with a record of `length` samples per channel, read with a
// fractional shift.
void openGroup(int32_t length, bool libraryOnly) {
  static bool opened = false;
  if (!opened) {
    zyvsim_reset();
    uZyvSDKSetWorkDir(runtimeFolder().c_str());
    uZyvSDKSelectGroup(0);
    opened = uZyvSDKInit() > 0;
  }
  uZyvSDKSetRecordLength(length);
  uZyvSDKSetSampleRate(1000000000);
  zyvsim_set_read_reply(0, 0, 0, -250);
  ZyvSimWave ramp{ZYVSIM_WAVE_RAMP, -20000, 7, 0, 0, 0};
  zyvsim_set_wave(0, 0, 0, &ramp);
  zyvsim_set_wave(0, 0, 1, &ramp);
  zyvsim_set_data_source(0, libraryOnly ? silentSource : nullptr, nullptr);
}

void count(benchmark::State& state, int32_t length) {
  state.SetItemsProcessed(int64_t(state.iterations()) * 2 * length);
}

void BM_ReadExRawAligned(benchmark::State& state) {
  const auto length = int32_t(state.range(0));
  openGroup(length, state.range(1) != 0);
  std::vector<int16_t> out(2 * std::size_t(length));
  double zero[2], base[2], gain[2];
  for (auto _ : state)
    benchmark::DoNotOptimize(uZyvSDKReadExRaw(0, nullptr, out.data(), zero, base, gain, nullptr));
  count(state, length);
}

void BM_ReadExRawUnshifted(benchmark::State& state) {
  const auto length = int32_t(state.range(0));
  openGroup(length, state.range(1) != 0);
  std::vector<int16_t> out(2 * std::size_t(length));
  double zero[2], base[2], gain[2];
  int32_t timeOffset = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(uZyvSDKReadExRaw(0, nullptr, out.data(), zero, base, gain, &timeOffset));
  count(state, length);
}

void BM_ReadDbl_mv(benchmark::State& state) {
  const auto length = int32_t(state.range(0));
  openGroup(length, state.range(1) != 0);
  std::vector<double> out(2 * std::size_t(length));
  const int32_t multipliers[2] = {1, 10};
  for (auto _ : state) benchmark::DoNotOptimize(uZyvSDKReadDbl_mv(0, nullptr, out.data(), multipliers));
  count(state, length);
}

void BM_RawToDbl_mv(benchmark::State& state) {
  const auto n = int32_t(state.range(0));
  std::vector<int16_t> raw(std::size_t(n), 1234);
  std::vector<double> out(static_cast<std::size_t>(n));
  for (auto _ : state)
    benchmark::DoNotOptimize(uZyvSDKRawToDbl_mv(raw.data(), out.data(), n, 3.5, 12.0, 0.25, -200000.0, 10));
  state.SetItemsProcessed(int64_t(state.iterations()) * n);
}

// Arguments: samples per channel; 1 = library only (no block filling). The
// library's share per sample should be the same from 10 K to 8 M samples.
#define READ_ARGS                                                                                       \
  ->Args({1 << 20, 0})->Args({10 << 10, 1})->Args({100 << 10, 1})->Args({1 << 20, 1})->Args({8 << 20, 1}) \
      ->Unit(benchmark::kMicrosecond)
BENCHMARK(BM_ReadExRawAligned) READ_ARGS;
BENCHMARK(BM_ReadExRawUnshifted) READ_ARGS;
BENCHMARK(BM_ReadDbl_mv) READ_ARGS;
BENCHMARK(BM_RawToDbl_mv)->Arg(10 << 10)->Arg(2 << 20)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
