// Waveform reads: one device's two channels are read through the runtime
// into a scratch buffer 4096 samples per channel longer than the record, the
// record is cut out of the middle of each block, optionally shifted by a
// fraction of a sample to line up with the trigger, and converted into
// millivolts or microvolts with the device's calibration.
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "acquisition/acquisition.h"
#include "acquisition/alignment.h"
#include "acquisition/scratch.h"

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace uzyv {

bool g_vectorReads = true;

#if defined(__SSE2__)
namespace {

// Four codes (the low half of `codes`) as two pairs of doubles.
inline void widenCodes(__m128i codes, __m128d& lo, __m128d& hi) {
  const __m128i words = _mm_srai_epi32(_mm_unpacklo_epi16(codes, codes), 16);
  lo = _mm_cvtepi32_pd(words);
  hi = _mm_cvtepi32_pd(_mm_shuffle_epi32(words, 0xEE));
}

// Conversion on two values at a time, with the operations of Conversion.
struct ConversionVector {
  __m128d zero, gain, base, offset, multiplier;
  bool microvolts;
  explicit ConversionVector(const Conversion& c)
      : zero(_mm_set1_pd(c.zeroLevel)),
        gain(_mm_set1_pd(c.gain)),
        base(_mm_set1_pd(c.baseOffset)),
        offset(_mm_set1_pd(c.offsetMv)),
        multiplier(_mm_set1_pd(c.multiplier)),
        microvolts(c.microvolts) {}
  __m128d operator()(__m128d raw) const {
    const __m128d mv = _mm_mul_pd(
        multiplier, _mm_add_pd(_mm_add_pd(_mm_mul_pd(_mm_sub_pd(raw, zero), gain), base), offset));
    return microvolts ? _mm_mul_pd(mv, _mm_set1_pd(1000.0)) : mv;
  }
};

// Aligned values from two pairs of neighbouring codes, as alignedValue
// computes them: weighted sum, bounded to the int16 range (NaN to the
// lower bound), truncated toward zero.
struct AlignVector {
  __m128d first, second;  // the weights of s[n] and s[n + 1]
  explicit AlignVector(const Alignment& a)
      : first(_mm_set1_pd(a.d >= 0 ? a.f : a.e)), second(_mm_set1_pd(a.d >= 0 ? a.e : a.f)) {}
  __m128d weighted(__m128d a, __m128d b) const { return _mm_add_pd(_mm_mul_pd(first, a), _mm_mul_pd(second, b)); }
  // Four aligned codes, as int32 lanes.
  __m128i codes(__m128d a0, __m128d b0, __m128d a1, __m128d b1) const {
    const __m128d lower = _mm_set1_pd(-32768.0), upper = _mm_set1_pd(32767.0);
    const __m128d v0 = _mm_min_pd(_mm_max_pd(weighted(a0, b0), lower), upper);
    const __m128d v1 = _mm_min_pd(_mm_max_pd(weighted(a1, b1), lower), upper);
    return _mm_unpacklo_epi64(_mm_cvttpd_epi32(v0), _mm_cvttpd_epi32(v1));
  }
};

// Aligned codes n .. n+7 from s[n .. n+8], as int32 lanes.
inline void alignedEight(const AlignVector& align, const int16_t* s, __m128i& low, __m128i& high) {
  const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
  const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 1));
  __m128d a0, a1, a2, a3, b0, b1, b2, b3;
  widenCodes(a, a0, a1);
  widenCodes(_mm_unpackhi_epi64(a, a), a2, a3);
  widenCodes(b, b0, b1);
  widenCodes(_mm_unpackhi_epi64(b, b), b2, b3);
  low = align.codes(a0, b0, a1, b1);
  high = align.codes(a2, b2, a3, b3);
}

}  // namespace
#endif

// AVX2 where the processor has it (64-bit POSIX hosts), chosen at run time.
// The wider code is compiled through GCC's target pragma, which clang does
// not apply; clang builds (the fuzz build) take the SSE2 path.
#if defined(__SSE2__) && defined(__x86_64__) && !defined(_WIN32) && defined(__GNUC__) && !defined(__clang__)
#define UZYV_READ_AVX2 1
namespace {

// Records of at least this many samples per channel are written with
// streaming stores.
constexpr int32_t kStreamingLength = 1 << 18;

bool haveAvx2() {
  static const bool have = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return have;
}

#pragma GCC push_options
#pragma GCC target("avx2")
// The aligned codes n .. n+7 from s[n .. n+8], as alignedValue computes
// them, as two sets of four int32 lanes.
struct AlignLanes {
  __m256d first, second, lower, upper;
  explicit AlignLanes(const Alignment& shift)
      : first(_mm256_set1_pd(shift.d >= 0 ? shift.f : shift.e)),
        second(_mm256_set1_pd(shift.d >= 0 ? shift.e : shift.f)),
        lower(_mm256_set1_pd(-32768.0)),
        upper(_mm256_set1_pd(32767.0)) {}
  __m128i four(__m128i a, __m128i b) const {
    const __m256d v =
        _mm256_add_pd(_mm256_mul_pd(first, _mm256_cvtepi32_pd(a)), _mm256_mul_pd(second, _mm256_cvtepi32_pd(b)));
    return _mm256_cvttpd_epi32(_mm256_min_pd(_mm256_max_pd(v, lower), upper));
  }
  void eight(const int16_t* s, __m128i& low, __m128i& high) const {
    const __m256i a = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)));
    const __m256i b = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 1)));
    low = four(_mm256_castsi256_si128(a), _mm256_castsi256_si128(b));
    high = four(_mm256_extracti128_si256(a, 1), _mm256_extracti128_si256(b, 1));
  }
};

// The values before the first output element on a `boundary`-byte boundary,
// one at a time, so that no vector store splits a cache line; returns where
// the vectors start (0 when the elements themselves are misaligned).
template <class T, class One>
int32_t upToBoundary(T* out, int32_t length, uintptr_t boundary, One&& one) {
  int32_t n = 0;
  if (reinterpret_cast<uintptr_t>(out) % alignof(T) == 0)
    for (; n + 8 <= length && reinterpret_cast<uintptr_t>(out + n) % boundary != 0; ++n) out[n] = one(n);
  return n;
}

// alignAndConvert's loop at four lanes: returns the first n it left.
template <bool kMicrovolts>
int32_t alignAndConvertAvx2(const int16_t* s, int32_t length, const Alignment& shift, const Conversion& c,
                            double* out) {
  const AlignLanes align(shift);
  const __m256d zero = _mm256_set1_pd(c.zeroLevel), gain = _mm256_set1_pd(c.gain);
  const __m256d base = _mm256_set1_pd(c.baseOffset), offset = _mm256_set1_pd(c.offsetMv);
  const __m256d multiplier = _mm256_set1_pd(c.multiplier), thousand = _mm256_set1_pd(1000.0);
  auto convert = [&](__m128i codes) {
    const __m256d raw = _mm256_cvtepi32_pd(codes);
    const __m256d mv = _mm256_mul_pd(
        multiplier, _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(raw, zero), gain), base), offset));
    return kMicrovolts ? _mm256_mul_pd(mv, thousand) : mv;
  };
  auto eight = [&](int32_t n, auto&& put) {
    __m128i low, high;
    align.eight(s + n, low, high);
    put(out + n, convert(low));
    put(out + n + 4, convert(high));
  };
  int32_t n = upToBoundary(out, length, 32, [&](int32_t i) { return c(alignedValue(shift, s[i], s[i + 1])); });
  // A long record goes past the caches straight to memory, which spares
  // reading in the lines it overwrites; the stores need 32-byte alignment.
  const bool streaming = length >= kStreamingLength && reinterpret_cast<uintptr_t>(out + n) % 32 == 0;
  if (streaming) {
    for (; n + 8 <= length; n += 8) eight(n, [](double* p, __m256d v) { _mm256_stream_pd(p, v); });
    _mm_sfence();
  }
  for (; n + 8 <= length; n += 8) eight(n, [](double* p, __m256d v) { _mm256_storeu_pd(p, v); });
  return n;
}

// alignCodes' loop at four lanes: returns the first n it left.
int32_t alignCodesAvx2(const int16_t* s, int32_t length, const Alignment& shift, int16_t* out) {
  const AlignLanes align(shift);
  int32_t n = upToBoundary(out, length, 16, [&](int32_t i) { return alignedValue(shift, s[i], s[i + 1]); });
  for (; n + 8 <= length; n += 8) {
    __m128i low, high;
    align.eight(s + n, low, high);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + n), _mm_packs_epi32(low, high));
  }
  return n;
}
#pragma GCC pop_options

}  // namespace
#endif

bool deviceLagSamples(int32_t device, double period, int32_t& lag) {
  lag = 0;
  // The product is an int32 and wraps as one.
  const auto product = int32_t(uint32_t(device) * uint32_t(kDeviceLagPs));
  if (std::isinf(period)) return true;  // rate 0: the lag vanishes
  const double truncated = std::trunc(period);
  // Periods come from 10^12 / rate with a non-zero integer rate, so they
  // lie within +-10^12 and truncate safely; below 1 the divisor would be 0.
  if (!(std::fabs(truncated) >= 1.0 && std::fabs(truncated) <= 1e12)) return false;
  const int64_t quotient = int64_t(product) / int64_t(truncated);
  const auto low = int32_t(uint32_t(uint64_t(quotient)));
  lag = low / 4 * 4;
  return true;
}

bool alignmentFor(int64_t sampleRate, int32_t device, int32_t status, int64_t timeOffset, int32_t recordLength,
                  Alignment& out) {
  Alignment a;
  if (status & kStatusHalfSample) {
    a.d = 0;
    a.e = 0.5;
    a.f = 0.5;
  } else {
    const double period = 1e12 / double(sampleRate);
    double g = -(double(timeOffset) / period);
    if (device != 0) {
      int32_t lag = 0;
      if (!deviceLagSamples(device, period, lag)) return false;
      g -= double(lag);
    }
    // Shifts whose whole part leaves [-2048, 2047] would read outside the
    // block's margins; they are refused before the truncation, which also
    // keeps it within the int32 range.
    if (!(g > -double(kReadMargin) - 1.0 && g < double(kReadMargin))) return false;
    a.d = int32_t(g);
    a.e = std::fabs(g - double(a.d));
    a.f = std::fabs(1.0 - a.e);
  }
  if (a.d <= -recordLength) return false;
  out = a;
  return true;
}

void convertCodes(const int16_t* raw, double* out, int32_t count, const Conversion& conversion) {
  int32_t i = 0;
#if defined(__SSE2__)
  if (g_vectorReads) {
    const ConversionVector c(conversion);
    for (; i + 4 <= count; i += 4) {
      __m128d lo, hi;
      widenCodes(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(raw + i)), lo, hi);
      _mm_storeu_pd(out + i, c(lo));
      _mm_storeu_pd(out + i + 2, c(hi));
    }
  }
#endif
  for (; i < count; ++i) out[i] = conversion(raw[i]);
}

void alignCodes(const int16_t* s, int32_t length, const Alignment& shift, int16_t* out) {
  int32_t n = 0;
#if defined(UZYV_READ_AVX2)
  if (g_vectorReads && haveAvx2()) n = alignCodesAvx2(s, length, shift, out);
#endif
#if defined(__SSE2__)
  if (g_vectorReads) {
    const AlignVector align(shift);
    for (; n + 8 <= length; n += 8) {
      __m128i low, high;
      alignedEight(align, s + n, low, high);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + n), _mm_packs_epi32(low, high));
    }
  }
#endif
  for (; n < length; ++n) out[n] = alignedValue(shift, s[n], s[n + 1]);
}

void alignAndConvert(const int16_t* s, int32_t length, const Alignment& shift, const Conversion& conversion,
                     double* out) {
  int32_t n = 0;
#if defined(UZYV_READ_AVX2)
  if (g_vectorReads && haveAvx2())
    n = conversion.microvolts ? alignAndConvertAvx2<true>(s, length, shift, conversion, out)
                              : alignAndConvertAvx2<false>(s, length, shift, conversion, out);
#endif
#if defined(__SSE2__)
  if (g_vectorReads) {
    const AlignVector align(shift);
    const ConversionVector convert(conversion);
    for (; n + 8 <= length; n += 8) {
      __m128i low, high;
      alignedEight(align, s + n, low, high);
      _mm_storeu_pd(out + n, convert(_mm_cvtepi32_pd(low)));
      _mm_storeu_pd(out + n + 2, convert(_mm_cvtepi32_pd(_mm_shuffle_epi32(low, 0xEE))));
      _mm_storeu_pd(out + n + 4, convert(_mm_cvtepi32_pd(high)));
      _mm_storeu_pd(out + n + 6, convert(_mm_cvtepi32_pd(_mm_shuffle_epi32(high, 0xEE))));
    }
  }
#endif
  for (; n < length; ++n) out[n] = conversion(alignedValue(shift, s[n], s[n + 1]));
}

namespace {

// Refuses with 1 a null pointer or one that is not writable for `count`
// elements; sizes beyond the address space cannot be writable.
Code requireWritableArray(const void* p, uint64_t count, std::size_t elementSize) {
  if (!p) return UZYV_ERR_POINTER;
  if (count > std::numeric_limits<std::size_t>::max() / elementSize) return UZYV_ERR_POINTER;
  return requireWritable(p, std::size_t(count) * elementSize);
}

// The result of the runtime read, with the device's calibration.
struct Acquired {
  int16_t* scratch = nullptr;
  int32_t length = 0;  // the record length, samples per channel
  int32_t result = 0;  // the runtime's non-zero result
  int32_t status = 0;
  int64_t timeOffset = 0;
  CalibrationData calibration{};

  // Start of a channel's record in the scratch buffer.
  const int16_t* record(int input) const {
    return scratch + kReadMargin + (input ? std::size_t(length) + kReadSpare : 0);
  }
};

// Reads the device into a fresh scratch buffer, stores the status word,
// then reads the calibration (whose failure only sets LastError).
Code acquire(const DeviceGroup& group, int32_t device, int32_t* status, Acquired& a) {
  RuntimeApi::ReadEx readEx = runtime().uZyvReadEx;
  if (!readEx) return UZYV_ERR_RUNTIME_ENTRIES;
  a.length = group.recordLength;
  // 2 x length + 8192 samples; the length is at most INT32_MAX - 4096, so the
  // count fits in 64 bits, and a byte size beyond size_t cannot be allocated.
  const uint64_t count = 2 * (uint64_t(uint32_t(a.length)) + kReadSpare);
  if (count > std::numeric_limits<std::size_t>::max() / sizeof(int16_t)) throw std::bad_alloc();
  a.scratch = readScratch().take(std::size_t(count));
  ReadRequest request{};
  request.samples = a.scratch;
  a.result = readEx(&request, device, 1);
  if (a.result == 0) return runtimeFailure();
  a.status = request.status;
  a.timeOffset = request.timeOffset;
  if (status) *status = request.status;
  if (noteFailure(readHwInfo(device, kInfoCalibration, &a.calibration))) a.calibration = CalibrationData{};
  return kOk;
}

// A channel's cached offset in microvolts; 0 for a channel without a record.
int32_t channelOffset(const DeviceGroup& group, int32_t channel) {
  return channel >= 0 && std::size_t(channel) < group.channels.size() ? group.channels[std::size_t(channel)].voltOfs
                                                                        : 0;
}

}  // namespace

Code readRaw(int32_t device, int32_t* status, int16_t* samples, double* zeroLevels, double* baseOffsets,
             double* gains, int32_t* timeOffset, int32_t& readResult) {
  DeviceGroup* group = nullptr;
  if (Code c = requireOpen(group)) return c;
  if (!samples || !zeroLevels || !baseOffsets || !gains) return UZYV_ERR_POINTER;
  const int32_t length = group->recordLength;
  if (Code c = requireWritableArray(samples, 2 * uint64_t(uint32_t(length)), sizeof(int16_t))) return c;

  Acquired a;
  if (Code c = acquire(*group, device, status, a)) return c;
  for (int input = 0; input < 2; ++input) {
    zeroLevels[input] = a.calibration.channel[input].zeroLevel;
    baseOffsets[input] = a.calibration.channel[input].baseOffset;
    gains[input] = a.calibration.channel[input].gain;
  }

  if (timeOffset) {
    // Unshifted: the caller aligns the record with the reported time offset.
    *timeOffset = int32_t(uint32_t(uint64_t(a.timeOffset)) - uint32_t(device) * uint32_t(kDeviceLagPs));
    std::memcpy(samples, a.record(0), std::size_t(length) * sizeof(int16_t));
    std::memcpy(samples + length, a.record(1), std::size_t(length) * sizeof(int16_t));
  } else {
    Alignment shift;
    if (!alignmentFor(group->sampleRate, device, a.status, a.timeOffset, length, shift)) return kSilent;
    for (int input = 0; input < 2; ++input)
      alignCodes(a.record(input) + shift.d, length, shift, samples + input * std::size_t(length));
  }
  readResult = a.result;
  return kOk;
}

Code readPhysical(int32_t device, int32_t* status, double* out, const int32_t* multipliers, bool microvolts) {
  DeviceGroup* group = nullptr;
  if (Code c = requireOpen(group)) return c;
  const int32_t length = group->recordLength;
  if (requireWritableArray(out, 2 * uint64_t(uint32_t(length)), sizeof(double)) != kOk || !multipliers)
    return UZYV_ERR_POINTER;
  // Each device's samples are taken relative to its own channels' offsets.
  const int32_t firstChannel = device >= 1 ? 2 * device : 0;
  const int32_t offsets[2] = {channelOffset(*group, firstChannel), channelOffset(*group, firstChannel + 1)};

  // The aligned read and the conversion in one pass over the scratch buffer:
  // each aligned code is converted as it is produced.
  Acquired a;
  if (Code c = acquire(*group, device, status, a)) return c;
  Alignment shift;
  if (!alignmentFor(group->sampleRate, device, a.status, a.timeOffset, length, shift)) return kSilent;
  const Conversion conversion[2] = {
      {a.calibration.channel[0].zeroLevel, a.calibration.channel[0].baseOffset, a.calibration.channel[0].gain,
       double(offsets[0]), multipliers[0], microvolts},
      {a.calibration.channel[1].zeroLevel, a.calibration.channel[1].baseOffset, a.calibration.channel[1].gain,
       double(offsets[1]), multipliers[1], microvolts},
  };
  for (int input = 0; input < 2; ++input)
    alignAndConvert(a.record(input) + shift.d, length, shift, conversion[input], out + input * std::size_t(length));
  return kOk;
}

namespace {

Code rawToPhysical(const int16_t* raw, double* out, int32_t count, double zeroLevel, double baseOffset, double gain,
                   double channelOffset, int32_t multiplier, bool microvolts) {
  if (!raw || !out) return UZYV_ERR_POINTER;
  const uint64_t n = count > 0 ? uint64_t(count) : 0;
  if (n > std::numeric_limits<std::size_t>::max() / sizeof(double)) return UZYV_ERR_POINTER;
  if (Code c = requireWritable(out, std::size_t(n) * sizeof(double))) return c;
  convertCodes(raw, out, count, Conversion(zeroLevel, baseOffset, gain, channelOffset, multiplier, microvolts));
  return kOk;
}

// uZyvSDKRead: the runtime's read with the application's value.
Code readWithValue(uZyvValue value) {
  DeviceGroup* group = nullptr;
  if (Code c = requireOpen(group)) return c;
  RuntimeApi::Read read = runtime().uZyvRead;
  if (!read) return UZYV_ERR_RUNTIME_ENTRIES;
  return read(value) ? kOk : runtimeFailure();
}

// uZyvSDKReadExRaw: the runtime's non-zero result of the read, or 0
// (LastError set unless the read was refused silently).
int32_t readRawAnswer(int32_t device, int32_t* status, int16_t* samples, double* zeroLevels, double* baseOffsets,
                      double* gains, int32_t* timeOffset) {
  int32_t result = 0;
  const Code c = readRaw(device, status, samples, zeroLevels, baseOffsets, gains, timeOffset, result);
  return c == kOk ? result : failedAnswer(c);
}

}  // namespace

}  // namespace uzyv

using namespace uzyv;

extern "C" {

UZYV_API int32_t UZYV_CALL uZyvSDKRead(uZyvValue value) { return exportCall(readWithValue, value); }

UZYV_API int32_t UZYV_CALL uZyvSDKReadExRaw(int32_t device, int32_t* status, int16_t* samples, double* zeroLevels,
                                            double* baseOffsets, double* gains, int32_t* timeOffset) {
  return exportValue(readRawAnswer, device, status, samples, zeroLevels, baseOffsets, gains, timeOffset);
}

UZYV_API int32_t UZYV_CALL uZyvSDKRawToDbl_mv(const int16_t* raw, double* out, int32_t count, double zeroLevel,
                                              double baseOffset, double gain, double channelOffset,
                                              int32_t multiplier) {
  return exportCall(rawToPhysical, raw, out, count, zeroLevel, baseOffset, gain, channelOffset, multiplier, false);
}

UZYV_API int32_t UZYV_CALL uZyvSDKRawToDbl_uv(const int16_t* raw, double* out, int32_t count, double zeroLevel,
                                              double baseOffset, double gain, double channelOffset,
                                              int32_t multiplier) {
  return exportCall(rawToPhysical, raw, out, count, zeroLevel, baseOffset, gain, channelOffset, multiplier, true);
}

UZYV_API int32_t UZYV_CALL uZyvSDKReadDbl_mv(int32_t device, int32_t* status, double* out,
                                             const int32_t* multipliers) {
  return exportCall(readPhysical, device, status, out, multipliers, false);
}

UZYV_API int32_t UZYV_CALL uZyvSDKReadDbl_uv(int32_t device, int32_t* status, double* out,
                                             const int32_t* multipliers) {
  return exportCall(readPhysical, device, status, out, multipliers, true);
}

}  // extern "C"
