// White-box checks of the transform engine: window weights, tables, and the
// engine against a plain transcription of its arithmetic (copying every stage
// back) and against a direct DFT.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "spectrum/fft.h"

using uzyv::MyFFT;

namespace {

constexpr int kMax = 2048;

// The transform written out step by step: quadratic bit-reversal search,
// permutation copied back, every stage copied back into the work buffer.
struct PlainTransform {
  struct C {
    double re, im;
  };
  std::vector<C> work = std::vector<C>(kMax), stage = std::vector<C>(kMax), perm = std::vector<C>(kMax);
  std::vector<double> sinT = std::vector<double>(kMax), cosT = std::vector<double>(kMax);
  std::vector<int> table = std::vector<int>(kMax);
  std::vector<double> w = std::vector<double>(kMax);
  double rms = 0;

  void makeWindow(int type, int n) {
    const double pi = double(float(4.0 * std::atan(1.0)));
    double sum = 0;
    for (int i = 0; i < n; ++i) {
      double x = i * (2.0 * pi) / (n - 1);
      double v = 0;
      switch (type) {
        case 0: v = (i < n / 4) ? 0.0 : (i < 3 * n / 4 ? 1.0 : 0.0); break;
        case 1: v = double(0.42f) - 0.5 * std::cos(x) + double(0.08f) * std::cos(2 * x); break;
        case 2: v = 0.5 - 0.5 * std::cos(x); break;
        case 3: v = double(0.54f) - double(0.46f) * std::cos(x); break;
        case 4:
          v = double(0.35875f) - double(0.48829f) * std::cos(x) + double(0.14128f) * std::cos(2 * x) -
              double(0.01168f) * std::cos(3 * x);
          break;
        case 5: v = (i <= (n - 1) / 2) ? 2.0 * i / (n - 1) : 2.0 - 2.0 * i / (n - 1); break;
        case 6: v = std::sin(i * pi / (n - 1)); break;
        case 7: {
          double y = pi * (2.0 * i / (n - 1) - 1.0);
          v = std::sin(y) / y;
          break;
        }
        case 8: {
          double t = 2.5 * (i - n / 2) / (n / 2);
          v = std::exp(-0.5 * (t * t));
          break;
        }
      }
      w[i] = v;
      sum += v * v;
    }
    rms = type == 0 ? std::sqrt(double(n / 2) / n) : std::sqrt(sum / n);
  }

  // Fills out[0 .. n-1]; n >= 2 (the one-point window divides by zero).
  void run(const double* samples, int n, int scale, int type, double* out) {
    const int stages = int(std::log10(double(n)) / std::log10(2.0));
    for (int i = 0; i < n; ++i) table[i] = 0;
    for (int s = 0; s < stages; ++s) {
      int d = n / (1 << (s + 1));
      for (int j = 0; j < (1 << s); ++j) {
        int p = 0;
        while (table[p] != j) ++p;
        table[p + d] = j + (1 << s);
      }
    }
    for (int i = 0; i < n; ++i) {
      double a = 6.283185307 * i / n;
      sinT[i] = std::sin(a);
      cosT[i] = std::cos(a);
    }
    makeWindow(type, n);
    for (int i = 0; i < n; ++i) work[i] = {samples[i], 0.0};
    for (int i = 0; i < n; ++i) work[i].re = work[i].re * w[i];
    for (int i = 0; i < n; ++i) perm[i] = work[table[i]];
    for (int i = 0; i < n; ++i) work[i] = perm[i];
    for (int s = 0; s < stages; ++s) {
      int L = 1 << (s + 1), h = L / 2, G = n / L;
      for (int g = 0; g < G; ++g) {
        int b = g * L;
        for (int l = 0; l < L; ++l) {
          int q = l * G;
          C z = l < h ? work[b + l + h] : work[b + l];
          C base = l < h ? work[b + l] : work[b + l - h];
          double pre = z.re * cosT[q] + z.im * sinT[q];
          double pim = z.im * cosT[q] - z.re * sinT[q];
          stage[b + l] = {base.re + pre, base.im + pim};
        }
      }
      for (int i = 0; i < n; ++i) work[i] = stage[i];
    }
    for (int j = 0; j < n / 2; ++j) {
      double m = std::sqrt(stage[j].re * stage[j].re + stage[j].im * stage[j].im);
      double v = 0;
      if (scale == 0) v = m / n * 2 / rms;
      if (scale == 1) v = 20 * std::log10(m / 1000 / n * 2 / rms);
      if (scale == 2) v = 20 * std::log10(m / 1000 / double(0.2236f) / n * 2 / rms);
      out[2 * j] = out[2 * j + 1] = v;
    }
  }
};

std::vector<double> randomSamples(std::mt19937& rng, int n, double scale) {
  std::uniform_real_distribution<double> d(-scale, scale);
  std::vector<double> v(std::size_t(n) + 1);
  for (double& x : v) x = d(rng);
  return v;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Runs the engine over a copy of the samples.
std::vector<double> runEngine(MyFFT& fft, const std::vector<double>& samples, int n, int scale, int window) {
  std::vector<double> out(std::size_t(n) + 2, -12345.0);
  fft.Load(samples.data(), n);
  EXPECT_EQ(1, fft.Run(n, scale, window, out.data()));
  return out;
}

}  // namespace

TEST(FftWindows, WeightsAndRmsAtEightPointsMatchIndependentValues) {
  // Computed with numpy from the formulas, single-precision pi and coefficients.
  struct Row {
    int type;
    double w[8];
    double rms;
  };
  const Row rows[] = {
      {0, {0, 0, 1, 1, 1, 1, 0, 0}, 0.70710678118654757},
      {1, {-1.4901161193847656e-08, 0.0904534175070036, 0.45918297386369461, 0.92036362950197692,
           0.92036356969869115, 0.45918287649476425, 0.090453376431016155, -1.4901158418290095e-08},
       0.51626057647003099},
      {2, {0, 0.18825510883490215, 0.61126049132984517, 0.9504844502074894, 0.95048441227616576,
           0.61126040609893595, 0.18825504048502384, 7.6605388699135801e-15},
       0.57282195386761536},
      {3, {0.080000013113021851, 0.25319471638297791, 0.64235967533798943, 0.95444572316683274,
           0.9544456882700143, 0.64235959692555156, 0.25319465350108872, 0.080000013113028901},
       0.59036007187915884},
      {4, {5.9968791902065277e-05, 0.033391706229064191, 0.33283352499422725, 0.88936980087404893,
           0.88936971923220909, 0.33283342511363911, 0.03339168498740093, 5.9968791902535387e-05},
       0.47509780602137353},
      {5, {0, 0.2857142857142857, 0.5714285714285714, 0.8571428571428571, 0.85714285714285721,
           0.5714285714285714, 0.28571428571428581, 0},
       0.53452248382484879},
      {6, {0, 0.43388375036972993, 0.78183149804151875, 0.97492792051899402, 0.97492790106559479,
           0.78183144353430567, 0.43388367160452557, -8.7422780003724745e-08},
       0.6614378191894128},
      {7, {-2.7827534378484503e-08, 0.34841053923343251, 0.72410143582491016, 0.96676638347756938,
           0.96676638347756949, 0.72410143582491016, 0.34841053923343268, -2.7827534378484503e-08},
       0.62855986855567847},
      {8, {0.043936933623407413, 0.17242162389375279, 0.45783336177161427, 0.82257756239866464, 1,
           0.82257756239866464, 0.45783336177161427, 0.17242162389375279},
       0.59517637654041244},
  };
  MyFFT fft;
  std::vector<double> samples(8, 1.0), out(8);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.type);
    fft.Load(samples.data(), 8);
    fft.Run(8, 0, row.type, out.data());
    EXPECT_EQ(row.type, fft.windowType());
    for (int i = 0; i < 8; ++i) EXPECT_NEAR(row.w[i], fft.weight(i), 1e-15) << i;
    EXPECT_NEAR(row.rms, fft.windowRms(), 1e-15);
  }
}

TEST(FftEngine, TablesAfterConstructionAndForEightPoints) {
  MyFFT fft;
  EXPECT_EQ(2048, fft.currentSize());
  EXPECT_EQ(-1, fft.windowType());
  EXPECT_EQ(1024, fft.bitReverse(1));
  EXPECT_EQ(2047, fft.bitReverse(2047));
  EXPECT_DOUBLE_EQ(1.0, fft.twiddle(0).cos);

  std::vector<double> samples(8, 0.0), out(8);
  fft.Load(samples.data(), 8);
  fft.Run(8, 0, 2, out.data());
  const int expected[8] = {0, 4, 2, 6, 1, 5, 3, 7};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(expected[i], fft.bitReverse(i)) << i;
  // Pair i is (sin, cos) of 6.283185307 * i / 8, sine first, from the
  // host's own functions (the angle is volatile so that the compiler does
  // not fold the calls with its own, differently rounded, evaluation).
  volatile double angle = 6.283185307 * 2 / 8;
  EXPECT_EQ(std::sin(angle), fft.twiddle(2).sin);
  EXPECT_EQ(std::cos(angle), fft.twiddle(2).cos);
}

TEST(FftEngine, SizeRule) {
  MyFFT fft;
  const struct {
    int32_t count, n;
  } cases[] = {{1, 1}, {2, 2}, {3, 2}, {1000, 512}, {2047, 1024}, {2048, 2048}, {3000, 2048}, {4095, 2048},
               {4096, 0},  {0, 0},  {-1, 0}, {-4096, 0},   {INT32_MAX, 0}, {INT32_MIN, 0}};
  for (const auto& c : cases) EXPECT_EQ(c.n, fft.SetSize(c.count)) << c.count;
}

// The engine is kept across calls, so the order below also exercises the
// rebuilds on every change of size and window and the reuse when neither
// changes; the transcription builds everything afresh each time.
TEST(FftEngine, MatchesPlainTranscriptionBitForBit) {
  MyFFT fft;
  PlainTransform plain;
  std::mt19937 rng(5);
  const int sizes[] = {2, 4, 8, 16, 32, 64, 128, 256, 512, 1024, 2048, 2048, 16, 1024};
  const double scales[] = {1e-3, 1.0, 2500.0};
  std::vector<double> expected(kMax + 2);
  int mismatches = 0;
  for (int n : sizes) {
    for (int window = 0; window < 9; ++window) {
      for (int scale = 0; scale < 3; ++scale) {
        if (n == 2 && window == 5) continue;  // all weights zero: see AllWeightsZeroGivesZeroBinsNotNaN
        const auto samples = randomSamples(rng, n, scales[(window + scale) % 3]);
        const auto got = runEngine(fft, samples, n, scale, window);
        plain.run(samples.data(), n, scale, window, expected.data());
        for (int i = 0; i < n; ++i)
          if (!sameBits(expected[i], got[i]) && mismatches++ < 5)
            ADD_FAILURE() << "n " << n << " window " << window << " scale " << scale << " at " << i << ": "
                          << expected[i] << " vs " << got[i];
        EXPECT_EQ(-12345.0, got[n]) << "wrote past n for n " << n;
      }
    }
  }
  EXPECT_EQ(0, mismatches);
}

TEST(FftEngine, WindowTypeOutOfRange) {
  std::mt19937 rng(7);
  PlainTransform plain;
  std::vector<double> expected(kMax);

  {  // Before any window: unit weights, RMS 1; type stays -1.
    MyFFT fft;
    const auto samples = randomSamples(rng, 2048, 1.0);
    const auto got = runEngine(fft, samples, 2048, 0, 9);
    EXPECT_EQ(-1, fft.windowType());
    EXPECT_EQ(1.0, fft.windowRms());
    for (int i = 0; i < 2048; ++i) ASSERT_EQ(1.0, fft.weight(i));
    for (int i = 0; i < 2048; ++i) ASSERT_TRUE(std::isfinite(got[i]));
    // At another size the unit weights are made for that size.
    runEngine(fft, samples, 256, 0, 100);
    EXPECT_EQ(1.0, fft.windowRms());
  }
  {  // After a window at the same size: that window stays in force.
    MyFFT fft;
    const auto samples = randomSamples(rng, 512, 1.0);
    runEngine(fft, samples, 512, 0, 3);
    for (int type : {9, 1000, INT32_MAX}) {
      const auto got = runEngine(fft, samples, 512, 1, type);
      EXPECT_EQ(3, fft.windowType());
      plain.run(samples.data(), 512, 1, 3, expected.data());
      for (int i = 0; i < 512; ++i) ASSERT_TRUE(sameBits(expected[i], got[i])) << type << " at " << i;
    }
  }
  {  // After a window at another size: the same window, built for the new size.
    MyFFT fft;
    const auto samples = randomSamples(rng, 1024, 1.0);
    runEngine(fft, samples, 1024, 0, 2);
    const auto got = runEngine(fft, samples, 64, 0, 9);
    plain.run(samples.data(), 64, 0, 2, expected.data());
    for (int i = 0; i < 64; ++i) ASSERT_TRUE(sameBits(expected[i], got[i])) << i;
  }
  {  // A negative type becomes current and keeps the weights in force.
    MyFFT fft;
    const auto samples = randomSamples(rng, 128, 1.0);
    runEngine(fft, samples, 128, 0, 6);
    const auto got = runEngine(fft, samples, 128, 0, -3);
    EXPECT_EQ(-3, fft.windowType());
    plain.run(samples.data(), 128, 0, 6, expected.data());
    for (int i = 0; i < 128; ++i) ASSERT_TRUE(sameBits(expected[i], got[i])) << i;
    // ...and a later size change builds the same kind for the new size.
    const auto smaller = runEngine(fft, samples, 32, 0, -3);
    plain.run(samples.data(), 32, 0, 6, expected.data());
    for (int i = 0; i < 32; ++i) ASSERT_TRUE(sameBits(expected[i], smaller[i])) << i;
  }
}

// The direct sum with the exact 2*pi and the engine's own window weights.
TEST(FftEngine, AgreesWithDirectDft) {
  MyFFT fft;
  std::mt19937 rng(11);
  const double pi = std::acos(-1.0);
  for (int n : {8, 64, 2048}) {
    for (int window : {0, 2, 4, 5, 7, 8}) {
      const auto samples = randomSamples(rng, n, 100.0);
      const auto got = runEngine(fft, samples, n, 0, window);
      double peak = 0;
      std::vector<double> dft(std::size_t(n / 2));
      for (int k = 0; k < n / 2; ++k) {
        std::complex<double> sum = 0;
        for (int t = 0; t < n; ++t) {
          const double a = -2.0 * pi * double(k * t % n) / n;
          sum += samples[std::size_t(t)] * fft.weight(t) * std::complex<double>(std::cos(a), std::sin(a));
        }
        dft[std::size_t(k)] = double(std::abs(sum)) / n * 2 / fft.windowRms();
        peak = std::max(peak, dft[std::size_t(k)]);
      }
      for (int k = 0; k < n / 2; ++k) {
        ASSERT_NEAR(dft[std::size_t(k)], got[std::size_t(2 * k)], 1e-9 * peak) << n << " " << window << " bin " << k;
        ASSERT_EQ(got[std::size_t(2 * k)], got[std::size_t(2 * k + 1)]);
      }
    }
  }
}

TEST(FftEngine, AllWeightsZeroGivesZeroBinsNotNaN) {
  // The triangle at two points has weights 0 and 0, so its RMS is 0.
  MyFFT fft;
  std::vector<double> samples{3.0, -1.0};
  auto linear = runEngine(fft, samples, 2, 0, 5);
  EXPECT_EQ(0.0, fft.windowRms());
  EXPECT_EQ(0.0, linear[0]);
  EXPECT_EQ(0.0, linear[1]);
  auto db = runEngine(fft, samples, 2, 1, 5);
  EXPECT_TRUE(std::isinf(db[0]) && db[0] < 0);
}

TEST(FftEngine, OnePointWindowsAreFinite) {
  MyFFT fft;
  std::vector<double> samples{1.0};
  for (int window = 0; window < 9; ++window) {
    runEngine(fft, samples, 1, 0, window);
    EXPECT_FALSE(std::isnan(fft.windowRms())) << window;
    EXPECT_FALSE(std::isnan(fft.weight(0))) << window;
  }
}

// Every way the engine can run the transform (one value at a time, SSE2,
// AVX2 where the processor has it) against the transcription, on many
// random records with large, tiny, subnormal, zero and signed-zero samples.
// The same sequence of calls goes to one engine per kernel, so that the
// cached tables and windows are exercised alike.
namespace {

double specialSample(std::mt19937& rng) {
  static const double values[] = {0.0,     -0.0,    1.0,  -1.0,   4.9e-324, -4.9e-324, 2.2e-308,
                                  1e-300,  -1e-300, 1e300, -1e300, 32767.0,  -32768.0,  0.5};
  return values[rng() % (sizeof values / sizeof values[0])];
}

std::vector<double> mixedSamples(std::mt19937& rng, int n) {
  std::vector<double> v(std::size_t(n) + 1);
  const int kind = int(rng() % 4);
  const double magnitude = std::ldexp(1.0, int(rng() % 80) - 40);
  std::uniform_real_distribution<double> d(-magnitude, magnitude);
  for (double& x : v) {
    switch (kind) {
      case 0: x = d(rng); break;
      case 1: x = rng() % 8 ? d(rng) : specialSample(rng); break;
      case 2: x = double(int(rng() % 65536) - 32768); break;
      default: x = rng() % 3 ? 0.0 : specialSample(rng); break;
    }
  }
  return v;
}

// NaNs compare by kind only: which NaN an operation passes on depends on
// the order of its operands, which the compiler may choose.
bool sameValue(double a, double b) { return (std::isnan(a) && std::isnan(b)) || sameBits(a, b); }

}  // namespace

TEST(FftEngine, EveryKernelMatchesTheTranscriptionOnRandomRecords) {
  std::vector<MyFFT::Kernel> kernels;
  for (MyFFT::Kernel k : {MyFFT::Kernel::kScalar, MyFFT::Kernel::kSse2, MyFFT::Kernel::kAvx2, MyFFT::Kernel::kAvx512})
    if (MyFFT::kernelAvailable(k)) kernels.push_back(k);
  std::vector<std::unique_ptr<MyFFT>> engines;
  for (MyFFT::Kernel k : kernels) {
    engines.push_back(std::make_unique<MyFFT>());
    engines.back()->useKernel(k);
  }
  PlainTransform plain;
  std::mt19937 rng(2024);
  std::vector<double> expected(kMax + 2);
  int mismatches = 0;
  for (int round = 0; round < 600; ++round) {
    const int n = 2 << (rng() % 11);  // 2 .. 2048
    const int window = int(rng() % 9);
    const int scale = int(rng() % 3);
    if (n == 2 && window == 5) continue;  // all weights zero: see AllWeightsZeroGivesZeroBinsNotNaN
    const auto samples = mixedSamples(rng, n);
    plain.run(samples.data(), n, scale, window, expected.data());
    for (std::size_t e = 0; e < engines.size(); ++e) {
      const auto got = runEngine(*engines[e], samples, n, scale, window);
      for (int i = 0; i < n; ++i)
        if (!sameValue(expected[std::size_t(i)], got[std::size_t(i)]) && mismatches++ < 5)
          ADD_FAILURE() << "kernel " << int(kernels[e]) << " n " << n << " window " << window << " scale " << scale
                        << " at " << i << ": " << expected[std::size_t(i)] << " vs " << got[std::size_t(i)];
      EXPECT_EQ(-12345.0, got[std::size_t(n)]) << "wrote past n for n " << n;
    }
  }
  EXPECT_EQ(0, mismatches);
}

// Window types the transcription does not know (out of range, negative) and
// scales that write nothing: every kernel leaves the same state and output.
TEST(FftEngine, KernelsAgreeOnOutOfRangeWindowsAndScales) {
  std::vector<std::unique_ptr<MyFFT>> engines;
  for (MyFFT::Kernel k : {MyFFT::Kernel::kScalar, MyFFT::Kernel::kSse2, MyFFT::Kernel::kAvx2, MyFFT::Kernel::kAvx512}) {
    if (!MyFFT::kernelAvailable(k)) continue;
    engines.push_back(std::make_unique<MyFFT>());
    engines.back()->useKernel(k);
  }
  std::mt19937 rng(77);
  const int windows[] = {9, -1, 3, 100, -7, 8, INT32_MAX, 0};
  const int scales[] = {0, 1, 2, 3, -1};
  for (int round = 0; round < 120; ++round) {
    const int n = 1 << (rng() % 12);
    const int window = windows[rng() % 8];
    const int scale = scales[rng() % 5];
    const auto samples = mixedSamples(rng, n);
    const auto first = runEngine(*engines[0], samples, n, scale, window);
    for (std::size_t e = 1; e < engines.size(); ++e) {
      const auto got = runEngine(*engines[e], samples, n, scale, window);
      EXPECT_EQ(engines[0]->windowType(), engines[e]->windowType());
      EXPECT_TRUE(sameBits(engines[0]->windowRms(), engines[e]->windowRms()));
      for (int i = 0; i < n + 2; ++i)
        ASSERT_TRUE(sameValue(first[std::size_t(i)], got[std::size_t(i)]))
            << "n " << n << " window " << window << " scale " << scale << " at " << i;
    }
  }
}
