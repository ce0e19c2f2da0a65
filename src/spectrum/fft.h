// The transform engine behind uZyvSDKGetFFTData: a windowed radix-2 FFT of
// up to 2048 real samples and its one-sided amplitude spectrum.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace uzyv {

// The transform laid out for the vector loops: where each block of the first
// pass goes, the stages' twiddles in the order the butterflies use them, and
// two pairs of real and imaginary buffers that the stages write in turn.
struct FftPlan {
  struct FirstStage {
    double cosLo, sinLo, cosHi, sinHi;                  // twiddles 0 and N/2
    double zeroSinLo, zeroCosLo, zeroSinHi, zeroCosHi;  // 0.0 times each
  };
  int32_t n = 0;
  int32_t stages = 0;
  const double* samples = nullptr;  // the loaded samples
  const double* weights = nullptr;  // the window
  // The first three stages work on blocks of 8 elements: block m takes the
  // samples k + j N/8 (j = 0 .. 7, k = m's 3-bit-shorter reversal), and
  // blockStart[k] is 8 m.
  const int32_t* blockStart = nullptr;
  FirstStage first{};
  // Four parts of kPart doubles: the cosines and sines of the twiddles l*G
  // and (l+h)*G, l = 0 .. h-1, of the stage with half-span h at entries
  // h .. 2h-1 of each part.
  static constexpr int32_t kPart = 2048;
  const double* twiddles = nullptr;
  // Four parts of kPart doubles: two real parts, then two imaginary parts;
  // the stages write them in turn.
  double* buffers = nullptr;
  double rms = 1.0;
  double dbuReference = 0.0;
};

class MyFFT {
 public:
  static constexpr int32_t kMaxSize = 2048;
  static constexpr int32_t kWindowTypes = 9;  // types 0 .. 8

  struct Complex {
    double re;
    double im;
  };
  struct Twiddle {
    double sin;
    double cos;
  };

  // Buffers for the maximum size; current size 2048 with both tables built,
  // window type -1 and, until a window is built, unit weights (RMS 1).
  MyFFT();
  virtual ~MyFFT();
  MyFFT(const MyFFT&) = delete;
  MyFFT& operator=(const MyFFT&) = delete;

  // The transform length for a requested count: the largest power of two not
  // above it, or 0 when that is outside 1 .. 2048 (count <= 0 or >= 4096).
  int32_t SetSize(int32_t count) const;

  // The work buffer's first n elements get the samples as real parts and
  // 0.0 as imaginary parts; n is a length SetSize accepted.
  void Load(const double* samples, int32_t n);

  // Makes n and the window current (rebuilding the tables and the window only
  // when they change), windows, permutes and transforms the work buffer, and
  // writes n values (bins 0 .. n/2-1, each twice) in the scale 0 (linear),
  // 1 (dB re 1 V) or 2 (dB re 0.2236 V). Another scale writes nothing. Returns 1.
  int32_t Run(int32_t n, int32_t scale, int32_t window, double* out);

  // Table builders for the current size.
  void MakeBitReverseTable();
  void MakeTwiddles();
  // Builds the window of a type for the current size. A type of 9 or more is
  // refused (the current type is kept); a negative type becomes current and
  // builds nothing. Whenever nothing is built, the weights in force stay of
  // the same kind but are made for the current size.
  void MakeWindow(int32_t type);
  // Permutation buffer element i gets work element table[i].
  void Permute();

  // How the transform is executed. Every kind gives the same bits; the
  // library picks the widest the processor has, the tests each in turn.
  enum class Kernel { kScalar, kSse2, kAvx2, kAvx512 };
  static bool kernelAvailable(Kernel kernel);
  static Kernel bestKernel();
  void useKernel(Kernel kernel) { kernel_ = kernel; }
  Kernel kernel() const { return kernel_; }

  // Engine state, for the library's own checks.
  int32_t currentSize() const { return size_; }
  int32_t windowType() const { return windowType_; }
  double windowRms() const { return rms_; }
  double weight(int32_t i) const { return window_[i]; }
  int32_t bitReverse(int32_t i) const { return bitReverse_[i]; }
  Twiddle twiddle(int32_t i) const { return twiddles_[i]; }

 private:
  static constexpr int32_t kUnitWeights = -1;  // kind of the weights in force before any window
  // The loaded samples, four twiddle tables, two real and two imaginary
  // buffers, the logarithm arguments and room for alignment.
  static constexpr std::size_t kLayoutDoubles = 9 * std::size_t(kMaxSize) + kMaxSize / 2 + 8;

  void buildWeights(int32_t kind);
  void keepWeightsForSize();
  const Complex* transform();  // the stages; returns the buffer holding the result
  void scalarRun(int32_t scale, double* out);
  void preparePlan();  // the vector layout for the current tables and window

  int32_t maxSize_ = kMaxSize;
  std::unique_ptr<Complex[]> work_;
  std::unique_ptr<Complex[]> stage_;
  std::unique_ptr<Complex[]> perm_;
  std::unique_ptr<Twiddle[]> twiddles_;
  std::unique_ptr<int32_t[]> bitReverse_;
  std::unique_ptr<double[]> window_;
  int32_t size_ = kMaxSize;
  int32_t stages_ = 11;
  int32_t windowType_ = -1;
  double rms_ = 1.0;
  int32_t weightsKind_ = kUnitWeights;  // the type whose weights are in force
  int32_t weightsSize_ = 0;             // the size they were built for

  // The vector layout, rebuilt whenever a table or the window changes, and
  // the loaded samples (the work buffer is filled from them only when the
  // transform runs one value at a time).
  std::unique_ptr<double[]> layout_;
  std::unique_ptr<int32_t[]> sources_;
  double* loaded_ = nullptr;
  double* twiddleTables_ = nullptr;  // the plan's four twiddle tables
  FftPlan plan_;
  bool planReady_ = false;
  Kernel kernel_ = bestKernel();
};

// The library's one engine, a member of the library object; created now if
// the load could not create it (throws std::bad_alloc when it still cannot
// be).
MyFFT& requireSpectrumEngine();

}  // namespace uzyv
