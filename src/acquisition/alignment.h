// The arithmetic of a waveform read: where the record sits in the runtime's
// buffer, the fractional shift that lines it up with the trigger, and the
// conversion of raw codes into physical units.
#pragma once

#include <cstdint>

namespace uzyv {

// The runtime is asked for this many samples per channel more than the
// record length; the record starts half of them into each channel's block.
inline constexpr int32_t kReadSpare = 4096;
inline constexpr int32_t kReadMargin = kReadSpare / 2;
// Time by which each device index lags device 0, picoseconds.
inline constexpr int32_t kDeviceLagPs = 364000;

// Shift of an aligned read: output n of a channel comes from samples
// B + d + n and B + d + n + 1 of its block, weighted (f, e) when d >= 0 and
// (e, f) when d < 0.
struct Alignment {
  int32_t d = 0;
  double e = 0.0;
  double f = 1.0;
};

// The lag of a device in whole samples, a multiple of 4: device x 364000
// (an int32 product) divided by the sample period truncated to an integer.
// A rate of 0 (infinite period) gives 0; false when the truncated period is
// 0 (rates beyond 10^12 in magnitude), where no lag can be expressed.
bool deviceLagSamples(int32_t device, double period, int32_t& lag);

// The shift for a read with the runtime's status word and time offset.
// False when the read must be refused: the shift puts the record entirely
// before the data (d <= -recordLength), or it reaches beyond the 2048
// samples of margin on either side of a block (d < -2048 or d > 2047), or no
// shift can be computed. Reads are never clamped into the margins.
bool alignmentFor(int64_t sampleRate, int32_t device, int32_t status, int64_t timeOffset, int32_t recordLength,
                  Alignment& out);

// One aligned output value from two neighbouring samples, truncated toward
// zero into the int16 range.
inline int16_t alignedValue(const Alignment& a, int16_t first, int16_t second) {
  const double v = a.d >= 0 ? a.f * first + a.e * second : a.e * first + a.f * second;
  // A weighted mean of two codes cannot leave the int16 range beyond
  // rounding; the bounds make the conversion safe whatever the weights.
  if (!(v > -32768.0)) return INT16_MIN;
  if (!(v < 32767.0)) return INT16_MAX;
  return int16_t(int32_t(v));
}

// Raw code to millivolts, in this order: ((raw - zero) * gain + base) +
// channelOffset / 1000, times the multiplier; microvolts multiply the
// millivolt value by 1000 last.
struct Conversion {
  double zeroLevel;
  double gain;
  double baseOffset;
  double offsetMv;  // channel offset in microvolts / 1000
  double multiplier;
  bool microvolts;

  Conversion(double zero, double baseOffset_, double gain_, double channelOffsetUv, int32_t multiplier_,
             bool microvolts_)
      : zeroLevel(zero),
        gain(gain_),
        baseOffset(baseOffset_),
        offsetMv(channelOffsetUv / 1000.0),
        multiplier(double(multiplier_)),
        microvolts(microvolts_) {}

  double operator()(int16_t raw) const {
    const double mv = multiplier * (((double(raw) - zeroLevel) * gain + baseOffset) + offsetMv);
    return microvolts ? mv * 1000.0 : mv;
  }
};

// On by default; the tests turn it off to align and convert one sample at
// a time.
extern bool g_vectorReads;

// Converts `count` codes (none when count <= 0) in one pass.
void convertCodes(const int16_t* raw, double* out, int32_t count, const Conversion& conversion);

// The aligned record of one channel: out[n] = alignedValue(shift, s[n],
// s[n + 1]) for n < length, as codes or converted.
void alignCodes(const int16_t* s, int32_t length, const Alignment& shift, int16_t* out);
void alignAndConvert(const int16_t* s, int32_t length, const Alignment& shift, const Conversion& conversion,
                     double* out);

}  // namespace uzyv
