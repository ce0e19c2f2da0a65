// The transform through uZyvSDKGetFFTData: time per call for each size with
// the window kept, with the window changing every call, and FFTW's real
// transform of the same windowed samples as a yardstick. Before timing, the
// spectra are compared with FFTW's; the largest difference relative to the
// peak bin is printed for every size and window.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "uZyvSDK.h"

namespace {

std::vector<double> samples(int n) {
  std::mt19937 rng(1);
  std::uniform_real_distribution<double> d(-1000.0, 1000.0);
  std::vector<double> v(static_cast<std::size_t>(n));
  for (double& x : v) x = d(rng) + 400.0 * std::sin(0.37 * double(&x - v.data()));
  return v;
}

// The library's weights and RMS for a window, recovered from its spectrum of
// unit impulses would be roundabout; they are written out here instead, with
// the same single-precision constants.
std::vector<double> weights(int type, int n) {
  const double pi = double(3.14159265358979323846f);
  std::vector<double> w(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const double x = i * (2 * pi) / (n - 1);
    double v = 1;
    switch (type) {
      case 0: v = (i >= n / 4 && i < 3 * n / 4) ? 1 : 0; break;
      case 1: v = double(0.42f) - 0.5 * std::cos(x) + double(0.08f) * std::cos(2 * x); break;
      case 2: v = 0.5 - 0.5 * std::cos(x); break;
      case 3: v = double(0.54f) - double(0.46f) * std::cos(x); break;
      case 4:
        v = double(0.35875f) - double(0.48829f) * std::cos(x) + double(0.14128f) * std::cos(2 * x) -
            double(0.01168f) * std::cos(3 * x);
        break;
      case 5: v = i <= (n - 1) / 2 ? 2.0 * i / (n - 1) : 2.0 - 2.0 * i / (n - 1); break;
      case 6: v = std::sin(i * pi / (n - 1)); break;
      case 7: {
        const double y = pi * (2.0 * i / (n - 1) - 1);
        v = std::sin(y) / y;
        break;
      }
      case 8: {
        const double t = 2.5 * (i - n / 2) / (n / 2);
        v = std::exp(-0.5 * t * t);
        break;
      }
    }
    w[std::size_t(i)] = v;
  }
  return w;
}

void compareWithFftw() {
  std::printf("largest |library - FFTW| / peak, linear scale:\n");
  for (int n = 8; n <= 2048; n *= 4) {
    std::printf("  N %4d:", n);
    const auto x = samples(n);
    for (int type = 0; type < 9; ++type) {
      const auto w = weights(type, n);
      double sum2 = 0;
      for (double v : w) sum2 += v * v;
      const double rms = type == 0 ? std::sqrt(double(n / 2) / n) : std::sqrt(sum2 / n);
      std::vector<double> in(static_cast<std::size_t>(n));
      for (int i = 0; i < n; ++i) in[std::size_t(i)] = x[std::size_t(i)] * w[std::size_t(i)];
      fftw_complex* out = fftw_alloc_complex(std::size_t(n / 2 + 1));
      fftw_plan plan = fftw_plan_dft_r2c_1d(n, in.data(), out, FFTW_ESTIMATE);
      fftw_execute(plan);
      std::vector<double> lib(static_cast<std::size_t>(n));
      uZyvSDKGetFFTData(x.data(), n, 0, type, lib.data());
      double peak = 0, diff = 0;
      for (int j = 0; j < n / 2; ++j) {
        const double ref = std::hypot(out[j][0], out[j][1]) / n * 2 / rms;
        peak = std::max(peak, ref);
        diff = std::max(diff, std::fabs(ref - lib[std::size_t(2 * j)]));
      }
      std::printf(" %.1e", diff / peak);
      fftw_destroy_plan(plan);
      fftw_free(out);
    }
    std::printf("\n");
  }
}

void BM_Library(benchmark::State& state) {
  const int n = int(state.range(0));
  const auto x = samples(n);
  std::vector<double> out(static_cast<std::size_t>(n));
  for (auto _ : state) {
    uZyvSDKGetFFTData(x.data(), n, 1, 2, out.data());
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_Library)->RangeMultiplier(4)->Range(8, 2048);

// Alternating windows: every call rebuilds the window, never the tables.
void BM_LibraryWindowChanging(benchmark::State& state) {
  const int n = int(state.range(0));
  const auto x = samples(n);
  std::vector<double> out(static_cast<std::size_t>(n));
  int type = 1;
  for (auto _ : state) {
    uZyvSDKGetFFTData(x.data(), n, 0, type, out.data());
    type = 3 - type;
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_LibraryWindowChanging)->Arg(2048);

// Alternating sizes: every call rebuilds both tables and the window.
void BM_LibrarySizeChanging(benchmark::State& state) {
  const auto x = samples(2048);
  std::vector<double> out(2048);
  int n = 2048;
  for (auto _ : state) {
    uZyvSDKGetFFTData(x.data(), n, 0, 2, out.data());
    n = n == 2048 ? 1024 : 2048;
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_LibrarySizeChanging);

void BM_Fftw(benchmark::State& state) {
  const int n = int(state.range(0));
  auto x = samples(n);
  const auto w = weights(2, n);
  std::vector<double> in(static_cast<std::size_t>(n)), mag(static_cast<std::size_t>(n));
  fftw_complex* out = fftw_alloc_complex(std::size_t(n / 2 + 1));
  fftw_plan plan = fftw_plan_dft_r2c_1d(n, in.data(), out, FFTW_MEASURE);
  for (auto _ : state) {
    for (int i = 0; i < n; ++i) in[std::size_t(i)] = x[std::size_t(i)] * w[std::size_t(i)];
    fftw_execute(plan);
    for (int j = 0; j < n / 2; ++j) mag[std::size_t(2 * j)] = mag[std::size_t(2 * j + 1)] =
        20 * std::log10(std::hypot(out[j][0], out[j][1]) / 1000 / n * 2);
    benchmark::DoNotOptimize(mag.data());
  }
  fftw_destroy_plan(plan);
  fftw_free(out);
}
BENCHMARK(BM_Fftw)->RangeMultiplier(4)->Range(8, 2048);

}  // namespace

int main(int argc, char** argv) {
  compareWithFftw();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
