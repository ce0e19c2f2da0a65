// The transform engine: size rule, tables, the nine windows, the butterfly
// stages and the three output scales.
#include "spectrum/fft.h"

#include <array>
#include <cmath>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <immintrin.h>
#endif


namespace uzyv {

namespace {
// Below this size the transform runs one value at a time: the first pass
// needs N/8 to hold a vector of two lanes. Each wider width has its own
// minimum (kMinSize), below which the next narrower one runs.
constexpr int32_t kVectorMinSize = 16;

// The loops at each vector width; every width computes the same bits.
#if defined(__SSE2__)
namespace sse2 {
#define FFT_LANES 2
#define FFT_SQRT(v) ((Vec)_mm_sqrt_pd((__m128d)(v)))
#include "spectrum/fft_kernels.h"
#undef FFT_SQRT
#undef FFT_LANES
}  // namespace sse2
#endif

// AVX2 where the processor has it, chosen at run time; only on 64-bit
// POSIX hosts, whose stacks keep the alignment the wider vectors need. Compiled
// through GCC's target pragma, which clang does not apply; clang builds (the
// fuzz build) take the SSE2 path.
#if defined(__SSE2__) && defined(__x86_64__) && !defined(_WIN32) && defined(__GNUC__) && !defined(__clang__)
#define UZYV_FFT_AVX2 1
#pragma GCC push_options
#pragma GCC target("avx2")
namespace avx2 {
#define FFT_LANES 4
#define FFT_SQRT(v) ((Vec)_mm256_sqrt_pd((__m256d)(v)))
#include "spectrum/fft_kernels.h"
#undef FFT_SQRT
#undef FFT_LANES
}  // namespace avx2
#pragma GCC pop_options

// AVX-512 under the same conditions: eight lanes and 32 registers, so the
// first pass's sixteen vectors of a block stay in registers.
#define UZYV_FFT_AVX512 1
#pragma GCC push_options
#pragma GCC target("avx512f")
namespace avx512 {
#define FFT_LANES 8
// Every lane selected; the masked form names no undefined pass-through.
#define FFT_SQRT(v) ((Vec)_mm512_mask_sqrt_pd((__m512d)(v), __mmask8(0xFF), (__m512d)(v)))
#include "spectrum/fft_kernels.h"
#undef FFT_SQRT
#undef FFT_LANES
}  // namespace avx512
#pragma GCC pop_options
#endif
}  // namespace

namespace {
// The window formulas use pi rounded to single precision and single-precision
// coefficients widened to double; the twiddle angles use 6.283185307.
constexpr double kPi = double(3.14159265358979323846f);  // 3.1415927410125732
constexpr double kTwoPi = 2.0 * kPi;                      // 6.2831854820251465
constexpr double kTwiddleTurn = 6.283185307;
constexpr double kDbuReference = double(0.2236f);  // 0.22360000014305115

double windowWeight(int32_t type, int32_t i, int32_t n) {
  const double di = double(i);
  if (type == 0) return i < n / 4 || i >= 3 * n / 4 ? 0.0 : 1.0;
  // A one-point window would divide by n - 1 = 0 (or n / 2 = 0): its one
  // weight is 1.
  if (n == 1) return 1.0;
  const double last = double(n - 1);
  const double x = di * kTwoPi / last;
  switch (type) {
    case 1:
      return double(0.42f) - 0.5 * std::cos(x) + double(0.08f) * std::cos(2.0 * x);
    case 2:
      return 0.5 - 0.5 * std::cos(x);
    case 3:
      return double(0.54f) - double(0.46f) * std::cos(x);
    case 4:
      return double(0.35875f) - double(0.48829f) * std::cos(x) + double(0.14128f) * std::cos(2.0 * x) -
             double(0.01168f) * std::cos(3.0 * x);
    case 5:
      return i <= (n - 1) / 2 ? 2.0 * di / last : 2.0 - 2.0 * di / last;
    case 6:
      return std::sin(di * kPi / last);
    case 7: {
      const double y = kPi * (2.0 * di / last - 1.0);
      return y == 0.0 ? 1.0 : std::sin(y) / y;
    }
    case 8: {
      const int32_t half = n / 2;
      const double t = 2.5 * double(i - half) / double(half);
      return std::exp(-0.5 * (t * t));
    }
    default:
      return 1.0;  // unit weights
  }
}
}  // namespace

MyFFT::MyFFT()
    : work_(new Complex[kMaxSize]()),
      stage_(new Complex[kMaxSize]()),
      perm_(new Complex[kMaxSize]()),
      twiddles_(new Twiddle[kMaxSize]()),
      bitReverse_(new int32_t[kMaxSize]()),
      window_(new double[kMaxSize]()),
      layout_(new double[kLayoutDoubles]()),
      sources_(new int32_t[kMaxSize]()) {
  // 64-byte aligned parts of kPart doubles: the loaded samples, the four
  // twiddle tables, the four buffers, then the logarithm arguments.
  auto base = reinterpret_cast<uintptr_t>(layout_.get());
  double* part = reinterpret_cast<double*>((base + 63) & ~uintptr_t(63));
  loaded_ = part;
  twiddleTables_ = part + FftPlan::kPart;
  plan_.twiddles = twiddleTables_;
  plan_.buffers = part + 5 * FftPlan::kPart;
  MakeBitReverseTable();
  MakeTwiddles();
  buildWeights(kUnitWeights);
}

MyFFT::~MyFFT() = default;

int32_t MyFFT::SetSize(int32_t count) const {
  if (count <= 0) return 0;
  int32_t halvings = 0;
  for (int32_t c = count; c != 1; c >>= 1) ++halvings;
  const int32_t n = int32_t(1) << halvings;  // halvings <= 30
  return n >= 1 && n <= maxSize_ ? n : 0;
}

void MyFFT::Load(const double* samples, int32_t n) {
  std::memcpy(loaded_, samples, std::size_t(n) * sizeof(double));
}

bool MyFFT::kernelAvailable(Kernel kernel) {
  switch (kernel) {
    case Kernel::kScalar: return true;
#if defined(__SSE2__)
    case Kernel::kSse2: return true;
#endif
#if defined(UZYV_FFT_AVX2)
    case Kernel::kAvx2:
      __builtin_cpu_init();
      return __builtin_cpu_supports("avx2");
#endif
#if defined(UZYV_FFT_AVX512)
    case Kernel::kAvx512:
      __builtin_cpu_init();
      return __builtin_cpu_supports("avx512f");
#endif
    default: return false;
  }
}

MyFFT::Kernel MyFFT::bestKernel() {
  for (Kernel k : {Kernel::kAvx512, Kernel::kAvx2, Kernel::kSse2})
    if (kernelAvailable(k)) return k;
  return Kernel::kScalar;
}

void MyFFT::MakeBitReverseTable() {
  planReady_ = false;
  // Stage s puts j + 2^s at d = N / 2^(s+1) past the position that holds j,
  // for j = 0 .. 2^s - 1. Every value j > 0 is stored once and 0 first sits
  // at position 0, so remembering where each value went stands for the
  // search from the start of the table.
  std::array<int32_t, kMaxSize> positionOf{};
  for (int32_t p = 0; p < size_; ++p) bitReverse_[p] = 0;
  positionOf[0] = 0;
  for (int32_t s = 0; s < stages_; ++s) {
    const int32_t count = int32_t(1) << s;
    const int32_t d = size_ >> (s + 1);
    for (int32_t j = 0; j < count; ++j) {
      const int32_t p = positionOf[std::size_t(j)] + d;
      bitReverse_[p] = j + count;
      positionOf[std::size_t(j + count)] = p;
    }
  }
}

void MyFFT::MakeTwiddles() {
  planReady_ = false;
  for (int32_t i = 0; i < size_; ++i) {
    const double a = kTwiddleTurn * double(i) / double(size_);
    twiddles_[i] = Twiddle{std::sin(a), std::cos(a)};
  }
}

void MyFFT::buildWeights(int32_t kind) {
  planReady_ = false;
  const int32_t n = size_;
  for (int32_t i = 0; i < n; ++i) window_[i] = windowWeight(kind, i, n);
  if (kind == 0) {
    rms_ = std::sqrt(double(n / 2) / double(n));
  } else {
    double sum = 0.0;
    for (int32_t i = 0; i < n; ++i) sum += window_[i] * window_[i];
    rms_ = std::sqrt(sum / double(n));
  }
  weightsKind_ = kind;
  weightsSize_ = n;
}

void MyFFT::keepWeightsForSize() {
  if (weightsSize_ != size_) buildWeights(weightsKind_);
}

void MyFFT::MakeWindow(int32_t type) {
  if (type >= kWindowTypes) {
    keepWeightsForSize();
    return;
  }
  windowType_ = type;
  if (type < 0) {
    keepWeightsForSize();
    return;
  }
  buildWeights(type);
}

void MyFFT::Permute() {
  for (int32_t i = 0; i < size_; ++i) perm_[i] = work_[bitReverse_[i]];
}

const MyFFT::Complex* MyFFT::transform() {
  // Each stage reads one buffer and writes the other; the pair of outputs
  // b+l and b+l+h share their two inputs and differ only in the twiddle
  // (index l*G and (l+h)*G, both taken from the table).
  const int32_t n = size_;
  Complex* src = perm_.get();
  Complex* dst = stage_.get();
  const Twiddle* tw = twiddles_.get();
  for (int32_t s = 0; s < stages_; ++s) {
    const int32_t span = int32_t(2) << s;
    const int32_t half = span / 2;
    const int32_t groups = n / span;
    for (int32_t b = 0; b < n; b += span) {
      for (int32_t l = 0; l < half; ++l) {
        const Complex x = src[b + l];
        const Complex y = src[b + l + half];
        const Twiddle lo = tw[l * groups];
        const Twiddle hi = tw[(l + half) * groups];
        dst[b + l] = Complex{x.re + (y.re * lo.cos + y.im * lo.sin), x.im + (y.im * lo.cos - y.re * lo.sin)};
        dst[b + l + half] = Complex{x.re + (y.re * hi.cos + y.im * hi.sin), x.im + (y.im * hi.cos - y.re * hi.sin)};
      }
    }
    std::swap(src, dst);
  }
  return src;
}

int32_t MyFFT::Run(int32_t n, int32_t scale, int32_t window, double* out) {
  if (n != size_) {
    size_ = n;
    int32_t stages = 0;
    while ((int32_t(1) << stages) < n) ++stages;
    stages_ = stages;  // log2 N, the truncated quotient log10 N / log10 2
    MakeBitReverseTable();
    MakeTwiddles();
    MakeWindow(window);
  }
  if (window != windowType_) MakeWindow(window);
  if (scale < 0 || scale > 2) return 1;  // nothing is written

  if (kernel_ == Kernel::kScalar || n < kVectorMinSize || !kernelAvailable(kernel_)) {
    scalarRun(scale, out);
    return 1;
  }
  if (!planReady_) preparePlan();
  double* logArgument = plan_.buffers + 4 * FftPlan::kPart;  // the layout's last part
#if defined(UZYV_FFT_AVX512)
  if (kernel_ == Kernel::kAvx512 && n >= avx512::kMinSize)
    avx512::run(plan_, scale, out, logArgument);
  else
#endif
#if defined(UZYV_FFT_AVX2)
  if ((kernel_ == Kernel::kAvx2 || kernel_ == Kernel::kAvx512) && n >= avx2::kMinSize)
    avx2::run(plan_, scale, out, logArgument);
  else
#endif
#if defined(__SSE2__)
    sse2::run(plan_, scale, out, logArgument);
#endif
  if (scale != 0) {
    for (int32_t j = 0; j < n / 2; ++j) {
      const double v = 20.0 * std::log10(logArgument[j]);
      out[2 * j] = v;
      out[2 * j + 1] = v;
    }
  }
  return 1;
}

void MyFFT::preparePlan() {
  const int32_t n = size_;
  int32_t* blockStart = sources_.get();
  for (int32_t k = 0; k < n / 8; ++k) blockStart[k] = 8 * bitReverse_[8 * k];
  const Twiddle lo = twiddles_[0];
  const Twiddle hi = twiddles_[n / 2];
  const double zero = 0.0;
  plan_.first = FftPlan::FirstStage{lo.cos,        lo.sin,        hi.cos,        hi.sin,
                                    zero * lo.sin, zero * lo.cos, zero * hi.sin, zero * hi.cos};
  double* cosLo = twiddleTables_;
  double* sinLo = cosLo + FftPlan::kPart;
  double* cosHi = sinLo + FftPlan::kPart;
  double* sinHi = cosHi + FftPlan::kPart;
  for (int32_t s = 1; s < stages_; ++s) {
    const int32_t h = int32_t(1) << s;
    const int32_t groups = n / (2 * h);
    for (int32_t l = 0; l < h; ++l) {
      const Twiddle a = twiddles_[l * groups];
      const Twiddle b = twiddles_[(l + h) * groups];
      cosLo[h + l] = a.cos;
      sinLo[h + l] = a.sin;
      cosHi[h + l] = b.cos;
      sinHi[h + l] = b.sin;
    }
  }
  plan_.n = n;
  plan_.stages = stages_;
  plan_.samples = loaded_;
  plan_.weights = window_.get();
  plan_.blockStart = blockStart;
  plan_.rms = rms_;
  plan_.dbuReference = kDbuReference;
  planReady_ = true;
}

// One value at a time: window in place, permute, the stages, the read-out.
void MyFFT::scalarRun(int32_t scale, double* out) {
  const int32_t n = size_;
  for (int32_t i = 0; i < n; ++i) work_[i] = Complex{loaded_[i], 0.0};
  for (int32_t i = 0; i < n; ++i) work_[i].re *= window_[i];
  Permute();
  const Complex* spectrum = transform();

  // With every weight zero the windowed record is zero: its bins are 0 (or
  // the logarithm of 0) rather than a division by an RMS of 0.
  const double r = rms_;
  const double dn = double(n);
  auto normalised = [r](double v) { return r != 0.0 ? v / r : v * 0.0; };
  for (int32_t j = 0; j < n / 2; ++j) {
    const Complex c = spectrum[j];
    const double m = std::sqrt(c.re * c.re + c.im * c.im);
    double v;
    if (scale == 0) {
      v = normalised(m / dn * 2.0);
    } else if (scale == 1) {
      v = 20.0 * std::log10(normalised(m / 1000.0 / dn * 2.0));
    } else {
      v = 20.0 * std::log10(normalised(m / 1000.0 / kDbuReference / dn * 2.0));
    }
    out[2 * j] = v;
    out[2 * j + 1] = v;
  }
}

}  // namespace uzyv
