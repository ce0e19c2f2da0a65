// The transform engine: size rule, tables, the nine windows, the butterfly
// stages and the three output scales.
#include "spectrum/fft.h"

#include <array>
#include <cmath>
#include <utility>

#include "spectrum/decimal_log.h"

namespace uzyv {

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
      window_(new double[kMaxSize]()) {
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
  for (int32_t i = 0; i < n; ++i) work_[i] = Complex{samples[i], 0.0};
}

void MyFFT::MakeBitReverseTable() {
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
  for (int32_t i = 0; i < size_; ++i) {
    const double a = kTwiddleTurn * double(i) / double(size_);
    twiddles_[i] = Twiddle{std::sin(a), std::cos(a)};
  }
}

void MyFFT::buildWeights(int32_t kind) {
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
      v = 20.0 * decimalLog(normalised(m / 1000.0 / dn * 2.0));
    } else {
      v = 20.0 * decimalLog(normalised(m / 1000.0 / kDbuReference / dn * 2.0));
    }
    out[2 * j] = v;
    out[2 * j + 1] = v;
  }
  return 1;
}

}  // namespace uzyv
