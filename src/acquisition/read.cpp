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

namespace uzyv {

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
  for (int32_t i = 0; i < count; ++i) out[i] = conversion(raw[i]);
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
  std::unique_ptr<int16_t[]> scratch;
  int32_t length = 0;  // the record length, samples per channel
  int32_t result = 0;  // the runtime's non-zero result
  int32_t status = 0;
  int64_t timeOffset = 0;
  CalibrationData calibration{};

  // Start of a channel's record in the scratch buffer.
  const int16_t* record(int input) const {
    return scratch.get() + kReadMargin + (input ? std::size_t(length) + kReadSpare : 0);
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
  a.scratch = std::make_unique<int16_t[]>(std::size_t(count));
  ReadRequest request{};
  request.samples = a.scratch.get();
  a.result = readEx(&request, device, 1);
  if (a.result == 0) return runtimeFailure();
  a.status = request.status;
  a.timeOffset = request.timeOffset;
  if (status) *status = request.status;
  if (noteFailure(readHwInfo(device, kInfoCalibration, &a.calibration))) a.calibration = CalibrationData{};
  return kOk;
}

// Emits every aligned output value of both channels: emit(input, n, value).
template <class Emit>
void resample(const Acquired& a, const Alignment& shift, Emit&& emit) {
  for (int input = 0; input < 2; ++input) {
    const int16_t* s = a.record(input) + shift.d;
    for (int32_t n = 0; n < a.length; ++n) emit(input, n, alignedValue(shift, s[n], s[n + 1]));
  }
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
    resample(a, shift, [&](int input, int32_t n, int16_t v) { samples[input * std::size_t(length) + n] = v; });
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
  resample(a, shift,
           [&](int input, int32_t n, int16_t v) { out[input * std::size_t(length) + n] = conversion[input](v); });
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
