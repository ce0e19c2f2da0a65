// Side-by-side timing of the library's heavy paths against their anchors, in
// one process and one run: the spectrum against FFTW, a full measurement
// against one plain scalar pass over the same samples, the millivolt read
// against memcpy of its output, the aligned raw read at two lengths, and the
// mask build at two time windows.
//
// Each line alternates the library and its anchor for a number of rounds
// and keeps the shortest time of each (thread CPU time, so that time spent
// waiting for a core on a busy machine is not counted).
//
//   compare [rounds]     (default 15)
#include <fftw3.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "uZyvSDK.h"
#include "zyvsim.h"

namespace {

double threadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

// Shortest time per call of `work` over `rounds` batches of `calls` calls.
struct Timer {
  double best = 1e30;
  void measure(int calls, const std::function<void()>& work) {
    const double t0 = threadSeconds();
    for (int i = 0; i < calls; ++i) work();
    best = std::min(best, (threadSeconds() - t0) / calls);
  }
};

// Runs library and anchor alternately; calls per batch chosen so that a
// batch of the library takes about 2 ms.
void race(int rounds, Timer& library, const std::function<void()>& lib, Timer& anchor,
          const std::function<void()>& ref) {
  const double t0 = threadSeconds();
  lib();
  const double once = std::max(threadSeconds() - t0, 1e-7);
  const int calls = std::max(1, int(0.002 / once));
  for (int r = 0; r < rounds; ++r) {
    library.measure(calls, lib);
    anchor.measure(calls, ref);
  }
}

std::string runtimeFolder() {
  char path[4096] = {};
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  std::string p(path, n > 0 ? std::size_t(n) : 0);
  return p.substr(0, p.find_last_of('/') + 1) + "../sim/default/";
}

bool openGroup() {
  zyvsim_reset();
  uZyvSDKSetWorkDir(runtimeFolder().c_str());
  uZyvSDKSelectGroup(0);
  return uZyvSDKInit() > 0;
}

std::string micro(double s) {
  char b[32];
  if (s >= 1e-3)
    std::snprintf(b, sizeof b, "%.2f ms", s * 1e3);
  else
    std::snprintf(b, sizeof b, "%.1f us", s * 1e6);
  return b;
}

void row(const char* work, double lib, const char* anchorName, double anchor, const std::string& ratio,
         const char* goal) {
  std::printf("| %s | %s | %s: %s | %s | %s |\n", work, micro(lib).c_str(), anchorName, micro(anchor).c_str(),
              ratio.c_str(), goal);
}

std::string times(double r) {
  char b[32];
  std::snprintf(b, sizeof b, "%.2fx", r);
  return b;
}

// ---------------------------------------------------------------------------
// Spectrum: N 2048, Hanning, linear and dB re 1 V.
void spectrum(int rounds) {
  const int n = 2048;
  std::mt19937 rng(1);
  std::uniform_real_distribution<double> d(-1000.0, 1000.0);
  std::vector<double> x(n), out(n), in(n), mag(n), w(n);
  for (int i = 0; i < n; ++i) x[std::size_t(i)] = d(rng) + 400.0 * std::sin(0.37 * i);
  const double pi = double(3.14159265358979323846f);
  double sum2 = 0;
  for (int i = 0; i < n; ++i) {
    w[std::size_t(i)] = 0.5 - 0.5 * std::cos(i * (2 * pi) / (n - 1));
    sum2 += w[std::size_t(i)] * w[std::size_t(i)];
  }
  const double rms = std::sqrt(sum2 / n);
  fftw_complex* bins = fftw_alloc_complex(n / 2 + 1);
  fftw_plan plan = fftw_plan_dft_r2c_1d(n, in.data(), bins, FFTW_MEASURE);
  auto fftwPipeline = [&](bool db) {
    for (int i = 0; i < n; ++i) in[std::size_t(i)] = x[std::size_t(i)] * w[std::size_t(i)];
    fftw_execute(plan);
    for (int j = 0; j < n / 2; ++j) {
      const double m = std::sqrt(bins[j][0] * bins[j][0] + bins[j][1] * bins[j][1]);
      const double v = db ? 20 * std::log10(m / 1000 / n * 2 / rms) : m / n * 2 / rms;
      mag[std::size_t(2 * j)] = mag[std::size_t(2 * j + 1)] = v;
    }
  };
  for (int scale = 0; scale < 2; ++scale) {
    Timer lib, ref;
    race(rounds, lib, [&] { uZyvSDKGetFFTData(x.data(), n, scale, 2, out.data()); }, ref,
         [&] { fftwPipeline(scale == 1); });
    if (scale == 0)
      row("`uZyvSDKGetFFTData`, N 2048, Hanning, linear", lib.best, "FFTW r2c + magnitude + scale", ref.best,
          times(lib.best / ref.best), "<= 1.5x");
    else
      row("the same, dB relative to 1 V", lib.best, "FFTW pipeline with `log10`", ref.best,
          times(lib.best / ref.best), "<= 1.1x");
  }
  fftw_destroy_plan(plan);
  fftw_free(bins);
}

// ---------------------------------------------------------------------------
// Measurement: all 31 types on 4M samples with a reference channel.
std::vector<int16_t> squareWave(int32_t n, int32_t period, int32_t amplitude, int32_t shift) {
  std::vector<int16_t> s(static_cast<std::size_t>(n));
  uint32_t noise = 12345;
  for (int32_t i = 0; i < n; ++i) {
    const int32_t phase = (i + shift) % period;
    int32_t v = phase < period / 2 ? amplitude : -amplitude;
    if (phase < 8) v = -amplitude + 2 * amplitude * phase / 8;
    noise = noise * 1664525u + 1013904223u;
    v += int32_t(noise >> 29) - 4;
    s[static_cast<std::size_t>(i)] = int16_t(v);
  }
  return s;
}

// The anchor: extremes and sum, one sample at a time.
__attribute__((noinline, optimize("no-tree-vectorize"))) int64_t scalarPass(const int16_t* s, int32_t n,
                                                                             int32_t& maximum, int32_t& minimum) {
  int64_t sum = 0;
  int32_t hi = -32768, lo = 32767;
  for (int32_t i = 0; i < n; ++i) {
    const int32_t v = s[i];
    hi = v > hi ? v : hi;
    lo = v < lo ? v : lo;
    sum += v;
  }
  maximum = hi;
  minimum = lo;
  return sum;
}

void measurement(int rounds) {
  const int32_t n = 4 << 20;
  const auto ch0 = squareWave(n, 1000, 20000, 0);
  const auto ch1 = squareWave(n, 1000, 20000, 250);
  MeasParams p{};
  p.sampleRate = 100000000;
  for (int i = 0; i < 2; ++i) {
    p.gain[i] = 0.1;
    p.multiplier[i] = 10;
  }
  p.samples[0] = const_cast<int16_t*>(ch0.data());
  p.samples[1] = const_cast<int16_t*>(ch1.data());
  std::vector<int32_t> types;
  for (int32_t k = 0; k < UZYV_MEAS_TYPES; ++k) types.push_back(k);
  types.push_back(UZYV_MEAS_LIST_END);
  uint8_t valid[UZYV_MEAS_TYPES] = {};
  double values[UZYV_MEAS_TYPES] = {};
  volatile int64_t sink = 0;
  Timer lib, ref;
  race(rounds, lib, [&] { uZyvSDKMeasurement(types.data(), 0, n, &p, nullptr, valid, values); }, ref, [&] {
    int32_t hi = 0, lo = 0;
    sink = sink + scalarPass(ch0.data(), n, hi, lo) + hi + lo;
  });
  row("`uZyvSDKMeasurement`, all 31 types, 4 M samples with reference", lib.best,
      "one scalar pass of sum/max/min over the same samples", ref.best, times(lib.best / ref.best), "<= 6x");
}

// ---------------------------------------------------------------------------
// Reads. The data source writes nothing, so that the runtime's filling of
// the blocks is not counted: what is timed is the library's share.
int32_t silentSource(void*, int32_t, ZyvSimRead*, int32_t*) { return 1; }

void setRecord(int32_t length) {
  uZyvSDKSetRecordLength(length);
  uZyvSDKSetSampleRate(1000000000);
  zyvsim_set_read_reply(0, 0, 0, -250);  // a quarter-sample shift
  zyvsim_set_data_source(0, silentSource, nullptr);
}

void reads(int rounds) {
  {
    const int32_t length = 1 << 20;
    setRecord(length);
    std::vector<double> out(2 * std::size_t(length)), copy(out.size());
    const int32_t multipliers[2] = {1, 10};
    Timer lib, ref;
    race(rounds, lib, [&] { uZyvSDKReadDbl_mv(0, nullptr, out.data(), multipliers); }, ref,
         [&] { std::memcpy(copy.data(), out.data(), out.size() * sizeof(double)); });
    char share[32];
    std::snprintf(share, sizeof share, "%.0f %% of memcpy", 100.0 * ref.best / lib.best);
    row("`uZyvSDKReadDbl_mv`, 1 M samples per channel", lib.best, "`memcpy` of the 16 MB of output", ref.best,
        share, ">= 50 %");
  }
  {
    Timer small, large;
    std::vector<int16_t> out(2 * std::size_t(8 << 20));
    double zero[2], base[2], gain[2];
    for (int r = 0; r < rounds; ++r) {
      for (int32_t length : {1 << 20, 8 << 20}) {
        setRecord(length);
        Timer& t = length == (1 << 20) ? small : large;
        t.measure(length == (1 << 20) ? 8 : 1,
                  [&] { uZyvSDKReadExRaw(0, nullptr, out.data(), zero, base, gain, nullptr); });
      }
    }
    const double perSmall = small.best / (2.0 * (1 << 20));
    const double perLarge = large.best / (2.0 * (8 << 20));
    char lib[64], anchor[64];
    std::snprintf(lib, sizeof lib, "%.2f ns vs %.2f ns", perLarge * 1e9, perSmall * 1e9);
    std::snprintf(anchor, sizeof anchor, "-");
    std::printf("| `uZyvSDKReadExRaw` aligned, per sample, 8 M vs 1 M per channel | %s | %s | %s | <= 1.2x (flat) |\n",
                lib, anchor, times(perLarge / perSmall).c_str());
  }
}

// ---------------------------------------------------------------------------
// Mask build: a reference of a million samples with time windows of 101 and
// 10,001 samples; the build is linear in the reference, whatever the window.
void maskBuild(int rounds) {
  const int32_t count = 1000000;
  std::mt19937 rng(2);
  std::uniform_int_distribution<int> noise(-40, 40);
  std::vector<int16_t> ref(static_cast<std::size_t>(count));
  for (int32_t i = 0; i < count; ++i) ref[std::size_t(i)] = int16_t(1500.0 * std::sin(i * 0.001) + noise(rng));
  const double divisor = 1.0;
  auto build = [&](int64_t window) {
    const int64_t before = (window - 1) / 2 * 1000, after = (window - 1 - (window - 1) / 2) * 1000;
    uZyvSDKPassFailInit(ref.data(), count, 1000000000, before, after, 5000000, 5000000, 1, &divisor, 0);
  };
  Timer narrow, wide;
  race(rounds, wide, [&] { build(10001); }, narrow, [&] { build(101); });
  row("mask build, 1 M samples, window 10,001", wide.best, "the same with window 101", narrow.best,
      times(wide.best / narrow.best), "about 1x (linear)");
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  if (!openGroup()) {
    std::fprintf(stderr, "compare: the simulated runtime could not be opened\n");
    return 1;
  }
  std::printf("| Work | Library | Anchor, same run | Ratio | Goal |\n|---|---|---|---|---|\n");
  spectrum(rounds);
  measurement(rounds);
  reads(rounds);
  maskBuild(rounds);
  return 0;
}
